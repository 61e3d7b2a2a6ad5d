// The GS model drawing in bands on several threads must leave GS memory and
// the drawing counters exactly as drawing every primitive at once on one
// thread does: on busy mixed scenes, and on the layouts where bands would
// read or write each other's words (a frame drawn and then read as a texture,
// rows that overlap, one buffer drawn with two pitches, depth inside the
// frame).
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "machine_regs.h"
#include "testkit.h"

namespace {

enum { PRIM = 0x00, RGBAQ = 0x01, UV = 0x03, XYZ2 = 0x05, TEX0 = 0x06, XYOFFSET = 0x18,
       PRMODECONT = 0x1A, SCISSOR = 0x40, TEST = 0x47, FRAME_1 = 0x4C, ZBUF = 0x4E,
       BITBLTBUF = 0x50, TRXPOS = 0x51, TRXREG = 0x52, TRXDIR = 0x53 };

uint64_t at(int x, int y, uint32_t z = 0)
{
  return GsXYZ16(16 * x, 16 * y, z);
}

// Frame at page `framePage`, `width` x 64 pixels a row, scissor 0..sx x 0..sy,
// depth at page 64 unless `zPage` says otherwise.
void setUp(int framePage, int width, int sx, int sy, uint64_t test, int zPage = 64)
{
  GsWriteAD({{PRMODECONT, 1}, {FRAME_1, (uint64_t)framePage | (uint64_t)width << 16},
      {ZBUF, (uint64_t)zPage}, {XYOFFSET, 0x4000 | 0x4000ull << 32},
      {SCISSOR, (uint64_t)sx << 16 | (uint64_t)sy << 48}, {TEST, test}});
}

// A 16 x 16 texture at block `block` with alpha 0 on every seventh texel.
void uploadTexture(int block)
{
  GsWriteAD({{BITBLTBUF, (uint64_t)block << 32 | 1ull << 48}, {TRXPOS, 0}, {TRXREG, 16 | 16ull << 32},
      {TRXDIR, 0}});
  std::vector<uint64_t> image = {64 | 0x8000ull | 2ull << 58, 0};  // 64 quadwords
  for (uint32_t i = 0; i < 256; i += 2) {
    uint32_t a = i * 0x01030507u | (i % 7 ? 0x80000000u : 0);
    uint32_t b = (i + 1) * 0x01030507u | ((i + 1) % 7 ? 0x80000000u : 0);
    image.push_back((uint64_t)a | (uint64_t)b << 32);
  }
  GsSend(image);
}

// `count` primitives over a w x h area: flat and DECAL triangles, sprites and
// points, random depths, with the alpha test and the frame mask changing.
// `frame` is the FRAME register of the scene, without its mask.
void randomScene(std::mt19937 *rng, int count, int w, int h, int texBlock, uint64_t frame)
{
  std::uniform_int_distribution<int> px(-8, w + 8), py(-8, h + 8), size(1, 60), kind(0, 9);
  std::uniform_int_distribution<uint32_t> word;
  uint64_t tex0 = (uint64_t)texBlock | 1 << 14 | 4ull << 26 | 4ull << 30 | 1ull << 34 | 1ull << 35;
  GsWriteAD({{TEX0, tex0}});
  for (int i = 0; i < count; i++) {
    int k = kind(*rng), x = px(*rng), y = py(*rng), s = size(*rng);
    uint32_t color = word(*rng), z = word(*rng) >> 8;
    if (k == 0)
      GsWriteAD({{TEST, (word(*rng) & 1) ? 0x5000Fu : 0x70000u}});  // alpha NOTEQUAL 0 or not, GEQUAL/GREATER
    if (k == 1)
      GsWriteAD({{FRAME_1, (uint64_t)(word(*rng) & 1 ? 0x00FF00FFu : 0) << 32 | frame}});
    uint64_t prim = k <= 5 ? 3 : k <= 7 ? 0x113 : k == 8 ? 6 : 0;
    std::vector<std::pair<int, uint64_t>> p = {{PRIM, prim}, {RGBAQ, color}};
    int n = prim == 6 ? 2 : prim == 0 ? 1 : 3;
    for (int v = 0; v < n; v++) {
      p.push_back({UV, word(*rng) & 0x3FFF3FFF});
      p.push_back({XYZ2, at(x + (int)(word(*rng) % (2 * s + 1)) - s,
                            y + (int)(word(*rng) % (2 * s + 1)) - s, z + v * 4096)});
    }
    GsWriteAD(p);
  }
}

struct Result {
  std::vector<uint32_t> memory;  // the first 1.5 MiB of GS memory
  MachineGsStats stats;
};

// Runs `scene` on a fresh machine with `drawers` drawing threads.
Result run(int drawers, const std::function<void()> &scene)
{
  MachineForTest(".");
  MachineSetGsWorkers(drawers);
  scene();
  Result r;
  for (uint32_t i = 0; i < 3 * 131072; i++)
    r.memory.push_back(MachineReadGsWord(4 * i));
  r.stats = MachineGetGsStats();
  MachineSetGsWorkers(2);  // later tests draw in bands, as on a host of three cores or more
  return r;
}

// The scene drawn by 2 and 3 threads gives what one thread gives, and the
// scene did draw something.
void expectSameAsOneThread(const std::function<void()> &scene, const char *what)
{
  Result one = run(1, scene);
  ASSERT_GT(one.stats.pixels, 0u) << what;
  for (int drawers : {2, 3}) {
    Result many = run(drawers, scene);
    size_t differ = 0;
    for (size_t i = 0; i < one.memory.size(); i++)
      differ += one.memory[i] != many.memory[i];
    EXPECT_EQ(differ, 0u) << what << ", " << drawers << " threads";
    EXPECT_EQ(many.stats.pixels, one.stats.pixels) << what;
    EXPECT_EQ(many.stats.primitives, one.stats.primitives) << what;
  }
}

}  // namespace

TEST(GsBands, ManyThreadsDrawWhatOneDraws)
{
  // A 256 x 256 frame at page 0, depth at page 64, texture at block 8192.
  for (unsigned seed : {1u, 2u, 3u}) {
    expectSameAsOneThread(
        [seed] {
          std::mt19937 rng(seed);
          setUp(0, 4, 255, 255, 0x70000);
          uploadTexture(8192);
          setUp(0, 4, 255, 255, 0x70000);
          randomScene(&rng, 600, 256, 256, 8192, 4 << 16);
        },
        "random scene");
  }
  // A scissor smaller than the frame.
  expectSameAsOneThread(
      [] {
        std::mt19937 rng(9);
        setUp(0, 4, 100, 37, 0x30000);
        randomScene(&rng, 300, 256, 256, 8192, 4 << 16);
      },
      "small scissor");
}

TEST(GsBands, LayoutsWhereBandsWouldMeetAreDrawnInOrder)
{
  // A picture drawn into page 96 and, in the same batch, read as a texture.
  expectSameAsOneThread(
      [] {
        std::mt19937 rng(4);
        setUp(96, 1, 63, 63, 0x30000);
        randomScene(&rng, 200, 64, 64, 0, 96 | 1 << 16);
        setUp(0, 4, 255, 255, 0x30000);
        randomScene(&rng, 200, 256, 256, 96 * 32, 4 << 16);
      },
      "frame read back as a texture");
  // Rows that overlap: 64 pixels a row, scissor 128 wide.
  expectSameAsOneThread(
      [] {
        std::mt19937 rng(5);
        setUp(0, 1, 127, 127, 0x30000);
        randomScene(&rng, 300, 128, 128, 8192, 1 << 16);
      },
      "overlapping rows");
  // One buffer drawn 64 and 128 pixels a row by turns.
  expectSameAsOneThread(
      [] {
        std::mt19937 rng(6);
        for (int i = 0; i < 20; i++) {
          setUp(0, 1 + i % 2, 63, 63, 0x30000);
          randomScene(&rng, 20, 64, 64, 8192, (uint64_t)(1 + i % 2) << 16);
        }
      },
      "two pitches");
  // Depth buffer 8 rows into the frame, with the depth test on.
  expectSameAsOneThread(
      [] {
        std::mt19937 rng(7);
        setUp(0, 4, 255, 255, 0x50000, 1);
        randomScene(&rng, 300, 256, 256, 8192, 4 << 16);
      },
      "depth inside the frame");
}
