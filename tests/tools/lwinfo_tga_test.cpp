// lwinfo on TGA images: the header report, the PNG it writes, its errors.
#include <gtest/gtest.h>

#include <string>

#include "testkit.h"

static const std::string lwinfo = MORVANE_BINARY_DIR "/lwinfo";

// A 2 x 2 top-left-origin 32-bit image: top row red, green; bottom row blue, white.
static std::string smallTga(int type, int depth)
{
  std::string file(18, '\0');
  file[2] = (char)type;
  file[12] = 2;
  file[14] = 2;
  file[16] = (char)depth;
  file[17] = 0x28;
  const char pixels[] = "\x00\x00\xff\xff" "\x00\xff\x00\xff" "\xff\x00\x00\xff" "\xff\xff\xff\xff";
  return file + std::string(pixels, 16);
}

// Pillow's view of an image file as hex R, G, B, A bytes, top row first.
static std::string pillowPixels(const std::string &path)
{
  CommandResult run = RunCommand("/usr/bin/python3 -c 'import sys; from PIL import Image; "
                                 "print(Image.open(sys.argv[1]).convert(\"RGBA\").tobytes().hex())' '" +
                                 path + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  return run.output;
}

TEST(LwinfoTga, PrintsTheHeaderAndWritesThePictureTopRowFirst)
{
  TempDir dir;
  WriteHostFile(dir.path + "/small.tga", smallTga(2, 32));
  CommandResult run = RunCommand(lwinfo + " " + dir.path + "/small.tga");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("image type:      2 (true-colour)"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("size:            2 x 2"), std::string::npos);
  EXPECT_NE(run.output.find("depth:           32 bits per pixel"), std::string::npos);
  EXPECT_NE(run.output.find("descriptor:      0x28 (alpha bits 8, top left)"), std::string::npos);
  EXPECT_NE(run.output.find("decoded:         2 x 2 pixels"), std::string::npos);

  run = RunCommand(lwinfo + " --png " + dir.path + "/small.png " + dir.path + "/small.tga");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(pillowPixels(dir.path + "/small.png"), "ff0000ff00ff00ff0000ffffffffffff\n");

  // A real file stored right to left and bottom up: the PNG shows what Pillow sees.
  if (CorpusDir().empty())
    return;
  const std::string tga = CorpusDir() + "/tga/pillow_rgb32rle_bottom_right.tga";
  run = RunCommand(lwinfo + " --png " + dir.path + "/corner.png " + tga);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(pillowPixels(dir.path + "/corner.png"), pillowPixels(tga));
}

TEST(LwinfoTga, ErrorsAreOneLineNamingTheFile)
{
  TempDir dir;
  const std::string grey = dir.path + "/grey.tga", cut = dir.path + "/cut.tga";
  WriteHostFile(grey, smallTga(3, 24));  // greyscale at 24 bits: not a TGA variant
  WriteHostFile(cut, smallTga(2, 32).substr(0, 30));
  struct Case {
    std::string args, expected;
  } cases[] = {
    {grey, "lwinfo: " + grey + ": unsupported TGA variant (image type 3, 24 bits per pixel"},
    {cut, "lwinfo: " + cut + ": file ends before its pixel data does (result -1)"},
    {dir.path + "/none.tga", "lwinfo: " + dir.path + "/none.tga: cannot be opened"},
    {dir.path + "/picture.bmp", "lwinfo: " + dir.path + "/picture.bmp: unknown file type '.bmp'"},
  };
  for (const Case &c : cases) {
    CommandResult run = RunCommand(lwinfo + " " + c.args + " 2>&1");
    EXPECT_NE(run.status, 0) << c.args;
    EXPECT_EQ(run.output.find(c.expected), 0u) << run.output;
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
  }
  WriteHostFile(dir.path + "/ok.tga", smallTga(2, 32));
  CommandResult run = RunCommand(lwinfo + " --png /no/such/dir/x.png " + dir.path + "/ok.tga 2>&1 >/dev/null");
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(run.output, "lwinfo: /no/such/dir/x.png: PNG cannot be written\n");
}

// JPEG and PNG files as the desktop's codecs decode them: the same report and
// PNG as for TGA files, and a one-line reason for a damaged file.
TEST(LwinfoImage, JpegAndPngFilesAsTheShowDecodesThem)
{
  TempDir dir;
  CommandResult made = RunCommand("/usr/bin/python3 -c 'from PIL import Image; "
                                  "i = Image.new(\"RGB\", (700, 3), (10, 200, 30)); "
                                  "i.save(\"" + dir.path + "/wide.png\"); "
                                  "i.save(\"" + dir.path + "/wide.jpg\", quality=90)'");
  ASSERT_EQ(made.status, 0) << made.output;
  for (const char *name : {"wide.png", "wide.jpg"}) {
    std::string path = dir.path + "/" + name;
    CommandResult run = RunCommand(lwinfo + " " + path + " --png " + path + ".out.png");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("decoded:         700 x 3 pixels"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("drawn at:        512 x 3 pixels"), std::string::npos) << run.output;
    EXPECT_EQ(pillowPixels(path + ".out.png"), pillowPixels(path)) << name;
  }
  WriteHostFile(dir.path + "/cut.png", ReadHostFile(dir.path + "/wide.png").substr(0, 40));
  CommandResult run = RunCommand(lwinfo + " " + dir.path + "/cut.png 2>&1");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("cut.png: damaged PNG data"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("(result -1)"), std::string::npos) << run.output;
}
