// The GS model's picture: coverage rules, depth and alpha tests, texturing,
// scissor, masks, image transfers and the displayed buffer, on cases whose
// result on the hardware is known.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "machine_regs.h"
#include "testkit.h"

namespace {

// Frame at page 0, 64 pixels wide; depth at page 64; texture at block 4096.
const uint32_t FRAME = 0, ZBASE = 64 * 8192, TEXBASE = 4096 * 256;
enum { PRIM = 0x00, RGBAQ = 0x01, UV = 0x03, XYZ2 = 0x05, XYZ3 = 0x0D, TEX0 = 0x06,
       XYOFFSET = 0x18, PRMODECONT = 0x1A, SCISSOR = 0x40, TEST = 0x47, FRAME_1 = 0x4C,
       ZBUF = 0x4E, BITBLTBUF = 0x50, TRXPOS = 0x51, TRXREG = 0x52, TRXDIR = 0x53 };

// Window coordinates in pixels, rounded to 1/16 pixel, and a depth.
uint64_t at(double x, double y, uint32_t z = 0)
{
  return GsXYZ16((int)std::lround(x * 16), (int)std::lround(y * 16), z);
}

// A 64 x 64 frame, scissor over all of it, depth test ALWAYS, alpha test off.
void setUp(uint64_t test = 0x30000)
{
  MachineForTest(".");
  GsWriteAD({{PRMODECONT, 1}, {FRAME_1, FRAME / 8192 | 1 << 16}, {ZBUF, ZBASE / 8192},
      {XYOFFSET, 0x4000 | 0x4000ull << 32}, {SCISSOR, 63ull << 16 | 63ull << 48}, {TEST, test}});
}

uint32_t pixel(int x, int y)
{
  return MachineReadGsPixel(FRAME, 64, x, y);
}
uint32_t depth(int x, int y)
{
  return MachineReadGsPixel(ZBASE, 64, x, y);
}

// The pixels of the 64 x 64 frame that are not 0.
std::vector<std::pair<int, int>> drawn()
{
  std::vector<std::pair<int, int>> out;
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++)
      if (pixel(x, y))
        out.push_back({x, y});
  return out;
}

void triangle(double x0, double y0, double x1, double y1, double x2, double y2, uint32_t color = 0xFF)
{
  GsWriteAD({{PRIM, 3}, {RGBAQ, color}, {XYZ2, at(x0, y0)}, {XYZ2, at(x1, y1)}, {XYZ2, at(x2, y2)}});
}

void sprite(double x0, double y0, double x1, double y1, uint32_t color = 0xFF, uint32_t z = 0)
{
  GsWriteAD({{PRIM, 6}, {RGBAQ, color}, {XYZ2, at(x0, y0, z)}, {XYZ2, at(x1, y1, z)}});
}

using Pixels = std::vector<std::pair<int, int>>;

// Reference coverage, written from the row/column rule rather than edge
// functions: rows ceil(ymin) <= y < ceil(ymax); on row y the pixels
// ceil(xl) <= x < ceil(xr), xl and xr where the row meets the outline.
Pixels referenceTriangle(const int v[3][2])
{
  Pixels out;
  int ymin = std::min({v[0][1], v[1][1], v[2][1]}), ymax = std::max({v[0][1], v[1][1], v[2][1]});
  for (int y = (int)std::ceil(ymin / 16.0); y < (int)std::ceil(ymax / 16.0); y++) {
    double xl = 1e9, xr = -1e9;
    for (int e = 0; e < 3; e++) {
      const int *p = v[e], *q = v[(e + 1) % 3];
      if (p[1] == q[1] || 16 * y < std::min(p[1], q[1]) || 16 * y > std::max(p[1], q[1]))
        continue;
      double x = (p[0] + (double)(16 * y - p[1]) * (q[0] - p[0]) / (q[1] - p[1])) / 16.0;
      xl = std::min(xl, x);
      xr = std::max(xr, x);
    }
    for (int x = (int)std::ceil(xl); x < (int)std::ceil(xr); x++)
      if (x >= 0 && x < 64 && y >= 0 && y < 64)
        out.push_back({x, y});
  }
  std::sort(out.begin(), out.end(), [](auto a, auto b) { return a.second != b.second ? a.second < b.second : a.first < b.first; });
  return out;
}

}  // namespace

TEST(GsRaster, TriangleCoverageFollowsTheFillRule)
{
  setUp();
  triangle(0, 0, 4, 0, 0, 4);  // 10 pixels, hypotenuse excluded
  EXPECT_EQ(drawn(), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1},
                             {0, 2}, {1, 2}, {0, 3}}));
  setUp();
  triangle(0, 0, 0, 4, 4, 0);  // the other winding, the same pixels
  EXPECT_EQ(drawn().size(), 10u);
  setUp();
  triangle(0.5, 0.5, 3.5, 0.5, 0.5, 3.5);  // only the pixels strictly inside
  EXPECT_EQ(drawn(), (Pixels{{1, 1}, {2, 1}, {1, 2}}));
  setUp();
  triangle(1, 1, 5, 2, 2, 6);  // the top vertex is not drawn
  EXPECT_EQ(drawn(), (Pixels{{2, 2}, {3, 2}, {4, 2}, {2, 3}, {3, 3}, {4, 3}, {2, 4}, {3, 4}, {2, 5}}));
  setUp();
  triangle(1, 1, 5, 5, 9, 9);  // degenerate: nothing
  EXPECT_TRUE(drawn().empty());

  // Random triangles in 1/16 pixel against the row/column rule.
  std::mt19937 rng(8);
  std::uniform_int_distribution<int> coord(-64, 1100);
  for (int n = 0; n < 300; n++) {
    int v[3][2];
    for (auto &p : v)
      p[0] = coord(rng), p[1] = coord(rng);
    setUp();
    GsWriteAD({{PRIM, 3}, {RGBAQ, 0xFF}, {XYZ2, GsXYZ16(v[0][0], v[0][1])}, {XYZ2, GsXYZ16(v[1][0], v[1][1])},
        {XYZ2, GsXYZ16(v[2][0], v[2][1])}});
    ASSERT_EQ(drawn(), referenceTriangle(v)) << n;
  }
}

TEST(GsRaster, TrianglesSharingEdgesCoverTheirUnionOnce)
{
  setUp();
  triangle(0, 0, 4, 0, 4, 4, 0x01);  // the diagonal belongs to the first
  triangle(0, 0, 4, 4, 0, 4, 0x02);
  EXPECT_EQ(drawn().size(), 16u);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(pixel(i, i), 0x01u);

  // A jittered 8 x 8 grid over (0,0)-(48,48), two triangles per cell: every
  // pixel of the square is covered, and the covered counts add up to exactly
  // its area, so none is covered twice. Corners move at most 20/16 pixel on
  // each axis, less than a quarter of the 6-pixel cell, so every cell stays
  // convex and its two triangles cannot overlap. The grid is the same with
  // every standard library: the generator's raw numbers are fixed by the
  // language, where a distribution's are not.
  std::mt19937 rng(3);
  auto jitter = [](std::mt19937 &g) { return (int)(g() % 41) - 20; };
  int gx[9][9], gy[9][9];
  for (int j = 0; j <= 8; j++)
    for (int i = 0; i <= 8; i++) {
      int inner = i > 0 && i < 8 && j > 0 && j < 8;
      gx[j][i] = i * 96 + (inner || j == 0 || j == 8 ? (i > 0 && i < 8 ? jitter(rng) : 0) : 0);
      gy[j][i] = j * 96 + (inner || i == 0 || i == 8 ? (j > 0 && j < 8 ? jitter(rng) : 0) : 0);
    }
  setUp();
  uint64_t before = MachineGetGsStats().pixels;
  for (int j = 0; j < 8; j++)
    for (int i = 0; i < 8; i++) {
      auto p = [&](int a, int b) { return GsXYZ16(gx[j + b][i + a], gy[j + b][i + a]); };
      GsWriteAD({{PRIM, 3}, {RGBAQ, 0xFF}, {XYZ2, p(0, 0)}, {XYZ2, p(1, 0)}, {XYZ2, p(1, 1)}});
      GsWriteAD({{PRIM, 3}, {RGBAQ, 0xFF}, {XYZ2, p(0, 0)}, {XYZ2, p(1, 1)}, {XYZ2, p(0, 1)}});
    }
  EXPECT_EQ(drawn().size(), 48u * 48u);
  EXPECT_EQ(MachineGetGsStats().pixels - before, 48u * 48u);
}

TEST(GsRaster, SpritesPointsScissorAndFlatColour)
{
  setUp();
  sprite(0, 0, 1, 1);  // the end corner is exclusive
  EXPECT_EQ(drawn(), (Pixels{{0, 0}}));
  setUp();
  sprite(0, 0, 31, 31);  // 31 x 31
  EXPECT_EQ(drawn().size(), 961u);
  setUp();
  sprite(3, 3, 1, 1);  // corners in the other order
  EXPECT_EQ(drawn(), (Pixels{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));
  setUp();
  sprite(0.5, 0.5, 2.5, 2.5);
  EXPECT_EQ(drawn(), (Pixels{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));
  setUp();
  GsWriteAD({{SCISSOR, 3ull << 16 | 3ull << 48}});
  sprite(0, 0, 100, 100);  // the scissor is inclusive: 4 x 4
  EXPECT_EQ(drawn().size(), 16u);
  setUp();
  GsWriteAD({{PRIM, 0}, {RGBAQ, 0x77}, {XYZ2, at(5, 7)}});  // a point covers its own pixel
  EXPECT_EQ(drawn(), (Pixels{{5, 7}}));
  setUp();
  GsWriteAD({{PRIM, 3}, {RGBAQ, 0x0000FF}, {XYZ2, at(0, 0)}, {RGBAQ, 0x00FF00}, {XYZ2, at(8, 0)},
      {RGBAQ, 0xFF0000}, {XYZ2, at(0, 8)}});  // the kicking vertex's colour
  EXPECT_EQ(pixel(1, 1), 0xFF0000u);
  setUp();  // a strip: the fourth vertex's colour paints the second triangle
  GsWriteAD({{PRIM, 4}, {RGBAQ, 1}, {XYZ2, at(0, 0)}, {XYZ2, at(8, 0)}, {RGBAQ, 2}, {XYZ2, at(0, 8)},
      {RGBAQ, 3}, {XYZ2, at(8, 8)}, {RGBAQ, 4}, {XYZ3, at(20, 20)}});
  EXPECT_EQ(pixel(1, 1), 2u);
  EXPECT_EQ(pixel(6, 6), 3u);
  // Coordinates far outside wrap in 16 bits and are clipped, never stored outside.
  setUp();
  GsWriteAD({{SCISSOR, 2047ull << 16 | 2047ull << 48}});
  sprite(-1024, -1024, 3071, 3071);
  EXPECT_EQ(drawn().size(), 64u * 64u);
  EXPECT_EQ(MachineGetGsStats().pixels, 2048u * 2048u);
}

TEST(GsRaster, DepthTestAndMasks)
{
  setUp(0x50000);  // ZTE, GEQUAL
  sprite(0, 0, 4, 4, 0x11, 100);
  sprite(0, 0, 4, 4, 0x22, 50);
  EXPECT_EQ(pixel(1, 1), 0x11u);
  EXPECT_EQ(depth(1, 1), 100u);
  sprite(0, 0, 4, 4, 0x33, 100);
  EXPECT_EQ(pixel(1, 1), 0x33u);
  GsWriteAD({{TEST, 0x70000}});  // GREATER: an equal depth fails
  sprite(0, 0, 4, 4, 0x44, 100);
  EXPECT_EQ(pixel(1, 1), 0x33u);
  GsWriteAD({{TEST, 0x10000}});  // NEVER: nothing at all
  sprite(0, 0, 4, 4, 0x55, 500);
  EXPECT_EQ(pixel(1, 1), 0x33u);
  EXPECT_EQ(depth(1, 1), 100u);

  // A sloped triangle: depth from the plane through its vertices.
  setUp(0x30000);
  GsWriteAD({{PRIM, 3}, {RGBAQ, 1}, {XYZ2, at(0, 0, 0)}, {XYZ2, at(16, 0, 1600)}, {XYZ2, at(0, 16, 0)}});
  EXPECT_EQ(depth(5, 2), 500u);
  // ZMSK keeps the depth buffer; FBMSK keeps the masked frame bits.
  GsWriteAD({{ZBUF, ZBASE / 8192 | 1ull << 32}, {FRAME_1, 1 << 16 | 0xFF000000ull << 32}});
  GsWriteAD({{RGBAQ, 0xAABBCCDD}});
  sprite(20, 20, 21, 21, 0xAABBCCDD);
  GsWriteAD({{FRAME_1, 1 << 16}});
  sprite(30, 30, 31, 31, 0xAABBCCDD, 7);
  GsWriteAD({{FRAME_1, 1 << 16 | 0xFF000000ull << 32}});
  sprite(30, 30, 31, 31, 0x11223344, 9);
  EXPECT_EQ(pixel(30, 30), 0xAA223344u);
  EXPECT_EQ(depth(30, 30), 0u);
}

// A 4 x 4 texture with distinct texels and alpha 0 on the diagonal.
void uploadTexture(uint32_t texels[16])
{
  for (int i = 0; i < 16; i++)
    texels[i] = (uint32_t)(i + 1) * 0x010203u | (i % 5 == 0 ? 0u : 0x80000000u);
  GsWriteAD({{BITBLTBUF, (uint64_t)(TEXBASE / 256) << 32 | 1ull << 48}, {TRXPOS, 0},
      {TRXREG, 4 | 4ull << 32}, {TRXDIR, 0}});
  std::vector<uint64_t> image = {4 | 0x8000ull | 2ull << 58, 0};
  for (int i = 0; i < 16; i += 2)
    image.push_back((uint64_t)texels[i] | (uint64_t)texels[i + 1] << 32);
  GsSend(image);
}

TEST(GsRaster, TexturesDecalRepeatAndAlphaTest)
{
  setUp();
  uint32_t tex[16];
  uploadTexture(tex);
  uint64_t tex0 = TEXBASE / 256 | 1 << 14 | 2ull << 26 | 2ull << 30 | 1ull << 34 | 1ull << 35;
  // Sprite (0,0)-(8,8), UV (0,0)-(8,8): texel (x & 3, y & 3), alpha included.
  GsWriteAD({{TEX0, tex0}, {PRIM, 0x116}, {RGBAQ, 0x7F7F7F7F}, {UV, 0}, {XYZ2, at(0, 0)},
      {UV, 128 | 128 << 16}, {XYZ2, at(8, 8)}});
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++)
      ASSERT_EQ(pixel(x, y), tex[(y & 3) * 4 + (x & 3)]) << x << "," << y;
  // UV (0.5,0.5)-(4.5,4.5) on a 4 x 4 sprite: texel (x, y).
  setUp();
  uploadTexture(tex);
  GsWriteAD({{TEX0, tex0}, {PRIM, 0x116}, {UV, 8 | 8 << 16}, {XYZ2, at(10, 10)},
      {UV, 72 | 72 << 16}, {XYZ2, at(14, 14)}});
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++)
      ASSERT_EQ(pixel(10 + x, 10 + y), tex[y * 4 + x]);
  // Alpha test NOTEQUAL 0, KEEP: the alpha-0 texels leave frame and depth.
  setUp(0x3000F | 0x50000);
  uploadTexture(tex);
  sprite(0, 0, 4, 4, 0xFF123456, 5);
  GsWriteAD({{TEX0, tex0}, {PRIM, 0x113}, {UV, 0}, {XYZ2, at(0, 0, 9)}, {UV, 64}, {XYZ2, at(4, 0, 9)},
      {UV, 64 << 16}, {XYZ2, at(0, 4, 9)}, {UV, 64 | 64 << 16}, {XYZ2, at(4, 4, 9)}});
  GsWriteAD({{PRIM, 0x113}, {UV, 64}, {XYZ2, at(4, 0, 9)}, {UV, 64 | 64 << 16}, {XYZ2, at(4, 4, 9)},
      {UV, 64 << 16}, {XYZ2, at(0, 4, 9)}});
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++) {
      int transparent = (y * 4 + x) % 5 == 0;
      EXPECT_EQ(pixel(x, y), transparent ? 0xFF123456u : tex[y * 4 + x]) << x << "," << y;
      EXPECT_EQ(depth(x, y), transparent ? 5u : 9u);
    }
}

// MODULATE: each colour channel is texel x vertex / 0x80, clamped at 255;
// alpha is multiplied the same way when the texture has alpha (TCC 1) and is
// the vertex alpha itself when it has none (TCC 0). Squaring the vertex alpha
// there turned 0x40 into 0x20.
TEST(GsRaster, TexturesModulateWithAndWithoutTextureAlpha)
{
  const uint32_t vertex = 0x40FF8040;  // A 0x40, B 0xFF, G 0x80, R 0x40
  for (int tcc = 0; tcc < 2; tcc++) {
    setUp();
    uint32_t tex[16];
    uploadTexture(tex);
    uint64_t tex0 = TEXBASE / 256 | 1 << 14 | 2ull << 26 | 2ull << 30 | (uint64_t)tcc << 34;
    GsWriteAD({{TEX0, tex0}, {PRIM, 0x116}, {RGBAQ, vertex}, {UV, 0}, {XYZ2, at(0, 0)},
        {UV, 64 | 64 << 16}, {XYZ2, at(4, 4)}});
    // Texel 1 is 0x80020406 (R 6, G 4, B 2, alpha 0x80), worked by hand:
    // R 0x40 x 6 / 0x80 = 3, G 0x80 x 4 / 0x80 = 4, B 0xFF x 2 / 0x80 = 3.
    EXPECT_EQ(pixel(1, 0), 0x40030403u) << "TCC " << tcc;
    // Texel 0 has alpha 0: with TCC 1 that gives 0, with TCC 0 the vertex's.
    EXPECT_EQ(pixel(0, 0) >> 24, tcc ? 0u : 0x40u);
    // Texel 14 is 0x800F1E2D: R 0x40 x 0x2D / 0x80 = 0x16 (22.5 cut),
    // G 0x1E, B 0xFF x 0x0F / 0x80 = 0x1D (29.9 cut); alpha 0x80 x 0x40.
    EXPECT_EQ(pixel(2, 3), 0x401D1E16u) << "TCC " << tcc;
  }
  // DECAL with TCC 0: the texel's colour and the vertex alpha.
  setUp();
  uint32_t tex[16];
  uploadTexture(tex);
  uint64_t decal = TEXBASE / 256 | 1 << 14 | 2ull << 26 | 2ull << 30 | 1ull << 35;
  GsWriteAD({{TEX0, decal}, {PRIM, 0x116}, {RGBAQ, vertex}, {UV, 0}, {XYZ2, at(0, 0)},
      {UV, 64 | 64 << 16}, {XYZ2, at(4, 4)}});
  EXPECT_EQ(pixel(0, 0), 0x40010203u);
  EXPECT_EQ(pixel(1, 0), 0x40020406u);
}

TEST(GsRaster, ImageTransfersAndTheDisplayedBuffer)
{
  setUp();
  // A 2 x 2 transfer at (1, 2) of a 64-wide buffer.
  GsWriteAD({{BITBLTBUF, 1ull << 48}, {TRXPOS, 1ull << 32 | 2ull << 48}, {TRXREG, 2 | 2ull << 32},
      {TRXDIR, 0}});
  std::vector<uint64_t> image = {1 | 0x8000ull | 2ull << 58, 0, 0xB0000000A0ull, 0xD0000000C0ull,
                                 1 | 0x8000ull | 2ull << 58, 0, 0xEEEEEEEEull, 0};
  GsSend(image);
  EXPECT_EQ(pixel(1, 2), 0xA0u);
  EXPECT_EQ(pixel(2, 2), 0xB0u);
  EXPECT_EQ(pixel(1, 3), 0xC0u);
  EXPECT_EQ(pixel(2, 3), 0xD0u);
  EXPECT_EQ(pixel(1, 4), 0u);  // data beyond the rectangle is dropped
  // The channel ends with STR clear, QWC 0, MADR past the data.
  EXPECT_EQ(HwRead(D2_CHCR) & 0x100, 0u);
  EXPECT_EQ(HwRead(D2_QWC), 0u);
  EXPECT_EQ(HwRead(D2_MADR), (uint64_t)(uintptr_t)image.data() + 64);

  // 512 x 224 from rows 224.. of a 512-wide buffer at page 0.
  HwWrite(PMODE, 0xFF66);
  HwWrite(DISPLAY2, 2559ull << 32 | 223ull << 44 | 4 << 23);
  HwWrite(DISPFB2, 8 << 9 | 224ull << 43);
  GsWriteAD({{FRAME_1, 8 << 16}, {SCISSOR, 511ull << 16 | 511ull << 48}});
  sprite(7, 230, 8, 231, 0x00ABCDEF);
  std::vector<uint32_t> picture;
  int w = 0, h = 0;
  ASSERT_EQ(MachineGetDisplayPicture(&picture, &w, &h), 0);
  EXPECT_EQ(w, 512);
  EXPECT_EQ(h, 224);
  EXPECT_EQ(picture[6 * 512 + 7], 0xABCDEFu);
  EXPECT_EQ(std::count(picture.begin(), picture.end(), 0u), 512 * 224 - 1);
  HwWrite(PMODE, 0);  // circuit 2 off: the background colour
  HwWrite(BGCOLOR, 0x0000FF);
  MachineGetDisplayPicture(&picture, &w, &h);
  EXPECT_EQ(picture[6 * 512 + 7], 0xFFu);
}

TEST(GsRaster, PackedDescriptorsRegisterListsAndPrimFromTheTag)
{
  setUp();
  auto xy = [](int x, int y) { return (uint64_t)(16384 + 16 * x) | (uint64_t)(16384 + 16 * y) << 32; };
  // PACKED, PRE with PRIM = sprite, descriptors RGBA, XYZ2, XYZ2.
  std::vector<uint64_t> words = {1 | 0x8000ull | 1ull << 46 | 6ull << 47 | 3ull << 60, 0x551,
                                 0x11 | 0x22ull << 32, 0x33 | 0xFFull << 32,
                                 xy(2, 3), 0, xy(4, 5), 0};
  // REGLIST, points: three XYZ2 values in two quadwords, the last half padding;
  // then an A+D packet that must be read as a new tag.
  std::vector<uint64_t> reglist = {0x1000000000008001ull, 0xE, 0, 0x00,
                                   3 | 0x8000ull | 1ull << 58 | 1ull << 60, 0x5,
                                   at(10, 10), at(11, 10), at(12, 10), 0xDEADBEEF,
                                   0x1000000000008001ull, 0xE, at(13, 10), 0x05};
  for (auto *w : {&words, &reglist}) {
    GsSend(*w);
  }
  EXPECT_EQ(drawn(), (Pixels{{2, 3}, {3, 3}, {2, 4}, {3, 4}, {10, 10}, {11, 10}, {12, 10}, {13, 10}}));
  EXPECT_EQ(pixel(3, 4), 0xFF332211u);
  EXPECT_EQ(pixel(13, 10), 0xFF332211u);
}
