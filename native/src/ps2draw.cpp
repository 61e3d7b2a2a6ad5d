// Primitive drawing: every operation builds one A+D packet from word 0 and
// sends it at once.
//
//   clear      TEST_1 = ALWAYS; the fill below over the whole surface; TEST_1 = GREATER
//   fill       PRIM 6 (sprite), RGBAQ (A 0xFF), XYZ2 (x1, y1), XYZ2 (x2 + 1, y2 + 1), Z 0
//   pixel      PRIM 0 (point), RGBAQ (A 0xFF), XYZ2 (x, y), Z 0
//   triangles  PRIM 3, RGBAQ (A 0x80), then XYZ2 per vertex
//   textured   TEX0_1, PRIM 3 with TME and FST, then UV and XYZ2 per vertex (after the upload)
#include "ps2draw.h"
#include "ps2drawtex.h"
#include "ps2packet.h"
#include "ps2screen.h"
#include "render.h"

#include <chrono>
#include <cstddef>

static PS2DrawStats drawStats;  // written by the triangle draws, read by diagnostics

// Current colour and depth scale: set by the callers, read by every operation.
static uint8_t colorR, colorG, colorB;
static float zScale;

void PS2DrawSetZScale(float scale)
{
  zScale = scale;
}

void PS2DrawSetColor(uint8_t r, uint8_t g, uint8_t b)
{
  colorR = r;
  colorG = g;
  colorB = b;
}

// XYZ2: X and Y in 12.4 fixed point with the offset added (in 16 bits), and Z.
static uint64_t screenXYZ(int32_t x, int32_t y, uint32_t z)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  // NOTE: unsigned sums, so any 32-bit x or y wraps into 16 bits without overflow.
  uint16_t gx = (uint16_t)((uint16_t)((uint32_t)x + mode->offsetX) * 16);
  uint16_t gy = (uint16_t)((uint16_t)((uint32_t)y + mode->offsetY) * 16);
  return GsPack(GsXYZ2.X, gx) | GsPack(GsXYZ2.Y, gy) | GsPack(GsXYZ2.Z, z);
}

// RGBAQ with Q 0: nothing here is textured through ST and Q.
static uint64_t rgbaRegister(uint8_t r, uint8_t g, uint8_t b, uint8_t alpha)
{
  return GsPack(GsRGBAQ.R, r) | GsPack(GsRGBAQ.G, g) | GsPack(GsRGBAQ.B, b) |
         GsPack(GsRGBAQ.A, alpha);
}

void PS2DrawEnableZBuffer(int enable)
{
  PacketBeginAD(1);
  PacketAddAD(enable ? GS_TEST_ZGREATER : GS_TEST_ZALWAYS, GS_TEST_1);
  GifSend();
}

void PS2DrawClear(void)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  PS2DrawEnableZBuffer(0);
  PS2DrawFillRect(0, 0, (int16_t)mode->width, (int16_t)mode->height);
  PS2DrawEnableZBuffer(1);
}

void PS2DrawFillRect(int16_t x1, int16_t y1, int16_t x2, int16_t y2)
{
  PacketBeginAD(4);
  PacketAddAD(GsPack(GsPRIM.PRIM, GS_PRIM_SPRITE), GS_PRIM);
  PacketAddAD(rgbaRegister(colorR, colorG, colorB, 0xFF), GS_RGBAQ);
  PacketAddAD(screenXYZ(x1, y1, 0), GS_XYZ2);
  PacketAddAD(screenXYZ(x2 + 1, y2 + 1, 0), GS_XYZ2);
  GifSend();
}

// GS depth of a vertex: d = z x zScale truncated to an unsigned integer
// (negative and NaN give 0), then Z = 16,777,216 - d, so that a nearer vertex
// (smaller z) never gets a smaller Z and the GREATER test keeps it. d stops
// at 2^24 - 1: beyond it Z would wrap round to the top of its range and the
// farthest surfaces would hide the nearest; stopped, they share Z = 1, still
// above the cleared depth buffer's 0.
uint32_t PS2DrawDepthOf(float z)
{
  float d = z * zScale;
  uint32_t depth;
  if (!(d >= 0.0f))
    depth = 0;
  else if (d >= 16777215.0f)
    depth = 16777215u;
  else
    depth = (uint32_t)d;
  return 16777216u - depth;
}

// Whole texels of a texture coordinate t over `size` texels: trunc(size x t),
// the product in single precision from the size read as a signed 16-bit
// number; NaN gives 0 and the count stops at +-2^30.
int32_t PS2DrawTexelOf(uint16_t size, float t)
{
  float p = (float)(int16_t)size * t;
  if (!(p == p))
    return 0;
  if (p >= 1073741824.0f)
    return 1 << 30;
  if (p <= -1073741824.0f)
    return -(1 << 30);
  return (int32_t)p;
}

// The UV register values of one triangle. UV.U and UV.V keep 10 bits of
// whole texels above 4 fraction bits, and the GS repeats the texture
// (CLAMP_1 is 0: REPEAT), taking a texel coordinate modulo its period 2^TW
// (2^TH), a power of two of at most 1024. So the triangle's three values are
// shifted together by the multiple of the period that brings the smallest
// into 0 .. period - 1, then each keeps its low 14 bits: the texels are the
// same, none is negative, and a triangle spanning less than 1024 minus the
// period interpolates between the values it really spans rather than across
// the field's wrap (shifting by multiples of 1024 would put the wrap inside
// every triangle whose coordinates straddle one of them, 0 included).
static int64_t floorToPeriod(int64_t t, int64_t period)
{
  return (t >= 0 ? t / period : -((period - 1 - t) / period)) * period;
}

static void shiftAndWrap(int64_t *t, uint16_t size)
{
  int exponent = PS2DrawTexGetWH(size);
  int64_t period = (int64_t)1 << (exponent < 10 ? exponent : 10);
  int64_t low = t[0] < t[1] ? (t[0] < t[2] ? t[0] : t[2]) : (t[1] < t[2] ? t[1] : t[2]);
  int64_t shift = floorToPeriod(low, period);
  for (int k = 0; k < 3; k++)
    t[k] = (t[k] - shift) * 16;  // packing keeps the field's low 14 bits
}

void PS2DrawTriangleUV(const ScreenVertex *tri, uint16_t texWidth, uint16_t texHeight,
                       uint64_t uv[3])
{
  int64_t u[3], v[3];
  for (int k = 0; k < 3; k++) {
    u[k] = PS2DrawTexelOf(texWidth, tri[k].u);
    v[k] = PS2DrawTexelOf(texHeight, tri[k].v);
  }
  shiftAndWrap(u, texWidth);
  shiftAndWrap(v, texHeight);
  for (int k = 0; k < 3; k++)
    uv[k] = GsPack(GsUV.U, (uint64_t)u[k]) | GsPack(GsUV.V, (uint64_t)v[k]);
}

void PS2DrawSetPixel(int16_t x, int16_t y)
{
  PacketBeginAD(3);
  PacketAddAD(GsPack(GsPRIM.PRIM, GS_PRIM_POINT), GS_PRIM);
  PacketAddAD(rgbaRegister(colorR, colorG, colorB, 0xFF), GS_RGBAQ);
  PacketAddAD(screenXYZ(x, y, 0), GS_XYZ2);
  GifSend();
}

// NLOOP is 15 bits: a flat packet carries 3n + 2 writes, a textured one 6n + 2.
enum { FLAT_TRIANGLES_PER_PACKET = 10921, TEX_TRIANGLES_PER_PACKET = 5460 };

static void sendFlatTriangles(const ScreenVertex *records, int count, uint64_t rgba)
{
  int n = 3 * count;
  PacketBeginAD(n + 2);
  PacketAddAD(GsPack(GsPRIM.PRIM, GS_PRIM_TRIANGLE), GS_PRIM);
  PacketAddAD(rgba, GS_RGBAQ);
  for (int i = 0; i < n; i++)
    PacketAddAD(screenXYZ(records[i].x, records[i].y, PS2DrawDepthOf(records[i].z)), GS_XYZ2);
  GifSend();
}

static void drawFlat(const ScreenVertex *records, int count, uint8_t r, uint8_t g, uint8_t b)
{
  if (count <= 0 || !records)
    return;
  uint64_t rgba = rgbaRegister(r, g, b, 0x80);
  // More triangles than one packet can carry go in several packets.
  for (int done = 0; done < count; done += FLAT_TRIANGLES_PER_PACKET) {
    int part = count - done < FLAT_TRIANGLES_PER_PACKET ? count - done : FLAT_TRIANGLES_PER_PACKET;
    sendFlatTriangles(records + 3 * done, part, rgba);
  }
}

static void sendTexTriangles(const ScreenVertex *records, int count, uint16_t texWidth,
                             uint16_t texHeight)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
  // The uploaded texture, its texels' RGBA as they are (DECAL with TCC).
  uint64_t tex0 = GsPack(GsTEX0.TBP0, (uint64_t)(ram->textureArea / GS_BLOCK_BYTES)) |
                  GsPack(GsTEX0.TBW, mode->width / GS_WIDTH_UNIT) |
                  GsPack(GsTEX0.PSM, GS_PSMCT32) | GsPack(GsTEX0.TW, PS2DrawTexGetWH(texWidth)) |
                  GsPack(GsTEX0.TH, PS2DrawTexGetWH(texHeight)) | GsPack(GsTEX0.TCC, 1) |
                  GsPack(GsTEX0.TFX, GS_TFX_DECAL);
  uint64_t prim = GsPack(GsPRIM.PRIM, GS_PRIM_TRIANGLE) | GsPack(GsPRIM.TME, 1) |
                  GsPack(GsPRIM.FST, 1);
  int n = 3 * count;
  PacketBeginAD(2 * n + 2);
  PacketAddAD(tex0, GS_TEX0_1);
  PacketAddAD(prim, GS_PRIM);
  for (int i = 0; i < n; i += 3) {
    uint64_t uv[3];
    PS2DrawTriangleUV(&records[i], texWidth, texHeight, uv);
    for (int k = 0; k < 3; k++) {
      const ScreenVertex *v = &records[i + k];
      PacketAddAD(uv[k], GS_UV);
      PacketAddAD(screenXYZ(v->x, v->y, PS2DrawDepthOf(v->z)), GS_XYZ2);
    }
  }
  GifSend();
}

// The flat colour of a texture the GS cannot take: the mean of up to 16 x 16
// sampled texels that are not transparent. Returns 0 when all samples are.
static int meanColor(uint16_t texWidth, uint16_t texHeight, const void *pixels, uint8_t rgb[3])
{
  const uint8_t *p = (const uint8_t *)pixels;
  uint32_t sum[3] = {0, 0, 0}, samples = 0;
  for (int j = 0; j < 16; j++) {
    for (int i = 0; i < 16; i++) {
      size_t x = (size_t)texWidth * (size_t)(2 * i + 1) / 32;
      size_t y = (size_t)texHeight * (size_t)(2 * j + 1) / 32;
      const uint8_t *texel = p + (y * texWidth + x) * 4;
      if (texel[3] == 0)
        continue;
      for (int c = 0; c < 3; c++)
        sum[c] += texel[c];
      samples++;
    }
  }
  for (int c = 0; c < 3 && samples; c++)
    rgb[c] = (uint8_t)(sum[c] / samples);
  return samples > 0;
}

static void drawTextured(const ScreenVertex *records, int count, uint16_t texWidth,
                         uint16_t texHeight, const void *pixels)
{
  if (count <= 0 || !records)
    return;
  int32_t fits = PS2DrawTexCheck(texWidth, texHeight, pixels);
  if (fits != PS2TEX_OK) {
    // The texture would not fit the texture area: draw the surface flat instead.
    uint8_t rgb[3];
    if (fits == PS2TEX_ERR_SIZE && texWidth && texHeight && meanColor(texWidth, texHeight, pixels, rgb))
      drawFlat(records, count, rgb[0], rgb[1], rgb[2]);
    return;
  }
  PS2DrawTexUpload(texWidth, texHeight, pixels);
  drawStats.uploads++;
  for (int done = 0; done < count; done += TEX_TRIANGLES_PER_PACKET) {
    int part = count - done < TEX_TRIANGLES_PER_PACKET ? count - done : TEX_TRIANGLES_PER_PACKET;
    sendTexTriangles(records + 3 * done, part, texWidth, texHeight);
  }
}

// Counters and time of the triangle draws, for diagnostics and benchmarks.
static int64_t nanosSince(std::chrono::steady_clock::time_point start)
{
  auto elapsed = std::chrono::steady_clock::now() - start;
  return (int64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
}

void PS2DrawTriangleBuffer(const ScreenVertex *records, int count, uint8_t r, uint8_t g, uint8_t b)
{
  auto start = std::chrono::steady_clock::now();
  drawFlat(records, count, r, g, b);
  drawStats.triangles += count > 0 ? count : 0;
  drawStats.nanos += nanosSince(start);
}

void PS2DrawTriangleBufferWithTex(const ScreenVertex *records, int count, uint16_t texWidth,
                                  uint16_t texHeight, const void *pixels)
{
  auto start = std::chrono::steady_clock::now();
  drawTextured(records, count, texWidth, texHeight, pixels);
  drawStats.triangles += count > 0 ? count : 0;
  drawStats.nanos += nanosSince(start);
}

const PS2DrawStats *PS2DrawGetStats(void)
{
  return &drawStats;
}
