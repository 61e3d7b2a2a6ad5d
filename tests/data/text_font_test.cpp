// The scroll text's form and the font image, checked against their sources.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "contentkit.h"
#include "datagen.h"
#include "testkit.h"

static std::string sourceText(const char *relative)
{
  std::ifstream in(std::string(MORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// Length, leading and trailing spaces, characters and the lengths of the
// space runs between segments: what the scroller's timing rests on.
TEST(ScrollText, HasTheFormTheScrollerIsTimedFor)
{
  std::string text, error;
  ASSERT_EQ(GenScrollCompose(sourceText("data/scrolltext.txt"), text, error), GEN_OK) << error;
  ASSERT_EQ(text.size(), 1868u);
  EXPECT_EQ(text.find_first_not_of(' '), 63u);
  EXPECT_EQ(text.size() - 1 - text.find_last_not_of(' '), 69u);
  int breaks = 0, lowerP = 0, lowerS = 0;
  std::string allowed = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!'(),-./:@ps \n";
  for (char c : text) {
    EXPECT_NE(allowed.find(c), std::string::npos) << "character " << (int)c;
    breaks += c == '\n';
    lowerP += c == 'p';
    lowerS += c == 's';
  }
  EXPECT_EQ(breaks, 1);
  EXPECT_GT(lowerP + lowerS, 0);
  size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  int gaps = 0;
  for (size_t i = first; i <= last;) {
    size_t end = text.find_first_not_of(' ', i);
    size_t run = end - i;
    EXPECT_TRUE(run == 0 || run == 1 || run == 21 || run == 22 || run == 42) << "run of " << run << " at " << i;
    gaps += run >= 21;
    i = run ? end : i + 1;
  }
  EXPECT_GT(gaps, 5);
}

TEST(ScrollText, RefusesTextsOutsideTheForm)
{
  std::string text, error;
  EXPECT_EQ(GenScrollCompose("HELLO\nWORLD\\n\n", text, error), GEN_ERR_FAILED) << "too short";
  EXPECT_EQ(GenScrollCompose("HELLO world\\n\n", text, error), GEN_ERR_FAILED) << "lower case";
  EXPECT_EQ(GenScrollCompose("HELLO  WORLD\\n\n", text, error), GEN_ERR_FAILED) << "double space";
  EXPECT_EQ(GenScrollCompose("HELLO\nWORLD\n", text, error), GEN_ERR_FAILED) << "no line break";
  EXPECT_EQ(GenScrollCompose(std::string(1800, 'A') + "\\n\n", text, error), GEN_ERR_FAILED) << "too long";
}

// The C literal the show compiles in holds exactly the composed text.
TEST(ScrollText, IncludeLiteralRoundTrips)
{
  std::string text, error;
  ASSERT_EQ(GenScrollCompose(sourceText("data/scrolltext.txt"), text, error), GEN_OK);
  std::istringstream in(GenScrollInclude(text + "\"\\"));
  std::string line, back;
  while (std::getline(in, line)) {
    if (line.compare(0, 2, "//") == 0)
      continue;
    ASSERT_GE(line.size(), 2u);
    ASSERT_EQ(line.front(), '"');
    ASSERT_EQ(line.back(), '"');
    for (size_t i = 1; i + 1 < line.size(); i++) {
      if (line[i] == '\\') {
        i++;
        back += line[i] == 'n' ? '\n' : line[i];
      } else {
        back += line[i];
      }
    }
  }
  EXPECT_EQ(back, text + "\"\\");
}

// The generated font file: a 400 x 8 uncompressed true-colour TGA whose
// glyph k, seen upright, is the k-th bitmap of the source, read here with a
// parser of its own.
TEST(Font, ImageMatchesTheGlyphSource)
{
  ASSERT_FALSE(ContentDir().empty());
  std::vector<uint8_t> tga = ReadBytes(ContentDir() + "/vorlanth/fonte_400x8.tga");
  ASSERT_GE(tga.size(), 18u);
  int width = tga[12] | tga[13] << 8, height = tga[14] | tga[15] << 8, depth = tga[16];
  ASSERT_EQ(tga[2], 2) << "uncompressed true colour";
  ASSERT_EQ(width, 400);
  ASSERT_EQ(height, 8);
  ASSERT_TRUE(depth == 24 || depth == 32);
  bool topOrigin = tga[17] & 0x20;
  size_t bpp = (size_t)depth / 8, data = 18 + tga[0];
  ASSERT_EQ(tga.size(), data + 400 * 8 * bpp);
  std::vector<std::string> rows;
  std::istringstream in(sourceText("data/font/glyphs.txt"));
  for (std::string line; std::getline(in, line);)
    if (line.size() == 8 && line.find_first_not_of("#.") == std::string::npos)
      rows.push_back(line);
  ASSERT_EQ(rows.size(), 50u * 8u);
  for (int k = 0; k < 50; k++)
    for (int r = 0; r < 8; r++)
      for (int c = 0; c < 8; c++) {
        int fileRow = topOrigin ? r : 7 - r;
        size_t at = data + ((size_t)fileRow * 400 + (size_t)(8 * k + c)) * bpp;
        bool lit = tga[at + 2] != 0;   // red
        EXPECT_EQ(lit, rows[(size_t)(k * 8 + r)][(size_t)c] == '#') << "glyph " << k << " row " << r << " col " << c;
      }
}

TEST(Font, SourceErrorsAreReported)
{
  GenFont font{};
  std::string error;
  std::string good = sourceText("data/font/glyphs.txt");
  ASSERT_EQ(GenFontParse(good, font, error), GEN_OK) << error;
  std::string swapped = good;
  swapped.replace(swapped.find("glyph A"), 7, "glyph B");
  EXPECT_EQ(GenFontParse(swapped, font, error), GEN_ERR_FAILED);
  EXPECT_NE(error.find("order"), std::string::npos);
  std::string shortGlyph = good;
  shortGlyph.erase(shortGlyph.find("glyph B") - 9, 9);   // drop glyph A's last row
  EXPECT_EQ(GenFontParse(shortGlyph, font, error), GEN_ERR_FAILED);
  EXPECT_EQ(GenFontParse(good.substr(0, good.find("glyph y")), font, error), GEN_ERR_FAILED);
  std::string badPixel = good;
  badPixel[badPixel.find("..###...")] = 'x';
  EXPECT_EQ(GenFontParse(badPixel, font, error), GEN_ERR_FAILED);
}
