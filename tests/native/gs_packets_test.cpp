// The back end's wire format, word for word: what each operation hands to
// DMA channel 2 and which registers it writes directly.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "machine_regs.h"
#include "ps2draw.h"
#include "ps2drawtex.h"
#include "ps2screen.h"
#include "../render/rendertest.h"
#include "render.h"
#include "testkit.h"

namespace {

const uint64_t AD = 0x1000000000008000ull;  // A+D tag low word without NLOOP

uint64_t xyz(int x, int y, uint32_t z)
{
  return GsXYZ16(16 * x, 16 * y, z);
}

void startScreen(int region)
{
  MachineForTest(".", region);
  PS2ScreenInit();
  MachineRecord(1);
}

const std::vector<MachineTransferRec> &transfers()
{
  return MachineGetRecording()->transfers;
}

}  // namespace

TEST(GsPackets, ScreenInitResetsLaysOutMemoryAndSendsTheEnvironment)
{
  for (int region : {MACHINE_REGION_PAL, MACHINE_REGION_NTSC}) {
    MachineForTest(".", region);
    MachineRecord(1);
    PS2ScreenInit();
    MachineRecord(0);
    const MachineRecording *rec = MachineGetRecording();
    int pal = region == MACHINE_REGION_PAL;
    int h = pal ? 256 : 224;

    // The reset sequence, then the display registers, in order.
    std::vector<std::pair<int, uint64_t>> expected = {
      {D2_SADR, 0}, {D2_CHCR, 0}, {D2_TADR, 0}, {D2_MADR, 0}, {D2_ASR1, 0}, {D2_ASR0, 0},
      {D_STAT, 0xFF1F}, {D_STAT, 0}, {D_CTRL, 0}, {D_PCR, 0}, {D_SQWC, 0}, {D_RBOR, 0},
      {D_RBSR, 0}, {D_CTRL, 1}, {CSR, 0x200}, {PMODE, 0xFF66},
      // DISPLAY2: DX 656, DY 36, MAGH 4 (x5), DW 2559, DH 255 (PAL) or 223.
      {DISPLAY2, pal ? 0x000FF9FF02024290ull : 0x000DF9FF02024290ull}, {BGCOLOR, 0}};
    ASSERT_GE(rec->hwWrites.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
      EXPECT_EQ(rec->hwWrites[i].reg, expected[i].first) << i;
      EXPECT_EQ(rec->hwWrites[i].value, expected[i].second) << i;
    }

    // The environment is the first transfer: seven writes. FRAME_1 draws to
    // buffer B (FBP 64 for PAL, 56 for NTSC; FBW 8); SCISSOR_1 is 0..511 by
    // 0..255 or 0..223.
    ASSERT_FALSE(rec->transfers.empty());
    EXPECT_EQ(rec->transfers[0].words,
              GsPacketAD({{0x1A, 1}, {0x4E, 0}, {0x4C, pal ? 0x80040u : 0x80038u},
                        {0x18, 0x400000004000ull},
                        {0x40, pal ? 0x00FF000001FF0000ull : 0x00DF000001FF0000ull},
                        {0x47, 0x3000F}, {0x42, 0x44}}));

    const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
    const PS2VideoMode *mode = PS2ScreenGetVideoMode();
    EXPECT_EQ(mode->width, 512);
    EXPECT_EQ(mode->height, h);
    EXPECT_EQ(ram->zBuffer, 0);
    EXPECT_EQ(ram->frameBufferA, pal ? 524288 : 458752);
    EXPECT_EQ(ram->frameBufferB, pal ? 1048576 : 917504);
    EXPECT_EQ(ram->textureArea, pal ? 1572864 : 1376256);
    EXPECT_EQ(ram->allocPointer, pal ? 2097152 : 1835008);
    // Two blank frames: two flips, the second showing buffer A; drawing goes to B.
    EXPECT_EQ(MachineGetGsStats().flips, 2u);
    EXPECT_EQ(HwRead(DISPFB2), pal ? 0x1040u : 0x1038u);  // FBP of buffer A, FBW 8
    EXPECT_EQ(ram->swapFlag, 1);
  }
}

TEST(GsPackets, RefreshAlternatesTheBuffersAndWaitsForAFreshVerticalSync)
{
  startScreen(MACHINE_REGION_PAL);
  const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
  // PAL buffers: A at FBP 64, B at FBP 128, both 8 x 64 pixels wide. FRAME_1
  // holds FBW at bit 16, DISPFB2 at bit 9.
  const uint64_t frame[2] = {0x80040, 0x80080}, dispfb[2] = {0x1040, 0x1080};
  for (int i = 0; i < 4; i++) {
    int flag = ram->swapFlag;
    MachineRecord(1);
    PS2ScreenRefresh();
    const MachineRecording *rec = MachineGetRecording();
    int draw = flag ? 0 : 1;
    ASSERT_EQ(rec->transfers.size(), 1u);
    EXPECT_EQ(rec->transfers[0].words, GsPacketAD({{0x4C, frame[draw]}}));
    EXPECT_EQ(rec->hwWrites.back().reg, DISPFB2);
    EXPECT_EQ(rec->hwWrites.back().value, dispfb[1 - draw]);
    EXPECT_EQ(ram->swapFlag, flag ? 0 : 1);
  }

  // A vertical sync already pending does not end the wait: it is cleared first.
  HwRead(CSR);  // lets a field start, so VSINT is pending
  int fields = MachineGetFieldCount();
  MachineRecord(1);
  PS2ScreenWaitVBL();
  EXPECT_EQ(MachineGetFieldCount(), fields + 1);
  const MachineRecording *rec = MachineGetRecording();
  ASSERT_EQ(rec->hwWrites.size(), 1u);
  EXPECT_EQ(rec->hwWrites[0].reg, CSR);
  EXPECT_EQ(rec->hwWrites[0].value, (uint64_t)CSR_VSINT);
}

TEST(GsPackets, ClearFillPixelAndDepthSwitch)
{
  startScreen(MACHINE_REGION_NTSC);
  PS2DrawSetColor(0x12, 0x34, 0x56);
  PS2DrawClear();
  PS2DrawFillRect(-3, 7, 20, 30);
  PS2DrawSetPixel(5, -2);
  PS2DrawEnableZBuffer(1);
  PS2DrawEnableZBuffer(0);
  const auto &t = transfers();
  ASSERT_EQ(t.size(), 7u);
  uint64_t rgba = 0xFF563412;
  EXPECT_EQ(t[0].words, GsPacketAD({{0x47, 0x3000F}}));
  EXPECT_EQ(t[1].words, GsPacketAD({{0, 6}, {1, rgba}, {5, xyz(0, 0, 0)}, {5, xyz(513, 225, 0)}}));
  EXPECT_EQ(t[2].words, GsPacketAD({{0x47, 0x7000F}}));
  EXPECT_EQ(t[3].words, GsPacketAD({{0, 6}, {1, rgba}, {5, xyz(-3, 7, 0)}, {5, xyz(21, 31, 0)}}));
  EXPECT_EQ(t[4].words, GsPacketAD({{0, 0}, {1, rgba}, {5, xyz(5, -2, 0)}}));
  EXPECT_EQ(t[5].words, GsPacketAD({{0x47, 0x7000F}}));
  EXPECT_EQ(t[6].words, GsPacketAD({{0x47, 0x3000F}}));
}

TEST(GsPackets, FlatTrianglesConvertDepthAndSplitAtTheLoopLimit)
{
  startScreen(MACHINE_REGION_PAL);
  PS2DrawSetZScale(16777216.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Depths: product 0, negative, exactly 2^24 and +inf (both stop at 2^24 - 1,
  // Z = 1, instead of wrapping), NaN, 0.5; positions beyond 16 bits wrap.
  ScreenVertex v[6] = {sv(0, 0, 0.0f), sv(10, 0, -1.0f), sv(0, 10, 1.0f),
                       sv(70000, -70000, nan), sv(1, 2, inf), sv(INT32_MAX, 4, 0.5f)};
  PS2DrawTriangleBuffer(v, 2, 1, 2, 3);
  PS2DrawTriangleBuffer(v, 0, 1, 2, 3);
  PS2DrawTriangleBuffer(v, -4, 1, 2, 3);
  const auto &t = transfers();
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].words,
            GsPacketAD({{0, 3}, {1, 0x80030201}, {5, xyz(0, 0, 16777216)}, {5, xyz(10, 0, 16777216)},
                      {5, xyz(0, 10, 1)}, {5, xyz(70000, -70000, 16777216)},
                      {5, xyz(1, 2, 1)}, {5, xyz(-1, 4, 8388608)}}));  // 2^31 - 1 + 1024 keeps 0x3FF

  // 10,922 triangles: one full packet of 10,921 (NLOOP 32,765) and one of 1.
  std::vector<ScreenVertex> many(3 * 10922, sv(1, 1, 0));
  many.back() = sv(9, 9, 0);
  MachineRecord(1);
  PS2DrawTriangleBuffer(many.data(), 10922, 0, 0, 0);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].words[0], AD + 32765);
  EXPECT_EQ(t[0].words.size(), 2u * 32766);
  EXPECT_EQ(t[1].words, GsPacketAD({{0, 3}, {1, 0x80000000}, {5, xyz(1, 1, 16777216)},
                                  {5, xyz(1, 1, 16777216)}, {5, xyz(9, 9, 16777216)}}));
}

TEST(GsPackets, TexturedTrianglesUploadThenSendUvAndPosition)
{
  startScreen(MACHINE_REGION_PAL);
  PS2DrawSetZScale(1.0f);
  alignas(16) static uint32_t pixels[256 * 64];
  const float nan = std::numeric_limits<float>::quiet_NaN();
  ScreenVertex v[3] = {sv(1, 2, 0, 0.5f, 0.25f), sv(3, 4, 0, -0.5f, nan),
                       sv(5, 6, 0, 10.0f, 0.999f)};
  PS2DrawTriangleBufferWithTex(v, 1, 256, 64, pixels);
  const auto &t = transfers();
  ASSERT_EQ(t.size(), 5u);  // upload set-up, image tag, image data, flush, triangles
  // TEX0_1: TBP0 6144 (the texture area), TBW 8, PSMCT32, TW 8 and TH 6
  // (256 x 64), TCC 1, TFX 1 (decal).
  const uint64_t tex0 = 0xDA0021800ull;
  // U: 128, -128 and 2560 texels, shifted together by one period of the
  // 256-texel texture to 384, 128 and 2816, which keeps its low 10 bits (768).
  // V: 16, 0 (NaN) and 63, already in 0..63.
  EXPECT_EQ(t[4].words,
            GsPacketAD({{0x06, tex0}, {0, 0x113}, {3, 384 * 16 | 16 * 16 << 16},
                      {5, xyz(1, 2, 16777216)}, {3, 128 * 16}, {5, xyz(3, 4, 16777216)},
                      {3, 768 * 16 | 63 * 16 << 16}, {5, xyz(5, 6, 16777216)}}));

  // 5,461 textured triangles: packets of 5,460 (NLOOP 32,762) and 1, one upload.
  std::vector<ScreenVertex> many(3 * 5461, sv(0, 0, 0));
  MachineRecord(1);
  PS2DrawTriangleBufferWithTex(many.data(), 5461, 256, 64, pixels);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[4].words[0], AD + 32762);
  EXPECT_EQ(t[5].words[0], AD + 8);
  EXPECT_EQ(MachineGetRecording()->images.size(), 1u);
}

TEST(GsPackets, UploadChunks)
{
  struct Case {
    int w, h;
    std::vector<uint32_t> chunks;
  } cases[] = {{64, 32, {512}}, {256, 256, {16384}}, {512, 256, {16384, 16384}},
               {256, 320, {4096, 16384}}};
  static std::vector<uint32_t> store(512 * 320 + 4);
  uint32_t *pixels = (uint32_t *)(((uintptr_t)store.data() + 15) & ~(uintptr_t)15);
  for (int i = 0; i < 512 * 320; i++)
    pixels[i] = (uint32_t)i * 2654435761u;
  for (const Case &c : cases) {
    startScreen(MACHINE_REGION_PAL);
    PS2DrawTexUpload((uint16_t)c.w, (uint16_t)c.h, pixels);
    const auto &t = transfers();
    ASSERT_EQ(t.size(), 2 + 2 * c.chunks.size()) << c.w << "x" << c.h;
    EXPECT_EQ(t[0].words, GsPacketAD({{0x50, 0x0008180000000000ull},  // DBP 6144, DBW 8
                                    {0x51, 0},
                                    {0x52, (uint64_t)c.w | (uint64_t)c.h << 32},
                                    {0x53, 0}}));
    size_t offset = 0;  // in pixels
    for (size_t k = 0; k < c.chunks.size(); k++) {
      const auto &tag = t[1 + 2 * k].words;
      const auto &data = t[2 + 2 * k].words;
      // NLOOP, EOP, FLG 2 (image).
      EXPECT_EQ(tag, (std::vector<uint64_t>{c.chunks[k] | 0x0800000000008000ull, 0}));
      ASSERT_EQ(data.size(), 2u * c.chunks[k]);
      EXPECT_EQ(data.front(), (uint64_t)pixels[offset] | (uint64_t)pixels[offset + 1] << 32);
      offset += 4 * c.chunks[k];
      EXPECT_EQ(data.back() >> 32, pixels[offset - 1]);
    }
    EXPECT_EQ(t.back().words, GsPacketAD({{0x3F, 0x42}}));
    // The image lands row by row, 512 texels apart, from the texture area on.
    EXPECT_EQ(MachineReadGsPixel(1572864, 512, c.w - 1, c.h - 1), pixels[c.w * c.h - 1]);
    EXPECT_EQ(MachineReadGsPixel(1572864, 512, 1, 1), pixels[c.w + 1]);
  }
  EXPECT_EQ(PS2DrawTexGetWH(256), 8);
  EXPECT_EQ(PS2DrawTexGetWH(257), 9);
  EXPECT_EQ(PS2DrawTexGetWH(1), 0);
  EXPECT_EQ(PS2DrawTexGetWH(100), 7);
  EXPECT_EQ(PS2DrawTexGetWH(0), 16);
}

TEST(GsPackets, TexturesTheAreaCannotHoldAreRefusedAndDrawnFlat)
{
  startScreen(MACHINE_REGION_PAL);
  const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
  static std::vector<uint32_t> pixels(1024 * 1024, 0xFF204060u);
  ScreenVertex v[3] = {sv(0, 0, 0), sv(40, 0, 0), sv(0, 40, 0)};
  // Wider than 512; taller than the rest of memory; null pixels; empty.
  EXPECT_EQ(PS2DrawTexCheck(1024, 4, pixels.data()), PS2TEX_ERR_SIZE);
  EXPECT_EQ(PS2DrawTexCheck(512, 1281, pixels.data()), PS2TEX_ERR_SIZE);
  EXPECT_EQ(PS2DrawTexCheck(64, 64, nullptr), PS2TEX_ERR_NULL);
  EXPECT_EQ(PS2DrawTexCheck(0, 64, pixels.data()), PS2TEX_ERR_SIZE);
  EXPECT_EQ(PS2DrawTexCheck(512, 1024, pixels.data()), PS2TEX_OK);
  uint32_t before = MachineReadGsPixel(ram->frameBufferA, 512, 3, 0);
  PS2DrawTexUpload(1024, 4, pixels.data());
  PS2DrawTriangleBufferWithTex(v, 1, 1024, 4, pixels.data());
  const MachineRecording *rec = MachineGetRecording();
  EXPECT_TRUE(rec->images.empty());
  ASSERT_EQ(rec->transfers.size(), 1u);  // the flat draw alone, in the texture's colour
  EXPECT_EQ(rec->transfers[0].words[0], AD + 5);
  EXPECT_EQ(rec->transfers[0].words[4], 0x80204060u);  // R 0x60, G 0x40, B 0x20
  EXPECT_EQ(MachineReadGsPixel(ram->frameBufferA, 512, 3, 0), before);

  // A pixel count that is not a multiple of 4 goes whole, the last quadword padded.
  alignas(16) uint32_t small[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  MachineRecord(1);
  PS2DrawTexUpload(3, 3, small);
  EXPECT_EQ(rec->images.size(), 1u);
  EXPECT_EQ(rec->images[0].quadwords, 3u);
  for (int i = 0; i < 9; i++)
    EXPECT_EQ(MachineReadGsPixel(ram->textureArea, 512, i % 3, i / 3), small[i]);
  EXPECT_EQ(MachineReadGsPixel(ram->textureArea, 512, 3, 0), 0u);
}
