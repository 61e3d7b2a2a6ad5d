// The texture registry: codec table, sharing by name, failure paths, list walks
// and the hand-over to the video-memory texture pool.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "mem.h"
#include "testkit.h"
#include "tex.h"
#include "texhard.h"
#include "texrgb.h"
#include "textga.h"

// A codec that logs the names it loads and makes a 2 x 1 image, or fails for "bad" names.
static std::string loaded;
static int32_t fakeLoad(TexEntry *entry)
{
  loaded += std::string(entry->name) + " ";
  if (strstr(entry->name, "bad"))
    return -13;
  entry->width = 2;
  entry->height = 1;
  entry->pixels = static_cast<uint8_t *>(MemAlloc(8));
  return 0;
}

class TexRegistry : public ::testing::Test {
 protected:
  void SetUp() override
  {
    MachineForTest(dir.path);
    MemFreeAll();
    MemInit();
    ASSERT_EQ(TexInit(), TEX_OK);
    loaded.clear();
    MachineCaptureConsole(&output);
  }
  void TearDown() override
  {
    MachineCaptureConsole(nullptr);
    TexFreeAll();  // while the records below still exist
  }
  // Registers e[i] under `name`; the result of TexAdd.
  int32_t add(int i, const char *name)
  {
    snprintf(e[i].name, TEX_NAME_SIZE, "%s", name);
    return TexAdd(&e[i]);
  }
  TempDir dir;
  std::string output;
  TexEntry e[8] = {};
};

// The names in list order; the backward walk must give the same order.
static std::string walk(void)
{
  std::string forward, backward;
  TexEntry *last = nullptr;
  for (TexEntry *entry = TexGetFirst(); entry; last = entry, entry = entry->next)
    forward += std::string(entry->name) + " ";
  for (TexEntry *entry = last; entry; entry = entry->prev)
    backward = std::string(entry->name) + " " + backward;
  EXPECT_EQ(forward, backward);
  return forward;
}

TEST_F(TexRegistry, CodecTableAndChoiceByExtension)
{
  EXPECT_EQ(TexRegisterCodec(nullptr, fakeLoad), TEX_ERR_NULL);
  EXPECT_EQ(TexRegisterCodec("TGA", nullptr), TEX_ERR_NULL);
  ASSERT_EQ(TexRegisterCodec("TGA", fakeLoad), TEX_OK);
  for (int i = 1; i < TEX_MAX_CODECS; i++)
    ASSERT_EQ(TexRegisterCodec("xyz", TgaLoad), TEX_OK);
  EXPECT_EQ(TexRegisterCodec("png", fakeLoad), TEX_ERR_FAILED);

  // Lower-cased, then loaded by the first codec whose extension it contains;
  // a name no codec matches is registered without pixels.
  ASSERT_EQ(add(0, "C:\\Scene\\Wall.TGA"), TEX_OK);
  ASSERT_EQ(add(1, "readme.txt"), TEX_OK);
  EXPECT_EQ(loaded, "c:\\scene\\wall.tga ");
  EXPECT_EQ(e[0].width, 2);
  EXPECT_EQ(e[1].pixels, nullptr);
  EXPECT_EQ(walk(), "c:\\scene\\wall.tga readme.txt ");
  EXPECT_EQ(TexInit(), TEX_ERR_FAILED);  // not while records are registered
  EXPECT_EQ(TexGetFirst(), &e[0]);
}

TEST_F(TexRegistry, SharesImagesByNameAndSetsScrollCodes)
{
  ASSERT_EQ(TexRegisterCodec("tga", fakeLoad), TEX_OK);
  ASSERT_EQ(add(0, "rock_scdn.tga"), TEX_OK);
  ASSERT_EQ(add(1, "ROCK_SCDN.TGA"), TEX_OK);
  ASSERT_EQ(add(2, "a_scdn_scup.tga"), TEX_OK);
  ASSERT_EQ(add(3, "x_sclt_scrt.tga"), TEX_OK);
  EXPECT_EQ(loaded, "rock_scdn.tga a_scdn_scup.tga x_sclt_scrt.tga ");  // loaded once
  EXPECT_EQ(e[0].scrollCode * 100 + e[2].scrollCode * 10 + e[3].scrollCode, 214);
  EXPECT_EQ(e[1].index, 1);
  EXPECT_EQ(e[1].sameAs, &e[0]);
  EXPECT_EQ(e[1].pixels, nullptr);
  EXPECT_EQ(e[1].width * 10 + e[1].scrollCode, 22);
  // A sharing record draws with the first record's pixels.
  EXPECT_EQ(TexGetPixels(&e[1]), e[0].pixels);
  EXPECT_EQ(TexGetPixels(nullptr), nullptr);

  // Freeing the shared record hands its image to the first record that
  // shared it; the others then share that one, and each hand-over keeps the
  // pixels, their depth and the slot.
  ASSERT_EQ(add(4, "Rock_Scdn.tga"), TEX_OK);
  ASSERT_EQ(add(5, "rock_scdn.TGA"), TEX_OK);
  EXPECT_EQ(loaded, "rock_scdn.tga a_scdn_scup.tga x_sclt_scrt.tga ");
  e[0].bitsPerPixel = 24;
  e[0].slot = 7;
  const uint8_t *image = e[0].pixels;
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(TexFree(&e[0]), TEX_OK);
  EXPECT_EQ(e[0].pixels, nullptr);
  EXPECT_EQ(e[1].sameAs, nullptr);
  EXPECT_EQ(e[1].pixels, image);
  EXPECT_EQ(e[1].bitsPerPixel * 100 + e[1].slot, 2407);
  EXPECT_EQ(e[4].sameAs, &e[1]);
  EXPECT_EQ(e[5].sameAs, &e[1]);
  EXPECT_EQ(TexGetPixels(&e[4]), image);
  EXPECT_EQ(TexGetPixels(&e[5]), image);
  ASSERT_EQ(TexFree(&e[1]), TEX_OK);
  EXPECT_EQ(e[4].sameAs, nullptr);
  EXPECT_EQ(e[5].sameAs, &e[4]);
  EXPECT_EQ(TexGetPixels(&e[5]), image);
  EXPECT_EQ(walk(), "a_scdn_scup.tga x_sclt_scrt.tga rock_scdn.tga rock_scdn.tga ");
}

TEST_F(TexRegistry, FailuresLeaveTheListAsItWas)
{
  EXPECT_EQ(TexAdd(nullptr), TEX_ERR_NULL);
  ASSERT_EQ(TexRegisterCodec("tga", fakeLoad), TEX_OK);
  ASSERT_EQ(add(0, "good.tga"), TEX_OK);
  EXPECT_EQ(add(1, "bad.tga"), TEX_ERR_FAILED);
  EXPECT_NE(output.find("Error while reading bad.tga !"), std::string::npos) << output;
  EXPECT_EQ(TexAdd(&e[0]), TEX_ERR_FAILED);  // already linked: adding it again would cut the list
  ASSERT_EQ(add(2, "after.tga"), TEX_OK);
  EXPECT_EQ(e[2].index, 1);  // the failed additions took no number
  EXPECT_EQ(walk(), "good.tga after.tga ");
}

TEST_F(TexRegistry, FreeUnlinksAndWalksSkipTheRecord)
{
  for (int i = 0; i < 4; i++)
    ASSERT_EQ(add(i, std::string(1, (char)('a' + i)).c_str()), TEX_OK);
  ASSERT_EQ(TexFree(&e[1]), TEX_OK);
  EXPECT_EQ(walk(), "a c d ");
  ASSERT_EQ(TexFree(&e[0]), TEX_OK);
  ASSERT_EQ(TexFree(&e[3]), TEX_OK);
  TexEntry stranger = {};
  EXPECT_EQ(TexFree(&stranger), TEX_OK);  // not registered: nothing happens
  EXPECT_EQ(walk(), "c ");
  ASSERT_EQ(TexFreeAll(), TEX_OK);
  EXPECT_EQ(TexGetFirst(), nullptr);
  ASSERT_EQ(add(4, "e"), TEX_OK);
  EXPECT_EQ(e[4].index, 0);
}

TEST_F(TexRegistry, RealTgaFilesThroughTheCodecAndIntoThePool)
{
  ASSERT_EQ(TexRegisterCodec("TGA", TgaLoad), TEX_OK);
  const char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0};
  WriteHostFile(dir.path + "/pic.tga", std::string(header, 18) + std::string(16, '\x42'));
  ASSERT_EQ(add(0, "PIC.TGA"), TEX_OK);
  ASSERT_EQ(add(1, "pic.tga"), TEX_OK);
  EXPECT_EQ(add(2, "gone.tga"), TEX_ERR_FAILED);
  std::string before((const char *)e[0].pixels, 16);
  EXPECT_EQ(TexRGBConvert(&e[0]), TEX_OK);  // keeps the pixels byte for byte
  EXPECT_EQ(std::string((const char *)e[0].pixels, 16), before);
  EXPECT_EQ(TexRGBConvert(nullptr), TEX_ERR_NULL);

  TexHardReset();
  TexHardAdd(&e[2].slot, before.data(), 8, 8, 32);  // someone else's texture first
  e[0].slot = e[1].slot = -7;
  ASSERT_EQ(TexUploadAllToHard(), TEX_OK);
  EXPECT_EQ(e[0].slot * 10 + e[1].slot, 11);
  EXPECT_EQ(TexHardGetPoolOffset(1), 256);
  EXPECT_EQ(TexHardGetSlot(1)->pixels, e[0].pixels);
  EXPECT_EQ(TexRemoveAllFromHard(), TEX_OK);
  EXPECT_EQ(TexHardGetCount(), 2);
}

// A codec that makes a picture of the size its name gives ("w123h45...")
// whose pixel at (x, y) is x, y, 7, 255 (low bytes).
static int32_t sizedLoad(TexEntry *entry)
{
  loaded += std::string(entry->name) + " ";
  if (sscanf(strrchr(entry->name, 'w'), "w%dh%d", &entry->width, &entry->height) != 2)
    return -1;
  entry->pixels = static_cast<uint8_t *>(MemAlloc(entry->width * entry->height * 4));
  if (!entry->pixels)
    return TEX_ERR_NO_MEMORY;
  for (int32_t y = 0; y < entry->height; y++)
    for (int32_t x = 0; x < entry->width; x++) {
      uint8_t *p = entry->pixels + ((size_t)y * entry->width + x) * 4;
      p[0] = (uint8_t)x, p[1] = (uint8_t)y, p[2] = 7, p[3] = 255;
    }
  return 0;
}

TEST_F(TexRegistry, TheNamesOwnExtensionPicksTheCodec)
{
  ASSERT_EQ(TexRegisterCodec("tga", fakeLoad), TEX_OK);
  ASSERT_EQ(TexRegisterCodec("jpg", sizedLoad), TEX_OK);
  ASSERT_EQ(TexRegisterCodec("jpe", sizedLoad), TEX_OK);
  // A folder named like another codec's extension no longer takes the image
  // to that codec (which cannot read it: the image was lost).
  ASSERT_EQ(add(0, "C:\\tga\\chrome.w2h2.JPG"), TEX_OK);
  ASSERT_EQ(add(1, "maps\\sky.w4h1.jpeg"), TEX_OK);
  // Without an extension of its own the name still goes by what it contains.
  ASSERT_EQ(add(2, "textures.tga\\stone"), TEX_OK);
  EXPECT_EQ(loaded, "c:\\tga\\chrome.w2h2.jpg maps\\sky.w4h1.jpeg textures.tga\\stone ");
  EXPECT_EQ(e[0].width * 10 + e[0].height, 22);
  EXPECT_EQ(e[1].width * 10 + e[1].height, 41);
}

TEST_F(TexRegistry, PicturesLargerThanTheTextureAreaAreScaledDown)
{
  ASSERT_EQ(TexRegisterCodec("img", sizedLoad), TEX_OK);
  ASSERT_EQ(add(0, "wide.w1030h3.img"), TEX_OK);
  // 1030 columns into 512: output column x averages source columns
  // [x * 1030 / 512, (x + 1) * 1030 / 512), two or three of them.
  ASSERT_EQ(e[0].width * 10000 + e[0].height, 5120003);
  const uint8_t *p = e[0].pixels;
  EXPECT_EQ(p[0], 1);               // columns 0, 1 -> 0.5, rounded up
  EXPECT_EQ(p[4 * 1], 3);           // columns 2, 3 -> 2.5
  EXPECT_EQ(p[4 * 511 + 2], 7);
  EXPECT_EQ(p[4 * 512 + 1], 1);     // row 1 keeps its own values
  ASSERT_EQ(add(1, "tall.w3h2100.img"), TEX_OK);
  EXPECT_EQ(e[1].width * 10000 + e[1].height, 31024);
  ASSERT_EQ(add(2, "fits.w512h1024.img"), TEX_OK);
  EXPECT_EQ(e[2].width * 10000 + e[2].height, 5121024);

  // When the pool cannot take the scaled picture, the image is refused.
  ASSERT_NE(MemAlloc(MEM_POOL_SIZE - MemGetPosition() - 600 * 100 * 4 - 64), nullptr);
  EXPECT_EQ(add(3, "last.w600h100.img"), TEX_ERR_FAILED);
  EXPECT_NE(output.find("Error : last.w600h100.img (512 x 100 pixels) does not fit in memory (-5) !"),
            std::string::npos)
      << output;
}

TEST_F(TexRegistry, UploadReportsATextureTheFullPoolRefused)
{
  static uint8_t pixels[4];
  int slot = -1;
  TexHardReset();
  while (TexHardGetCount() < TEXHARD_SLOTS)
    ASSERT_EQ(TexHardAdd(&slot, pixels, 1, 1, 32), TEXHARD_OK);
  ASSERT_EQ(add(0, "late"), TEX_OK);
  e[0].pixels = pixels;
  e[0].width = e[0].height = 1;
  EXPECT_EQ(TexUploadAllToHard(), TEX_ERR_FAILED);
  EXPECT_EQ(e[0].slot, -1);
  TexHardReset();
}
