// The show's bitmap font: 50 glyphs of 8 x 8 pixels read from their readable
// source (data/font/glyphs.txt) and laid side by side in one 400 x 8 image.
//
// Source format: lines starting with "//" are comments; each glyph is a line
// "glyph C" (C the character it draws, "space" for the blank glyph) followed
// by 8 rows of 8 characters, '#' lit and '.' dark, top row first. The glyphs
// must come in the order of the charset below, which is the order the scroll
// text looks them up in.
#include <sstream>

#include "datagen.h"

const char GenFontCharset[GEN_GLYPHS + 1] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ:/!,.-0123456789@ls trpy";

static int32_t parseRow(const std::string &line, uint8_t *row)
{
  if (line.size() != GEN_GLYPH_SIZE)
    return GEN_ERR_FAILED;
  for (int c = 0; c < GEN_GLYPH_SIZE; c++) {
    if (line[(size_t)c] != '#' && line[(size_t)c] != '.')
      return GEN_ERR_FAILED;
    row[c] = line[(size_t)c] == '#';
  }
  return GEN_OK;
}

int32_t GenFontParse(const std::string &source, GenFont &font, std::string &error)
{
  std::istringstream in(source);
  std::string line;
  int32_t glyph = -1, row = GEN_GLYPH_SIZE, lineNumber = 0;
  while (std::getline(in, line)) {
    lineNumber++;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty() || line.compare(0, 2, "//") == 0)
      continue;
    std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (line.compare(0, 6, "glyph ") == 0) {
      if (row != GEN_GLYPH_SIZE)
        return error = where + "glyph " + std::to_string(glyph) + " has fewer than 8 rows", GEN_ERR_FAILED;
      std::string name = line.substr(6);
      char expected = glyph + 1 < GEN_GLYPHS ? GenFontCharset[glyph + 1] : 0;
      char drawn = name == "space" ? ' ' : name.size() == 1 ? name[0] : 0;
      if (expected == 0 || drawn != expected)
        return error = where + "glyph \"" + name + "\" is out of the charset order", GEN_ERR_FAILED;
      glyph++;
      row = 0;
      continue;
    }
    if (glyph < 0 || row >= GEN_GLYPH_SIZE)
      return error = where + "pixel row outside a glyph", GEN_ERR_FAILED;
    if (parseRow(line, &font.bitmaps[glyph][row * GEN_GLYPH_SIZE]) != GEN_OK)
      return error = where + "a row is 8 characters of '#' and '.'", GEN_ERR_FAILED;
    row++;
  }
  if (glyph != GEN_GLYPHS - 1 || row != GEN_GLYPH_SIZE)
    return error = "the font needs all 50 glyphs with 8 rows each", GEN_ERR_FAILED;
  return GEN_OK;
}

// White glyphs on black; the top row of each glyph is the top row of the
// picture, so the image (stored bottom row first) holds glyph row 7 in row 0.
GenImage GenFontImage(const GenFont &font)
{
  GenImage image = GenImageMake(GEN_GLYPHS * GEN_GLYPH_SIZE, GEN_GLYPH_SIZE);
  for (int k = 0; k < GEN_GLYPHS; k++)
    for (int r = 0; r < GEN_GLYPH_SIZE; r++)
      for (int c = 0; c < GEN_GLYPH_SIZE; c++) {
        float lit = font.bitmaps[k][r * GEN_GLYPH_SIZE + c] ? 1.0f : 0.0f;
        GenImageSet(image, k * GEN_GLYPH_SIZE + c, GEN_GLYPH_SIZE - 1 - r, lit, lit, lit);
      }
  return image;
}
