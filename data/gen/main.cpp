// morvane-datagen: writes the show's demo content (scene, objects, pictures,
// font) into a content folder, and the scroll text as a C string literal.
//
//   morvane-datagen --font data/font/glyphs.txt --text data/scrolltext.txt
//                   [--include scrolltext.inc] OUTDIR
#include <CLI/CLI.hpp>

#include "datagen.h"

int main(int argc, char **argv)
{
  CLI::App app{"Writes the show's demo content: scene, objects, pictures and font"};
  std::string outDir, fontSource, textSource, includePath;
  app.add_option("--font", fontSource, "glyph bitmaps of the font")->required();
  app.add_option("--text", textSource, "the scroll text's source")->required();
  app.add_option("--include", includePath, "write the scroll text here as a C string literal");
  app.add_option("outdir", outDir, "content folder; files go to OUTDIR/vorlanth/")->required();
  CLI11_PARSE(app, argc, argv);
  return GenContentWrite(outDir, fontSource, textSource, includePath) == GEN_OK ? 0 : 1;
}
