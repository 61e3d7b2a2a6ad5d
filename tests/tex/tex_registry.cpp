// The texture registry: codec table, sharing by name, failure paths, list walks
// and the hand-over to the video-memory texture pool.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mem.h"
#include "testkit.h"
#include "tex.h"
#include "texhard.h"
#include "texrgb.h"
#include "textga.h"

// A codec that records what it was given and makes a 2 x 1 image, or fails
// for names holding "bad".
static std::vector<std::string> loaded;
static int32_t fakeLoad(TexEntry *entry)
{
  loaded.push_back(entry->name);
  if (strstr(entry->name, "bad"))
    return -13;
  entry->width = 2;
  entry->height = 1;
  entry->bitsPerPixel = 32;
  entry->pixels = static_cast<uint8_t *>(MemAlloc(8));
  entry->pixels[0] = (uint8_t)loaded.size();
  return 0;
}

class TexRegistry : public ::testing::Test {
 protected:
  void SetUp() override
  {
    MachineForTest(dir.path);
    MemFreeAll();
    MemInit();
    TexFreeAll();
    ASSERT_EQ(TexInit(), TEX_OK);
    loaded.clear();
    output.clear();
    MachineCaptureConsole(&output);
  }
  void TearDown() override
  {
    MachineCaptureConsole(nullptr);
    TexFreeAll();  // while the records below still exist
  }
  static void name(TexEntry *entry, const char *text) { snprintf(entry->name, TEX_NAME_SIZE, "%s", text); }
  TempDir dir;
  std::string output;
  TexEntry e[8] = {};  // the records the tests register; they outlive each test body
};

// Walks the list forwards and backwards, giving the names in order.
static std::string walk(void)
{
  std::string forward, backward;
  TexEntry *last = nullptr;
  for (TexEntry *entry = TexGetFirst(); entry; entry = entry->next) {
    forward += std::string(entry->name) + " ";
    last = entry;
  }
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

  // Lower-cased, then loaded by the first codec whose extension it contains.
  TexEntry &wall = e[0], &note = e[1];
  name(&wall, "C:\\Scene\\Wall.TGA");
  ASSERT_EQ(TexAdd(&wall), TEX_OK);
  EXPECT_STREQ(wall.name, "c:\\scene\\wall.tga");
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0], "c:\\scene\\wall.tga");
  EXPECT_EQ(wall.width, 2);
  // A name no codec matches is registered without pixels.
  name(&note, "readme.txt");
  ASSERT_EQ(TexAdd(&note), TEX_OK);
  EXPECT_EQ(note.pixels, nullptr);
  EXPECT_EQ(loaded.size(), 1u);
  EXPECT_EQ(walk(), "c:\\scene\\wall.tga readme.txt ");
  // The registry is not empty any more.
  EXPECT_EQ(TexInit(), TEX_ERR_FAILED);
  EXPECT_EQ(TexGetFirst(), &wall);
}

TEST_F(TexRegistry, SharesImagesByNameAndSetsScrollCodes)
{
  ASSERT_EQ(TexRegisterCodec("tga", fakeLoad), TEX_OK);
  TexEntry &first = e[0], &second = e[1], &scroll = e[2], &both = e[3];
  name(&first, "rock_scdn.tga");
  name(&second, "ROCK_SCDN.TGA");
  name(&both, "a_scdn_scup.tga");
  ASSERT_EQ(TexAdd(&first), TEX_OK);
  ASSERT_EQ(TexAdd(&second), TEX_OK);
  ASSERT_EQ(TexAdd(&both), TEX_OK);
  EXPECT_EQ(first.scrollCode, 2);
  EXPECT_EQ(both.scrollCode, 1);
  EXPECT_EQ(first.index, 0);
  EXPECT_EQ(second.index, 1);
  EXPECT_EQ(loaded.size(), 2u);  // the second record did not load the file again
  EXPECT_EQ(second.sameAs, &first);
  EXPECT_EQ(second.pixels, nullptr);
  EXPECT_EQ(second.width, 2);
  EXPECT_EQ(second.scrollCode, 2);
  // A sharing record draws with the first record's pixels.
  EXPECT_EQ(TexGetPixels(&second), first.pixels);
  EXPECT_EQ(TexGetPixels(&first), first.pixels);
  EXPECT_EQ(TexGetPixels(nullptr), nullptr);
  name(&scroll, "x_sclt_scrt.tga");
  ASSERT_EQ(TexAdd(&scroll), TEX_OK);
  EXPECT_EQ(scroll.scrollCode, 4);

  // Freeing the shared record hands its image to the record that shared it.
  const uint8_t *image = first.pixels;
  ASSERT_EQ(TexFree(&first), TEX_OK);
  EXPECT_EQ(second.sameAs, nullptr);
  EXPECT_EQ(TexGetPixels(&second), image);
  EXPECT_EQ(walk(), "rock_scdn.tga a_scdn_scup.tga x_sclt_scrt.tga ");
}

TEST_F(TexRegistry, FailuresLeaveTheListAsItWas)
{
  EXPECT_EQ(TexAdd(nullptr), TEX_ERR_NULL);
  ASSERT_EQ(TexRegisterCodec("tga", fakeLoad), TEX_OK);
  TexEntry &good = e[0], &bad = e[1];
  name(&good, "good.tga");
  name(&bad, "bad.tga");
  ASSERT_EQ(TexAdd(&good), TEX_OK);
  EXPECT_EQ(TexAdd(&bad), TEX_ERR_FAILED);
  EXPECT_NE(output.find("Error while reading bad.tga !"), std::string::npos) << output;
  EXPECT_EQ(walk(), "good.tga ");
  // Adding a linked record again would cut the list: refused.
  EXPECT_EQ(TexAdd(&good), TEX_ERR_FAILED);
  TexEntry &after = e[2];
  name(&after, "after.tga");
  ASSERT_EQ(TexAdd(&after), TEX_OK);
  EXPECT_EQ(after.index, 1);  // the failed additions took no number
  EXPECT_EQ(walk(), "good.tga after.tga ");
}

TEST_F(TexRegistry, FreeUnlinksAndWalksSkipTheRecord)
{
  TexEntry *records = e;
  const char *names[4] = {"a", "b", "c", "d"};
  for (int i = 0; i < 4; i++) {
    name(&records[i], names[i]);
    ASSERT_EQ(TexAdd(&records[i]), TEX_OK);
  }
  ASSERT_EQ(TexFree(&records[1]), TEX_OK);
  EXPECT_EQ(walk(), "a c d ");
  ASSERT_EQ(TexFree(&records[0]), TEX_OK);
  ASSERT_EQ(TexFree(&records[3]), TEX_OK);
  EXPECT_EQ(walk(), "c ");
  TexEntry stranger = {};
  EXPECT_EQ(TexFree(&stranger), TEX_OK);  // not registered: nothing happens
  EXPECT_EQ(walk(), "c ");
  ASSERT_EQ(TexFreeAll(), TEX_OK);
  EXPECT_EQ(TexGetFirst(), nullptr);
  TexEntry &again = e[4];
  name(&again, "e");
  ASSERT_EQ(TexAdd(&again), TEX_OK);
  EXPECT_EQ(again.index, 0);
}

TEST_F(TexRegistry, RealTgaFilesThroughTheCodecAndIntoThePool)
{
  ASSERT_EQ(TexRegisterCodec("TGA", TgaLoad), TEX_OK);
  std::string header(18, '\0');
  header[2] = 2;
  header[12] = 2;
  header[14] = 2;
  header[16] = 32;
  WriteHostFile(dir.path + "/pic.tga", header + std::string(16, '\x42'));
  TexEntry &pic = e[0], &same = e[1], &missing = e[2];
  name(&pic, "PIC.TGA");
  name(&same, "pic.tga");
  name(&missing, "gone.tga");
  ASSERT_EQ(TexAdd(&pic), TEX_OK);
  std::vector<uint8_t> before(pic.pixels, pic.pixels + 16);
  EXPECT_EQ(TexRGBConvert(&pic), TEX_OK);  // keeps the pixels byte for byte
  EXPECT_EQ(std::vector<uint8_t>(pic.pixels, pic.pixels + 16), before);
  EXPECT_EQ(TexRGBConvert(nullptr), TEX_ERR_NULL);
  ASSERT_EQ(TexAdd(&same), TEX_OK);
  EXPECT_EQ(TexAdd(&missing), TEX_ERR_FAILED);

  TexHardReset();
  TexHardAdd(&missing.slot, before.data(), 8, 8, 32);  // someone else's texture first
  pic.slot = same.slot = -7;
  ASSERT_EQ(TexUploadAllToHard(), TEX_OK);
  EXPECT_EQ(pic.slot, 1);
  EXPECT_EQ(same.slot, 1);
  EXPECT_EQ(TexHardGetCount(), 2);
  EXPECT_EQ(TexHardGetPoolOffset(1), 256);
  EXPECT_EQ(TexHardGetSlot(1)->pixels, pic.pixels);
  EXPECT_EQ(TexRemoveAllFromHard(), TEX_OK);
  EXPECT_EQ(TexHardGetCount(), 2);
}
