// The TGA codec on files built byte by byte: both origins, run-length packets,
// every depth, and the files it must refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file.h"
#include "mem.h"
#include "testkit.h"
#include "tex.h"
#include "textga.h"

// An 18-byte header, an optional ID field and colour map, then `data`.
static std::string tgaFile(int type, int depth, int width, int height, int descriptor,
                           const std::string &data, int idLength = 0, int mapLength = 0)
{
  std::string file(18, '\0');
  file[0] = (char)idLength;
  file[1] = mapLength ? 1 : 0;
  file[2] = (char)type;
  file[5] = (char)(mapLength & 255);
  file[6] = (char)(mapLength >> 8);
  file[7] = mapLength ? 24 : 0;
  file[12] = (char)(width & 255);
  file[13] = (char)(width >> 8);
  file[14] = (char)(height & 255);
  file[15] = (char)(height >> 8);
  file[16] = (char)depth;
  file[17] = (char)descriptor;
  file += std::string(idLength, 'I');
  for (int i = 0; i < mapLength; i++)  // entry i: B = i, G = 255 - i, R = 7
    file += std::string{(char)i, (char)(255 - i), (char)7};
  return file + data;
}

static const std::string blue = std::string("\xff\x00\x00", 3), red = std::string("\x00\x00\xff", 3),
                         green = std::string("\x00\xff\x00", 3), white = "\xff\xff\xff";

static int32_t decode(TexEntry *entry, const std::string &file)
{
  MemFreeAll();
  MemInit();
  *entry = TexEntry{};
  return TgaDecode(entry, (const uint8_t *)file.data(), (int32_t)file.size());
}

// Pixel i of the buffer (bottom row first) as "R,G,B,A".
static std::string px(const TexEntry &entry, int i)
{
  const uint8_t *p = entry.pixels + 4 * i;
  return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," +
         std::to_string(p[3]);
}

TEST(TgaCodec, BothOriginsGiveTheBottomRowFirst)
{
  TexEntry entry;
  // Bottom-left origin: file rows are the bottom row (blue, red), then the top (green, white).
  ASSERT_EQ(decode(&entry, tgaFile(2, 24, 2, 2, 0x00, blue + red + green + white)), TEX_OK);
  EXPECT_EQ(entry.width, 2);
  EXPECT_EQ(entry.height, 2);
  EXPECT_EQ(entry.bitsPerPixel, 24);
  const std::vector<std::string> expected = {"0,0,255,255", "255,0,0,255", "0,255,0,255",
                                             "255,255,255,255"};
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(px(entry, i), expected[i]) << i;
  // Top-left origin: the same picture stored top row first.
  ASSERT_EQ(decode(&entry, tgaFile(2, 24, 2, 2, 0x20, green + white + blue + red)), TEX_OK);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(px(entry, i), expected[i]) << i;
  // Right-to-left columns (bit 4): each row's pixels stored in reverse order.
  ASSERT_EQ(decode(&entry, tgaFile(2, 24, 2, 2, 0x30, white + green + red + blue)), TEX_OK);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(px(entry, i), expected[i]) << i;
  // An odd height keeps its middle row in place.
  ASSERT_EQ(decode(&entry, tgaFile(2, 24, 1, 3, 0x20, blue + red + green)), TEX_OK);
  EXPECT_EQ(px(entry, 0), "0,255,0,255");
  EXPECT_EQ(px(entry, 1), "255,0,0,255");
  EXPECT_EQ(px(entry, 2), "0,0,255,255");
}

TEST(TgaCodec, RunLengthPacketsCrossRowsAndStopAtTheImageEnd)
{
  TexEntry entry;
  // 3 x 2 image: a run of 4 blue crosses from row 0 into row 1, then a raw
  // packet of 2 (red, green); a last run of 128 white finds the image full.
  std::string data = "\x83" + blue + std::string("\x01", 1) + red + green + "\xff" + white;
  ASSERT_EQ(decode(&entry, tgaFile(10, 24, 3, 2, 0x00, data)), TEX_OK);
  const std::vector<std::string> expected = {"0,0,255,255", "0,0,255,255", "0,0,255,255",
                                             "0,0,255,255", "255,0,0,255", "0,255,0,255"};
  for (int i = 0; i < 6; i++)
    EXPECT_EQ(px(entry, i), expected[i]) << i;
  // A run that runs past the image's end stops there: 2 x 1 from one run of 128.
  ASSERT_EQ(decode(&entry, tgaFile(10, 32, 2, 1, 0x00, "\xff\x01\x02\x03\x04")), TEX_OK);
  EXPECT_EQ(px(entry, 0), "3,2,1,4");
  EXPECT_EQ(px(entry, 1), "3,2,1,4");
  // Colour-mapped run-length (type 9): indices through the 256-entry map.
  ASSERT_EQ(decode(&entry, tgaFile(9, 8, 3, 1, 0x00, std::string("\x81\x05\x00\x10", 4), 0, 256)),
            TEX_OK);
  EXPECT_EQ(px(entry, 0), "7,250,5,255");
  EXPECT_EQ(px(entry, 1), "7,250,5,255");
  EXPECT_EQ(px(entry, 2), "7,239,16,255");
}

TEST(TgaCodec, EveryDepthAndTheIdField)
{
  TexEntry entry;
  // 16 bits: 5-bit channels scaled by 8, alpha 255 whatever the top bit says.
  ASSERT_EQ(decode(&entry, tgaFile(2, 16, 2, 1, 0x00, std::string("\xff\x7f\x1f\x80", 4))), TEX_OK);
  EXPECT_EQ(px(entry, 0), "248,248,248,255");
  EXPECT_EQ(px(entry, 1), "0,0,248,255");
  // 32 bits keep their alpha byte.
  ASSERT_EQ(decode(&entry, tgaFile(2, 32, 1, 1, 0x00, "\x10\x20\x30\x40")), TEX_OK);
  EXPECT_EQ(px(entry, 0), "48,32,16,64");
  // 8 bits, raw colour-mapped: the pixels follow the 768-byte map.
  ASSERT_EQ(decode(&entry, tgaFile(1, 8, 2, 1, 0x00, std::string("\x00\xff", 2), 0, 256)), TEX_OK);
  EXPECT_EQ(px(entry, 0), "7,255,0,255");
  EXPECT_EQ(px(entry, 1), "7,0,255,255");
  // An ID field is skipped: the pixels start after it, with or without a map.
  ASSERT_EQ(decode(&entry, tgaFile(2, 24, 1, 1, 0x00, red, 6)), TEX_OK);
  EXPECT_EQ(px(entry, 0), "255,0,0,255");
  ASSERT_EQ(decode(&entry, tgaFile(1, 8, 1, 1, 0x00, std::string("\x03", 1), 9, 256)), TEX_OK);
  EXPECT_EQ(px(entry, 0), "7,252,3,255");
}

TEST(TgaCodec, RefusesWhatItCannotDecode)
{
  TexEntry entry;
  // Unsupported variants: -13, with the header's fields kept.
  EXPECT_EQ(decode(&entry, tgaFile(2, 15, 1, 1, 0, "\x00\x00")), TEX_ERR_DEPTH);
  EXPECT_EQ(entry.bitsPerPixel, 15);
  EXPECT_EQ(entry.width, 1);
  EXPECT_EQ(decode(&entry, tgaFile(3, 8, 1, 1, 0, "\x00")), TEX_ERR_DEPTH);      // greyscale
  EXPECT_EQ(decode(&entry, tgaFile(11, 8, 1, 1, 0, "\x00\x00")), TEX_ERR_DEPTH); // greyscale RLE
  EXPECT_EQ(decode(&entry, tgaFile(1, 8, 1, 1, 0, "\x00", 0, 16)), TEX_ERR_DEPTH); // short map
  EXPECT_EQ(decode(&entry, tgaFile(1, 8, 1, 1, 0, "\x00")), TEX_ERR_DEPTH);       // no map
  EXPECT_EQ(decode(&entry, tgaFile(1, 16, 1, 1, 0, "\x00\x00", 0, 256)), TEX_ERR_DEPTH);
  EXPECT_EQ(decode(&entry, tgaFile(2, 8, 1, 1, 0, "\x00")), TEX_ERR_DEPTH);
  EXPECT_EQ(entry.pixels, nullptr);

  // Files shorter than they say: never read past the end.
  EXPECT_EQ(decode(&entry, std::string("\x00\x00\x02", 3)), TGA_ERR_TRUNCATED);
  EXPECT_EQ(decode(&entry, tgaFile(2, 24, 2, 2, 0, blue + red + green)), TGA_ERR_TRUNCATED);
  EXPECT_EQ(decode(&entry, tgaFile(2, 24, 1, 1, 0, red, 200).substr(0, 100)), TGA_ERR_TRUNCATED);
  EXPECT_EQ(decode(&entry, tgaFile(1, 8, 1, 1, 0, "", 0, 256)), TGA_ERR_TRUNCATED);
  // Run-length: a raw packet cut short, a run without its pixel, packets running out.
  std::string many(200, '\x7f');
  EXPECT_EQ(decode(&entry, tgaFile(10, 24, 300, 1, 0, "\x7f" + blue + red)), TGA_ERR_TRUNCATED);
  EXPECT_EQ(decode(&entry, tgaFile(10, 24, 2, 1, 0, "\x81\xff")), TGA_ERR_TRUNCATED);
  EXPECT_EQ(decode(&entry, tgaFile(10, 24, 3, 1, 0, "\x81" + blue)), TGA_ERR_TRUNCATED);
  EXPECT_EQ(entry.pixels, nullptr);

  // No pixels at all, and sizes the pool cannot hold (65535 x 65535 x 4
  // overflows 32 bits; 4096 x 4096 x 4 is 64 MiB).
  EXPECT_EQ(decode(&entry, tgaFile(2, 24, 0, 5, 0, "")), TGA_ERR_EMPTY);
  EXPECT_EQ(decode(&entry, tgaFile(2, 32, 65535, 65535, 0, "")), TEX_ERR_NO_MEMORY);
  EXPECT_EQ(entry.width, 65535);
  EXPECT_EQ(decode(&entry, tgaFile(10, 24, 4096, 4096, 0, "")), TEX_ERR_NO_MEMORY);
  EXPECT_EQ(TgaDecode(nullptr, nullptr, 0), TEX_ERR_NULL);
}

TEST(TgaCodec, LoadsSavesAndFlipsThroughTheHostDevice)
{
  TempDir dir;
  MachineForTest(dir.path);
  MemFreeAll();
  MemInit();
  WriteHostFile(dir.path + "/wall.tga", tgaFile(2, 32, 2, 3, 0x20, std::string(24, '\x11')));
  TexEntry entry = {};
  snprintf(entry.name, sizeof entry.name, "wall.tga");
  ASSERT_EQ(TgaLoad(&entry), TEX_OK);
  EXPECT_EQ(entry.width, 2);
  EXPECT_EQ(entry.height, 3);
  EXPECT_EQ(px(entry, 5), "17,17,17,17");
  snprintf(entry.name, sizeof entry.name, "missing.tga");
  EXPECT_EQ(TgaLoad(&entry), TEX_ERR_NOT_FOUND);
  EXPECT_EQ(TgaLoad(nullptr), TEX_ERR_NULL);

  // TgaSave writes the first width x height x 3 bytes behind a 24-bit header.
  TexEntry save = {};
  uint8_t bytes[2 * 3 * 4];
  for (int i = 0; i < (int)sizeof bytes; i++)
    bytes[i] = (uint8_t)i;
  save.pixels = bytes;
  save.width = 2;
  save.height = 3;
  save.bitsPerPixel = 32;
  snprintf(save.name, sizeof save.name, "out.tga");
  EXPECT_EQ(TgaSave(&save), TEX_ERR_DEPTH);
  save.bitsPerPixel = 24;
  ASSERT_EQ(TgaSave(&save), TEX_OK);
  std::string written = ReadHostFile(dir.path + "/out.tga");
  ASSERT_EQ(written.size(), 18u + 18u);
  EXPECT_EQ(written.substr(0, 18), tgaFile(2, 24, 2, 3, 0, ""));
  EXPECT_EQ(written.substr(18), std::string((const char *)bytes, 18));
  snprintf(save.name, sizeof save.name, "no-such-folder/out.tga");
  EXPECT_EQ(TgaSave(&save), TGA_ERR_WRITE);

  // TgaFlip exchanges rows 0 and 2 and leaves row 1.
  ASSERT_EQ(TgaFlip(&save), TEX_OK);
  EXPECT_EQ(bytes[0], 16);
  EXPECT_EQ(bytes[8], 8);
  EXPECT_EQ(bytes[16], 0);
  save.pixels = nullptr;
  EXPECT_EQ(TgaFlip(&save), TEX_ERR_NULL);
  EXPECT_EQ(TgaSave(&save), TEX_ERR_NULL);
}
