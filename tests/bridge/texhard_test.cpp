// The video-memory texture pool's books.
#include <gtest/gtest.h>

#include "texhard.h"

TEST(TexHard, PlacesTexturesBackToBackAndRefusesWhenFull)
{
  TexHardReset();
  static uint8_t pixels[4];
  int slot = -1;
  EXPECT_EQ(TexHardAdd(nullptr, pixels, 1, 1, 32), TEXHARD_ERR_NULL);
  EXPECT_EQ(TexHardAdd(&slot, nullptr, 1, 1, 32), TEXHARD_ERR_NULL);
  EXPECT_EQ(TexHardGetCount(), 0);

  ASSERT_EQ(TexHardAdd(&slot, pixels, 64, 64, 32), TEXHARD_OK);
  EXPECT_EQ(slot, 0);
  ASSERT_EQ(TexHardAdd(&slot, pixels, 32, 32, 32), TEXHARD_OK);
  EXPECT_EQ(slot, 1);
  EXPECT_EQ(TexHardGetPoolOffset(0), 0);
  EXPECT_EQ(TexHardGetPoolOffset(1), 16384);
  EXPECT_EQ(TexHardGetNextOffset(), 20480);
  // 8 bits take one byte a pixel; 4 bits take no whole byte.
  ASSERT_EQ(TexHardAdd(&slot, pixels, 10, 10, 8), TEXHARD_OK);
  ASSERT_EQ(TexHardAdd(&slot, pixels, 10, 10, 4), TEXHARD_OK);
  EXPECT_EQ(TexHardGetNextOffset(), 20580);
  EXPECT_EQ(TexHardGetPoolOffset(TexHardGetCount()), -1);
  EXPECT_EQ(TexHardGetPoolOffset(-1), -1);
  // Delete frees nothing.
  EXPECT_EQ(TexHardDelete(&slot), TEXHARD_OK);
  EXPECT_EQ(TexHardDelete(nullptr), TEXHARD_ERR_NULL);
  EXPECT_EQ(TexHardGetCount(), 4);
  EXPECT_EQ(TexHardGetSlot(3)->width, 10);

  // A texture whose size would carry the offset past 2^31 is refused.
  EXPECT_EQ(TexHardAdd(&slot, pixels, 65535, 65535, 32), TEXHARD_ERR_FULL);
  EXPECT_EQ(TexHardGetCount(), 4);
  // Fill the table: the 257th texture is refused and nothing changes.
  while (TexHardGetCount() < TEXHARD_SLOTS)
    ASSERT_EQ(TexHardAdd(&slot, pixels, 1, 1, 32), TEXHARD_OK);
  EXPECT_EQ(slot, TEXHARD_SLOTS - 1);
  int kept = TexHardGetNextOffset();
  slot = 1234;
  EXPECT_EQ(TexHardAdd(&slot, pixels, 1, 1, 32), TEXHARD_ERR_FULL);
  EXPECT_EQ(slot, 1234);
  EXPECT_EQ(TexHardGetNextOffset(), kept);
  EXPECT_EQ(TexHardGetCount(), TEXHARD_SLOTS);
}
