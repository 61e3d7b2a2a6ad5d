// What the back end's operations put on the screen, read back from the GS model.
#include <gtest/gtest.h>

#include <vector>

#include "ps2draw.h"
#include "ps2screen.h"
#include "../render/rendertest.h"
#include "render.h"
#include "testkit.h"

namespace {

// The buffer the next frame draws into.
int32_t target(void)
{
  const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
  return ram->swapFlag ? ram->frameBufferB : ram->frameBufferA;
}

uint32_t at(int x, int y)
{
  return MachineReadGsPixel((uint32_t)target(), 512, x, y) & 0xFFFFFF;
}

int countNotBlack(void)
{
  int n = 0;
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 512; x++)
      n += at(x, y) != 0;
  return n;
}

void newFrame(void)
{
  PS2DrawSetColor(0, 0, 0);
  PS2DrawClear();
}

}  // namespace

TEST(GsPicture, FillPixelClearAndTheDisplayedBuffer)
{
  MachineForTest(".");
  PS2ScreenInit();
  newFrame();
  // Rectangles and points have depth 0: after a clear (GREATER) they need ALWAYS.
  PS2DrawSetColor(255, 0, 0);
  PS2DrawFillRect(0, 0, 0, 0);
  EXPECT_EQ(countNotBlack(), 0);
  PS2DrawEnableZBuffer(0);
  PS2DrawFillRect(0, 0, 0, 0);
  EXPECT_EQ(countNotBlack(), 1);
  EXPECT_EQ(at(0, 0), 0x0000FFu);
  PS2DrawFillRect(10, 20, 13, 21);  // both ends included: 4 x 2
  PS2DrawSetColor(0, 255, 0);
  PS2DrawSetPixel(511, 255);
  PS2DrawSetPixel(512, 100);  // off the surface: the scissor drops it
  EXPECT_EQ(countNotBlack(), 1 + 8 + 1);

  // The flip shows what was drawn; the next frame goes to the other buffer.
  PS2ScreenRefresh();
  std::vector<uint32_t> picture;
  int w, h;
  ASSERT_EQ(MachineGetDisplayPicture(&picture, &w, &h), 0);
  ASSERT_EQ(w * h, 512 * 256);
  EXPECT_EQ(picture[0], 0x0000FFu);
  EXPECT_EQ(picture[255 * 512 + 511], 0x00FF00u);
  newFrame();
  PS2DrawEnableZBuffer(0);
  PS2DrawSetColor(0, 0, 255);
  PS2DrawFillRect(0, 0, 511, 255);
  MachineGetDisplayPicture(&picture, &w, &h);
  EXPECT_EQ(picture[5], 0u);  // still the shown frame, not the one being drawn
  PS2ScreenRefresh();
  MachineGetDisplayPicture(&picture, &w, &h);
  EXPECT_EQ(picture[5], 0xFF0000u);

  // A clear resets the depth buffer and leaves the test at GREATER.
  PS2DrawSetZScale(1000.0f);
  ScreenVertex tri[3] = {sv(0, 0, 0.1f), sv(100, 0, 0.1f), sv(0, 100, 0.1f)};
  PS2DrawTriangleBuffer(tri, 1, 9, 9, 9);
  newFrame();
  for (int x = 0; x < 100; x += 7)
    EXPECT_EQ(MachineReadGsPixel(0, 512, x, 0), 0u);
}

TEST(GsPicture, TheDepthTestKeepsTheNearerSurfaceInEitherOrder)
{
  MachineForTest(".");
  PS2ScreenInit();
  PS2DrawSetZScale(16777216.0f);
  ScreenVertex nearTri[3] = {sv(10, 10, 0.25f), sv(200, 10, 0.25f), sv(10, 200, 0.25f)};
  // A sloped far surface crossing the same area.
  ScreenVertex farTri[3] = {sv(50, 0, 0.5f), sv(300, 150, 0.9f), sv(0, 250, 0.3f)};
  for (int order = 0; order < 2; order++) {
    newFrame();
    if (order == 0) {
      PS2DrawTriangleBuffer(nearTri, 1, 255, 0, 0);
      PS2DrawTriangleBuffer(farTri, 1, 0, 255, 0);
    } else {
      PS2DrawTriangleBuffer(farTri, 1, 0, 255, 0);
      PS2DrawTriangleBuffer(nearTri, 1, 255, 0, 0);
    }
    EXPECT_EQ(at(60, 60), 0x0000FFu) << order;   // both cover it: the near one wins
    EXPECT_EQ(at(250, 140), 0x00FF00u) << order;  // far surface alone
    EXPECT_EQ(at(12, 12), 0x0000FFu) << order;
  }
}

TEST(GsPicture, DecalTexturesAppearUnflippedInPlaceAndSkipTransparentTexels)
{
  MachineForTest(".");
  PS2ScreenInit();
  PS2DrawSetZScale(1.0f);
  // 8 x 8 texels, row 0 first in memory; alpha 0 on texel (3, 5).
  alignas(16) static uint32_t texels[64];
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++)
      texels[y * 8 + x] = 0xFF000000u | (uint32_t)(x * 30) | (uint32_t)(y * 30) << 8 | 0x400000u;
  texels[5 * 8 + 3] &= 0x00FFFFFFu;
  newFrame();
  PS2DrawSetColor(1, 2, 3);
  PS2DrawEnableZBuffer(0);
  PS2DrawFillRect(0, 0, 511, 255);
  PS2DrawEnableZBuffer(1);
  // A 16 x 16 square at (100, 50) from two triangles, texture coordinates 0 to 1.
  ScreenVertex quad[6] = {sv(100, 50, 0.5f, 0, 0),  sv(116, 50, 0.5f, 1, 0),
                          sv(116, 66, 0.5f, 1, 1),  sv(100, 50, 0.5f, 0, 0),
                          sv(116, 66, 0.5f, 1, 1),  sv(100, 66, 0.5f, 0, 1)};
  PS2DrawTriangleBufferWithTex(quad, 2, 8, 8, texels);
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 16; x++) {
      uint32_t texel = texels[(y / 2) * 8 + x / 2];
      uint32_t expected = texel >> 24 ? texel & 0xFFFFFF : 0x030201u;
      ASSERT_EQ(at(100 + x, 50 + y), expected) << x << "," << y;
    }
  EXPECT_EQ(at(99, 50), 0x030201u);
  EXPECT_EQ(at(116, 50), 0x030201u);
  EXPECT_EQ(at(100, 66), 0x030201u);
}

// Texture coordinates below 0 and past 1: the texture repeats as the GS
// repeats it, texel for texel, on triangles whose coordinates straddle 0.
TEST(GsPicture, NegativeAndTiledTextureCoordinatesRepeatTheTexture)
{
  MachineForTest(".");
  PS2ScreenInit();
  PS2DrawSetZScale(1.0f);
  alignas(16) static uint32_t texels[32 * 8];  // 32 wide, 8 tall
  for (int i = 0; i < 32 * 8; i++)
    texels[i] = 0xFF000000u | (uint32_t)(i * 97 % 251) | (uint32_t)(i * 57 % 241) << 8;
  newFrame();
  // A 64 x 64 square at (100, 50): u from -1 to 1 across (texels -32 to 32),
  // v from 1.5 to 3.5 down (texels 12 to 28).
  ScreenVertex quad[6] = {sv(100, 50, 0.5f, -1, 1.5f), sv(164, 50, 0.5f, 1, 1.5f),
                          sv(164, 114, 0.5f, 1, 3.5f), sv(100, 50, 0.5f, -1, 1.5f),
                          sv(164, 114, 0.5f, 1, 3.5f), sv(100, 114, 0.5f, -1, 3.5f)};
  PS2DrawTriangleBufferWithTex(quad, 2, 32, 8, texels);
  int wrong = 0;
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      int u = (x - 32 + 64) % 32, v = (12 + y / 4) % 8;
      wrong += at(100 + x, 50 + y) != (texels[v * 32 + u] & 0xFFFFFF);
    }
  EXPECT_EQ(wrong, 0);
}

// A surface so far that z x zScale passes 2^24 stays behind a nearer one:
// its depth stops at the end of the range instead of wrapping to the top.
TEST(GsPicture, DepthsPastTheRangeStayBehind)
{
  MachineForTest(".");
  PS2ScreenInit();
  PS2DrawSetZScale(20000000.0f);  // a world scale of 2000
  ScreenVertex nearTri[3] = {sv(10, 10, 0.5f), sv(200, 10, 0.5f), sv(10, 200, 0.5f)};
  ScreenVertex farTri[3] = {sv(0, 0, 0.99f), sv(300, 0, 0.99f), sv(0, 250, 0.995f)};
  newFrame();
  PS2DrawTriangleBuffer(nearTri, 1, 255, 0, 0);
  PS2DrawTriangleBuffer(farTri, 1, 0, 255, 0);
  EXPECT_EQ(at(50, 50), 0x0000FFu);   // both cover it: the near one wins
  EXPECT_EQ(at(250, 20), 0x00FF00u);  // the far one alone is still drawn
}
