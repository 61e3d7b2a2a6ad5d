// The Graphics Synthesizer: general registers, the vertex queue, host-to-local
// image transfers and 4 MiB of local memory.
//
// Buffers are stored linearly (row-major, pitch = width field x 64 pixels, at
// byte base = page or block address x its unit), and every word index is taken
// modulo the size of local memory, so no register value can reach outside it.
// The program reads and writes every buffer with the same base, width and
// 32-bit format, so the picture is the one the hardware's swizzled layout gives.
#include "gs_draw.h"
#include "machine_internal.h"

#include <cmath>
#include <cstring>

// GS register addresses with a meaning to the model.
enum {
  GS_PRIM = 0x00, GS_RGBAQ = 0x01, GS_ST = 0x02, GS_UV = 0x03, GS_XYZF2 = 0x04, GS_XYZ2 = 0x05,
  GS_TEX0_1 = 0x06, GS_CLAMP_1 = 0x08, GS_XYZF3 = 0x0C, GS_XYZ3 = 0x0D, GS_XYOFFSET_1 = 0x18,
  GS_PRMODECONT = 0x1A, GS_PRMODE = 0x1B, GS_SCISSOR_1 = 0x40, GS_TEST_1 = 0x47,
  GS_FRAME_1 = 0x4C, GS_ZBUF_1 = 0x4E, GS_BITBLTBUF = 0x50, GS_TRXPOS = 0x51, GS_TRXREG = 0x52,
  GS_TRXDIR = 0x53, GS_HWREG = 0x54, GS_REG_COUNT = 0x80
};
enum { PRIM_POINT = 0, PRIM_TRIANGLE = 3, PRIM_TRISTRIP = 4, PRIM_TRIFAN = 5, PRIM_SPRITE = 6 };

// Local memory and registers: written by GIF writes, image data and drawing;
// read by drawing, the display and the inspection calls.
uint32_t gsMem[GS_MEM_WORDS];
MachineGsStats gsStats;
int gsDrawingOff;
static uint64_t gsReg[GS_REG_COUNT];
static uint32_t prim;            // PRIM in force (after PRMODECONT)
static GsVertex queue[3];        // vertices waiting for their primitive
static GsDrawEnv env;            // decoded drawing registers, valid unless envDirty
static int envDirty = 1;
static int queued;

// The host-to-local transfer in progress, started by TRXDIR = 0.
static struct {
  int active;
  uint32_t base, pitch, x0, width;   // destination: base word, pitch, DSAX, RRW
  uint32_t x, y;                     // next pixel, in buffer coordinates
  uint64_t pixelsLeft;
  MachineImageRec *record;
} trx;

static uint64_t field(uint64_t value, int shift, int bits)
{
  return value >> shift & ((1ull << bits) - 1);
}

void machineGsReset(void)
{
  gsQueueSync();
  std::memset(gsMem, 0, sizeof gsMem);
  std::memset(gsReg, 0, sizeof gsReg);
  std::memset(&trx, 0, sizeof trx);
  std::memset(&gsStats, 0, sizeof gsStats);
  prim = 0;
  queued = 0;
  envDirty = 1;
  machineGifReset();
}

static void startTransfer(void)
{
  gsQueueSync();  // the transfer may overwrite what queued primitives read
  uint64_t blt = gsReg[GS_BITBLTBUF], pos = gsReg[GS_TRXPOS], reg = gsReg[GS_TRXREG];
  trx.active = 1;
  trx.base = (uint32_t)field(blt, 32, 14) * 64;
  trx.pitch = (uint32_t)field(blt, 48, 6) * 64;
  trx.x0 = (uint32_t)field(pos, 32, 11);
  trx.x = trx.x0;
  trx.y = (uint32_t)field(pos, 48, 11);
  trx.width = (uint32_t)field(reg, 0, 12);
  trx.pixelsLeft = trx.width * field(reg, 32, 12);
  trx.record = nullptr;
  if (MachineRecording *rec = machineRecorder()) {
    rec->images.push_back({(uint32_t)field(blt, 32, 14), (uint32_t)field(blt, 48, 6), trx.x0,
                           trx.y, trx.width, (uint32_t)field(reg, 32, 12), 0});
    trx.record = &rec->images.back();
  }
}

static void imagePixel(uint32_t word)
{
  if (!trx.active || trx.pixelsLeft == 0)
    return;  // data beyond the rectangle is discarded
  gsMem[(trx.base + (trx.y & 2047) * trx.pitch + (trx.x & 2047)) & GS_MEM_MASK] = word;
  trx.pixelsLeft--;
  if (++trx.x >= trx.x0 + trx.width) {
    trx.x = trx.x0;
    trx.y++;
  }
}

void machineGsImageData(uint64_t low, uint64_t high)
{
  gsQueueSync();
  if (MachineRecording *rec = machineRecorder())
    if (trx.record && !rec->images.empty())
      rec->images.back().quadwords++;
  uint32_t words[4] = {(uint32_t)low, (uint32_t)(low >> 32), (uint32_t)high,
                       (uint32_t)(high >> 32)};
  // Mostly the four pixels lie on one row, in order in memory: store them at once.
  uint32_t first = (trx.base + (trx.y & 2047) * trx.pitch + (trx.x & 2047)) & GS_MEM_MASK;
  if (trx.active && trx.pixelsLeft >= 4 && trx.x + 4 <= trx.x0 + trx.width &&
      (trx.x & 2047) <= 2047 - 3 && first <= GS_MEM_MASK - 3) {
    std::memcpy(&gsMem[first], words, sizeof words);
    trx.pixelsLeft -= 4;
    if ((trx.x += 4) >= trx.x0 + trx.width) {
      trx.x = trx.x0;
      trx.y++;
    }
    return;
  }
  for (uint32_t word : words)
    imagePixel(word);
}

// The context registers of the primitive: context 2 sits one address above context 1.
static uint64_t ctxReg(int address)
{
  return gsReg[address + (int)(prim >> 9 & 1)];
}

static void decodeTexture(GsDrawEnv *e)
{
  uint64_t tex0 = ctxReg(GS_TEX0_1), clamp = ctxReg(GS_CLAMP_1);
  e->texBase = (uint32_t)field(tex0, 0, 14) * 64;
  e->texPitch = (uint32_t)field(tex0, 14, 6) * 64;
  e->texLogW = (int)field(tex0, 26, 4) > 10 ? 10 : (int)field(tex0, 26, 4);
  e->texLogH = (int)field(tex0, 30, 4) > 10 ? 10 : (int)field(tex0, 30, 4);
  e->texAlpha = (int)field(tex0, 34, 1);
  e->texFunction = (int)field(tex0, 35, 2);
  e->wrapS = (int)field(clamp, 0, 2);
  e->wrapT = (int)field(clamp, 2, 2);
  e->minU = (uint32_t)field(clamp, 4, 10);
  e->maxU = (uint32_t)field(clamp, 14, 10);
  e->minV = (uint32_t)field(clamp, 24, 10);
  e->maxV = (uint32_t)field(clamp, 34, 10);
}

static void decodeEnv(GsDrawEnv *e)
{
  uint64_t frame = ctxReg(GS_FRAME_1), zbuf = ctxReg(GS_ZBUF_1);
  uint64_t test = ctxReg(GS_TEST_1), sc = ctxReg(GS_SCISSOR_1);
  e->fbBase = (uint32_t)field(frame, 0, 9) * 2048;
  e->pitch = (uint32_t)field(frame, 16, 6) * 64;
  e->fbMask = (uint32_t)(frame >> 32);
  e->zBase = (uint32_t)field(zbuf, 0, 9) * 2048;
  // PSMZ32 keeps 32 bits, PSMZ24 24, PSMZ16 and PSMZ16S 16; larger depths are clamped.
  uint32_t zpsm = (uint32_t)field(zbuf, 24, 4);
  e->zMax = zpsm == 0 ? 0xFFFFFFFFu : zpsm == 1 ? 0xFFFFFFu : 0xFFFFu;
  e->zTest = (int)field(test, 16, 1);
  e->zMethod = (int)field(test, 17, 2);
  e->zWrite = e->zTest && !field(zbuf, 32, 1);
  e->alphaTest = (int)field(test, 0, 1);
  e->alphaMethod = (int)field(test, 1, 3);
  e->alphaRef = (uint32_t)field(test, 4, 8);
  e->alphaFail = (int)field(test, 12, 2);
  e->scissorX0 = (int)field(sc, 0, 11);
  e->scissorX1 = (int)field(sc, 16, 11);
  e->scissorY0 = (int)field(sc, 32, 11);
  e->scissorY1 = (int)field(sc, 48, 11);
  e->textured = (int)(prim >> 4 & 1);
  if (e->textured)
    decodeTexture(e);
}

// Latches the current colour, texture coordinates and the new position.
static GsVertex latchVertex(uint64_t xyz, int withFog)
{
  uint64_t offset = ctxReg(GS_XYOFFSET_1);
  GsVertex v;
  v.x = (int32_t)field(xyz, 0, 16) - (int32_t)field(offset, 0, 16);
  v.y = (int32_t)field(xyz, 16, 16) - (int32_t)field(offset, 32, 16);
  v.z = withFog ? (uint32_t)field(xyz, 32, 24) : (uint32_t)(xyz >> 32);
  v.rgba = (uint32_t)gsReg[GS_RGBAQ];
  if (prim >> 8 & 1) {  // FST: UV
    v.u = (uint32_t)field(gsReg[GS_UV], 0, 14);
    v.v = (uint32_t)field(gsReg[GS_UV], 16, 14);
  } else {
    // ST/Q, reduced to texel coordinates at the vertex (no perspective
    // correction across the primitive; the program always sends UV).
    uint32_t sBits = (uint32_t)gsReg[GS_ST], tBits = (uint32_t)(gsReg[GS_ST] >> 32);
    uint32_t qBits = (uint32_t)(gsReg[GS_RGBAQ] >> 32);
    float s, t, q;
    std::memcpy(&s, &sBits, 4);
    std::memcpy(&t, &tBits, 4);
    std::memcpy(&q, &qBits, 4);
    uint64_t tex0 = ctxReg(GS_TEX0_1);
    double us = q != 0 ? (double)s / q * (1 << field(tex0, 26, 4)) * 16 : 0;
    double vt = q != 0 ? (double)t / q * (1 << field(tex0, 30, 4)) * 16 : 0;
    v.u = std::isfinite(us) && us > 0 ? (uint32_t)(us < 16383 ? us : 16383) : 0;
    v.v = std::isfinite(vt) && vt > 0 ? (uint32_t)(vt < 16383 ? vt : 16383) : 0;
  }
  return v;
}

static void drawQueued(const GsVertex *a, const GsVertex *b, const GsVertex *c)
{
  if (gsDrawingOff)
    return;
  int fresh = envDirty;
  if (envDirty) {
    decodeEnv(&env);
    envDirty = 0;
  }
  int type = prim & 7;
  int kind = type == PRIM_POINT ? GS_KIND_POINT : type == PRIM_SPRITE ? GS_KIND_SPRITE
                                                                      : GS_KIND_TRIANGLE;
  gsQueueDraw(&env, fresh, kind, a, b, c);  // adds the pixels it covers to gsStats
  gsStats.primitives++;
}

// One vertex into the queue; `kick` draws when it completes a primitive.
// Lines (1, 2) are not drawn by this model: the program never sends them.
static void vertexKick(uint64_t xyz, int withFog, int kick)
{
  GsVertex v = latchVertex(xyz, withFog);
  uint32_t type = prim & 7;
  int needed = type == PRIM_POINT ? 1 : type == PRIM_SPRITE || type == 1 || type == 2 ? 2 : 3;
  if (type == 7)
    return;  // reserved
  if (queued == needed) {  // strips and fans keep vertices; make room
    if (type == PRIM_TRIFAN)
      queue[1] = queue[2];
    else
      queue[0] = queue[1], queue[1] = queue[2];
    queued--;
  }
  queue[queued++] = v;
  if (queued < needed)
    return;
  if (kick && type != 1 && type != 2)
    drawQueued(&queue[0], &queue[1], &queue[2]);
  if (type != PRIM_TRISTRIP && type != PRIM_TRIFAN && type != 2)
    queued = 0;
}

void machineGsWrite(int address, uint64_t value)
{
  address &= 0x7F;
  if (MachineRecording *rec = machineRecorder())
    rec->gsWrites.push_back({address, value});
  switch (address) {
  case GS_PRIM:
    gsReg[address] = value;
    // PRMODECONT AC = 1: PRIM's attribute bits count; 0: they come from PRMODE.
    prim = (gsReg[GS_PRMODECONT] & 1) ? (uint32_t)(value & 0x7FF)
                                      : (uint32_t)((value & 7) | (gsReg[GS_PRMODE] & 0x7F8));
    queued = 0;
    envDirty = 1;
    break;
  case GS_XYZ2:
  case GS_XYZF2:
  case GS_XYZ3:
  case GS_XYZF3:
    gsReg[address] = value;
    vertexKick(value, address == GS_XYZF2 || address == GS_XYZF3,
               address == GS_XYZ2 || address == GS_XYZF2);
    break;
  case GS_TRXDIR:
    gsReg[address] = value;
    trx.active = 0;
    if ((value & 3) == 0)
      startTransfer();
    break;
  case GS_HWREG:
    gsQueueSync();
    imagePixel((uint32_t)value);
    imagePixel((uint32_t)(value >> 32));
    break;
  case GS_RGBAQ:
  case GS_ST:
  case GS_UV:
    gsReg[address] = value;  // per-vertex values: the environment stays decoded
    break;
  default:
    gsReg[address] = value;
    envDirty = 1;
    break;
  }
}

uint32_t MachineGsWord(uint32_t byteAddress)
{
  gsQueueSync();
  return gsMem[(byteAddress >> 2) & GS_MEM_MASK];
}

uint32_t MachineGsPixel(uint32_t base, int width, int x, int y)
{
  gsQueueSync();
  uint32_t index = (base >> 2) + (uint32_t)y * (uint32_t)width + (uint32_t)x;
  return gsMem[index & GS_MEM_MASK];
}

MachineGsStats MachineGetGsStats(void)
{
  gsQueueSync();
  return gsStats;
}
