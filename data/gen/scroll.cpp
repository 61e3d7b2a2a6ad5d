// The scroll text: composed from its readable source (data/scrolltext.txt)
// into the exact form the show's scroller is timed for: 1868 characters, 63
// spaces in front, 69 behind, segments separated by runs of 21 or 22 spaces
// (42 between groups), one line break, and only characters the font or the
// text's form allows.
//
// Source format: '#' lines are comments; every other non-empty line is one
// segment; an empty line between segments starts a new group; "\n" inside a
// segment stands for the text's line break.
#include <sstream>

#include "datagen.h"

// Upper-case letters, digits, the punctuation of the text and the two
// lower-case letters with glyphs of their own; space and the line break are
// handled apart.
static bool allowed(char c)
{
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
    return true;
  for (const char *p = "!'(),-./:@ps"; *p; p++)
    if (c == *p)
      return true;
  return false;
}

static int32_t checkSegment(const std::string &segment, int32_t &breaks, std::string &error)
{
  for (size_t i = 0; i < segment.size(); i++) {
    char c = segment[i];
    if (c == '\n')
      breaks++;
    else if (c == ' ' && (i == 0 || i + 1 == segment.size() || segment[i + 1] == ' '))
      return error = "segment \"" + segment + "\": spaces only single, between words", GEN_ERR_FAILED;
    else if (c != ' ' && !allowed(c))
      return error = "segment \"" + segment + "\": character '" + std::string(1, c) + "' not allowed", GEN_ERR_FAILED;
  }
  return GEN_OK;
}

static int32_t readSegments(const std::string &source, std::vector<std::string> &segments,
                            std::vector<int32_t> &gaps, std::string &error)
{
  std::istringstream in(source);
  std::string line;
  bool newGroup = false;
  int32_t breaks = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty() && line[0] == '#')
      continue;
    if (line.empty()) {
      newGroup = !segments.empty();
      continue;
    }
    for (size_t at; (at = line.find("\\n")) != std::string::npos;)
      line.replace(at, 2, "\n");
    if (checkSegment(line, breaks, error) != GEN_OK)
      return GEN_ERR_FAILED;
    if (!segments.empty())
      gaps.push_back(newGroup ? 42 : 21);
    segments.push_back(line);
    newGroup = false;
  }
  if (segments.empty() || breaks != 1)
    return error = "the text needs segments and exactly one line break", GEN_ERR_FAILED;
  return GEN_OK;
}

int32_t GenScrollCompose(const std::string &source, std::string &text, std::string &error)
{
  std::vector<std::string> segments;
  std::vector<int32_t> gaps;
  if (readSegments(source, segments, gaps, error) != GEN_OK)
    return GEN_ERR_FAILED;
  int32_t length = GEN_SCROLL_LEAD + GEN_SCROLL_TRAIL, widenable = 0;
  for (const std::string &s : segments)
    length += (int32_t)s.size();
  for (int32_t g : gaps) {
    length += g;
    widenable += g == 21;
  }
  int32_t missing = GEN_SCROLL_LENGTH - length;
  if (missing < 0 || missing > widenable)
    return error = "the text comes to " + std::to_string(length) + " characters; with its " +
                   std::to_string(widenable) + " widenable runs it cannot make 1868", GEN_ERR_FAILED;
  // The first `missing` runs of 21 become runs of 22.
  text.assign(GEN_SCROLL_LEAD, ' ');
  for (size_t i = 0; i < segments.size(); i++) {
    if (i > 0) {
      int32_t gap = gaps[i - 1];
      if (gap == 21 && missing > 0) {
        gap = 22;
        missing--;
      }
      text.append((size_t)gap, ' ');
    }
    text += segments[i];
  }
  text.append(GEN_SCROLL_TRAIL, ' ');
  return GEN_OK;
}

// A C string literal of the text, cut into lines, for the show to compile in.
std::string GenScrollInclude(const std::string &text)
{
  std::string out = "// Generated from data/scrolltext.txt by morvane-datagen; do not edit.\n";
  std::string line = "\"";
  for (char c : text) {
    if (c == '\n')
      line += "\\n";
    else if (c == '"' || c == '\\')
      line += std::string("\\") + c;
    else
      line += c;
    if (line.size() >= 76) {
      out += line + "\"\n";
      line = "\"";
    }
  }
  return out + line + "\"\n";
}
