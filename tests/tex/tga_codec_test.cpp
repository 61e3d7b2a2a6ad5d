// The TGA codec on files built byte by byte: both origins, run-length packets,
// every depth, and the files it must refuse.
#include <gtest/gtest.h>

#include <string>

#include "mem.h"
#include "testkit.h"
#include "tex.h"
#include "textga.h"

// An 18-byte header, an ID field of `idLength` bytes and, when `map`, a
// 256-entry colour map whose entry i is B = i, G = 255 - i, R = 7; then `data`.
static std::string tgaFile(int type, int depth, int width, int height, int descriptor,
                           const std::string &data, int idLength = 0, bool map = false)
{
  const char header[18] = {(char)idLength, map, (char)type, 0, 0, 0, (char)(map ? 1 : 0),
                           (char)(map ? 24 : 0), 0, 0, 0, 0, (char)width, (char)(width >> 8),
                           (char)height, (char)(height >> 8), (char)depth, (char)descriptor};
  std::string file(header, 18);
  file += std::string(idLength, 'I');
  for (int i = 0; map && i < 256; i++)
    file += std::string{(char)i, (char)(255 - i), 7};
  return file + data;
}

static const std::string blue("\xff\0\0", 3), red("\0\0\xff", 3), green("\0\xff\0", 3),
    white("\xff\xff\xff", 3);

// Decodes into a fresh pool; the result and the pixels as "R,G,B,A ..." bottom row first.
static std::string decode(TexEntry *entry, const std::string &file)
{
  MemFreeAll();
  MemInit();
  *entry = TexEntry{};
  int32_t result = TgaDecode(entry, (const uint8_t *)file.data(), (int32_t)file.size());
  std::string text = std::to_string(result);
  for (int i = 0; entry->pixels && i < entry->width * entry->height; i++) {
    const uint8_t *p = entry->pixels + 4 * i;
    text += " " + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," +
            std::to_string(p[2]) + "," + std::to_string(p[3]);
  }
  return text;
}

TEST(TgaCodec, BothOriginsGiveTheBottomRowFirst)
{
  TexEntry e;
  const std::string picture = "0 0,0,255,255 255,0,0,255 0,255,0,255 255,255,255,255";
  // Bottom-left origin: file rows (blue, red) at the bottom, then (green, white).
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 2, 2, 0x00, blue + red + green + white)), picture);
  EXPECT_EQ(e.width * 100 + e.height * 10 + e.bitsPerPixel / 8, 223);
  // Top-left origin, and right to left (bit 4): the same picture.
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 2, 2, 0x20, green + white + blue + red)), picture);
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 2, 2, 0x30, white + green + red + blue)), picture);
  // An odd height keeps its middle row.
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 1, 3, 0x20, blue + red + green)),
            "0 0,255,0,255 255,0,0,255 0,0,255,255");
}

TEST(TgaCodec, RunLengthPacketsCrossRowsAndStopAtTheImageEnd)
{
  TexEntry e;
  // 3 x 2: a run of 4 blue crosses into row 1, a raw packet of 2 follows; the
  // last run of 128 finds the image full.
  EXPECT_EQ(decode(&e, tgaFile(10, 24, 3, 2, 0, "\x83" + blue + '\x01' + red + green + "\xff" + white)),
            "0 0,0,255,255 0,0,255,255 0,0,255,255 0,0,255,255 255,0,0,255 0,255,0,255");
  EXPECT_EQ(decode(&e, tgaFile(10, 32, 2, 1, 0, "\xff\x01\x02\x03\x04")), "0 3,2,1,4 3,2,1,4");
  // A raw packet longer than what is left of the image.
  EXPECT_EQ(decode(&e, tgaFile(10, 24, 1, 1, 0, "\x01" + red + green)), "0 255,0,0,255");
  // Type 9: colour-mapped run-length.
  EXPECT_EQ(decode(&e, tgaFile(9, 8, 3, 1, 0, std::string("\x81\x05\x00\x10", 4), 0, true)),
            "0 7,250,5,255 7,250,5,255 7,239,16,255");
}

TEST(TgaCodec, EveryDepthAndTheIdField)
{
  TexEntry e;
  // 16 bits: 5-bit channels times 8 and alpha 255 whatever the top bit says.
  EXPECT_EQ(decode(&e, tgaFile(2, 16, 2, 1, 0, std::string("\xff\x7f\x1f\x80", 4))),
            "0 248,248,248,255 0,0,248,255");
  EXPECT_EQ(decode(&e, tgaFile(2, 32, 1, 1, 0, "\x10\x20\x30\x40")), "0 48,32,16,64");
  EXPECT_EQ(decode(&e, tgaFile(1, 8, 2, 1, 0, std::string("\x00\xff", 2), 0, true)),
            "0 7,255,0,255 7,0,255,255");
  // The pixels start after the ID field, with or without a map.
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 1, 1, 0, red, 6)), "0 255,0,0,255");
  EXPECT_EQ(decode(&e, tgaFile(1, 8, 1, 1, 0, "\x03", 9, true)), "0 7,252,3,255");
}

// A header with a colour map of `length` entries of `bits` from index
// `first`, the map's bytes, then `data`.
static std::string mappedFile(int type, int depth, int first, int length, int bits,
                              const std::string &map, const std::string &data)
{
  std::string file = tgaFile(type, depth, (int)data.size() / (depth / 8), 1, 0, "");
  file[1] = 1;
  file[3] = (char)first, file[4] = (char)(first >> 8);
  file[5] = (char)length, file[6] = (char)(length >> 8);
  file[7] = (char)bits;
  return file + map + data;
}

TEST(TgaCodec, GreyscaleAndColourMapsOfEveryShape)
{
  TexEntry e;
  // Greyscale: 8 bits of grey; 16 bits of grey then alpha; raw and run-length.
  EXPECT_EQ(decode(&e, tgaFile(3, 8, 2, 1, 0, "\x10\xf0")), "0 16,16,16,255 240,240,240,255");
  EXPECT_EQ(decode(&e, tgaFile(3, 16, 1, 1, 0, "\x40\x80")), "0 64,64,64,128");
  EXPECT_EQ(decode(&e, tgaFile(11, 8, 3, 1, 0, "\x82\x33")),
            "0 51,51,51,255 51,51,51,255 51,51,51,255");
  EXPECT_EQ(decode(&e, tgaFile(11, 16, 2, 1, 0, std::string("\x81\x07\x00", 3))), "0 7,7,7,0 7,7,7,0");
  // A map of three 24-bit entries from index 10: index 11 is the second entry,
  // indices outside the map are opaque black.
  std::string map24 = "\x01\x02\x03\x04\x05\x06\x07\x08\x09";
  EXPECT_EQ(decode(&e, mappedFile(1, 8, 10, 3, 24, map24, "\x0b\x0c\x09\xff")),
            "0 6,5,4,255 9,8,7,255 0,0,0,255 0,0,0,255");
  // 15- and 16-bit entries (5 bits per channel), 32-bit entries with alpha.
  EXPECT_EQ(decode(&e, mappedFile(1, 8, 0, 2, 15, std::string("\x1f\x00\xe0\x83", 4),
                                  std::string("\x01\x00", 2))),
            "0 0,248,0,255 0,0,248,255");
  EXPECT_EQ(decode(&e, mappedFile(9, 8, 0, 1, 32, "\x10\x20\x30\x40", std::string("\x81\x00", 2))),
            "0 48,32,16,64 48,32,16,64");
  // 16-bit indices reach past 255: entry 300 of a map of 301 from 0.
  std::string big(301 * 3, '\0');
  big.replace(300 * 3, 3, "\x0a\x0b\x0c");
  EXPECT_EQ(decode(&e, mappedFile(1, 16, 0, 301, 24, big, "\x2c\x01\x2d\x01")),
            "0 12,11,10,255 0,0,0,255");
}

TEST(TgaCodec, RefusesWhatItCannotDecode)
{
  TexEntry e;
  // Variants the format does not define: -13, the header's fields kept.
  EXPECT_EQ(decode(&e, tgaFile(2, 15, 1, 1, 0, std::string(2, 0))), "-13");
  EXPECT_EQ(e.width * 100 + e.bitsPerPixel, 115);
  EXPECT_EQ(decode(&e, tgaFile(3, 24, 1, 1, 0, std::string(3, 0))), "-13");  // greyscale at 24 bits
  EXPECT_EQ(decode(&e, tgaFile(1, 8, 1, 1, 0, std::string(1, 0))), "-13");   // no map
  EXPECT_EQ(decode(&e, tgaFile(1, 24, 1, 1, 0, std::string(3, 0), 0, true)), "-13");
  EXPECT_EQ(decode(&e, tgaFile(2, 8, 1, 1, 0, std::string(1, 0))), "-13");
  EXPECT_EQ(decode(&e, mappedFile(1, 8, 0, 1, 8, "\x01", std::string(1, 0))), "-13");  // 8-bit entries
  EXPECT_EQ(decode(&e, mappedFile(1, 8, 0, 0, 24, "", std::string(1, 0))), "-13");     // empty map
  EXPECT_EQ(decode(&e, tgaFile(0, 8, 1, 1, 0, std::string(1, 0))), "-13");   // no image data
  EXPECT_EQ(decode(&e, tgaFile(163, 8, 1, 1, 0, std::string(1, 0))), "-13");

  // Shorter than it says: the header, raw pixels, the ID field, the map, packets.
  EXPECT_EQ(decode(&e, std::string("\0\0\x02", 3)), "-1");
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 2, 2, 0, blue + red + green)), "-1");
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 1, 1, 0, red, 200).substr(0, 100)), "-1");
  EXPECT_EQ(decode(&e, tgaFile(1, 8, 1, 1, 0, "", 0, true)), "-1");
  EXPECT_EQ(decode(&e, tgaFile(10, 24, 300, 1, 0, "\x7f" + blue + red)), "-1");
  EXPECT_EQ(decode(&e, tgaFile(10, 24, 2, 1, 0, "\x81\xff")), "-1");
  EXPECT_EQ(decode(&e, tgaFile(10, 24, 3, 1, 0, "\x81" + blue)), "-1");

  // No pixels; sizes the pool cannot hold (65535 x 65535 x 4 overflows 32 bits).
  EXPECT_EQ(decode(&e, tgaFile(2, 24, 0, 5, 0, "")), "-1");
  EXPECT_EQ(decode(&e, tgaFile(2, 32, 65535, 65535, 0, "")), "-5");
  EXPECT_EQ(decode(&e, tgaFile(10, 24, 4096, 4096, 0, "")), "-5");
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
  EXPECT_EQ(entry.pixels[23], 0x11);
  snprintf(entry.name, sizeof entry.name, "missing.tga");
  EXPECT_EQ(TgaLoad(&entry), TEX_ERR_NOT_FOUND);
  EXPECT_EQ(TgaLoad(nullptr), TEX_ERR_NULL);

  // TgaSave writes the first width x height x 3 bytes as they are.
  uint8_t bytes[24];
  for (int i = 0; i < 24; i++)
    bytes[i] = (uint8_t)i;
  TexEntry save = {};
  save.pixels = bytes;
  save.width = 2;
  save.height = 3;
  save.bitsPerPixel = 32;
  snprintf(save.name, sizeof save.name, "out.tga");
  EXPECT_EQ(TgaSave(&save), TEX_ERR_DEPTH);
  save.bitsPerPixel = 24;
  ASSERT_EQ(TgaSave(&save), TEX_OK);
  EXPECT_EQ(ReadHostFile(dir.path + "/out.tga"),
            tgaFile(2, 24, 2, 3, 0, std::string((const char *)bytes, 18)));
  snprintf(save.name, sizeof save.name, "no-such-folder/out.tga");
  EXPECT_EQ(TgaSave(&save), TGA_ERR_WRITE);

  // TgaFlip exchanges rows 0 and 2 and leaves row 1.
  ASSERT_EQ(TgaFlip(&save), TEX_OK);
  EXPECT_EQ(bytes[0] * 10000 + bytes[8] * 100 + bytes[16], 160800);
  save.pixels = nullptr;
  EXPECT_EQ(TgaFlip(&save), TEX_ERR_NULL);
  EXPECT_EQ(TgaSave(&save), TEX_ERR_NULL);
}
