// The Graphics Synthesizer: general registers, the vertex queue, host-to-local
// image transfers and 4 MiB of local memory.
//
// Buffers are stored linearly (row-major, pitch = width field x 64 pixels, at
// byte base = page or block address x its unit), and every word index is taken
// modulo the size of local memory, so no register value can reach outside it.
// The program reads and writes every buffer with the same base, width and
// 32-bit format, so the picture is the one the hardware's swizzled layout gives.
#include "gsdraw.h"
#include "gsregs.h"
#include "machine_internal.h"

#include <cmath>
#include <cstring>

// Local memory and registers: written by GIF writes, image data and drawing;
// read by drawing, the display and the inspection calls.
uint32_t gsMem[GS_MEM_WORDS];
MachineGsStats gsStats;
int gsDrawingOff;
static uint64_t gsReg[GS_REG_ADDRESSES];
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
  uint32_t dbp = (uint32_t)GsGet(blt, GsBITBLTBUF.DBP), dbw = (uint32_t)GsGet(blt, GsBITBLTBUF.DBW);
  trx.active = 1;
  trx.base = dbp * (GS_BLOCK_BYTES / 4);
  trx.pitch = dbw * GS_WIDTH_UNIT;
  trx.x0 = (uint32_t)GsGet(pos, GsTRXPOS.DSAX);
  trx.x = trx.x0;
  trx.y = (uint32_t)GsGet(pos, GsTRXPOS.DSAY);
  trx.width = (uint32_t)GsGet(reg, GsTRXREG.RRW);
  trx.pixelsLeft = trx.width * GsGet(reg, GsTRXREG.RRH);
  trx.record = nullptr;
  if (MachineRecording *rec = machineRecorder()) {
    rec->images.push_back(
        {dbp, dbw, trx.x0, trx.y, trx.width, (uint32_t)GsGet(reg, GsTRXREG.RRH), 0});
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

// The stream's 32-bit halves in memory order are the pixels in order.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "image data is read as 32-bit pixels");

void machineGsImageData(const uint64_t *words, uint32_t quadwords)
{
  gsQueueSync();
  if (MachineRecording *rec = machineRecorder())
    if (trx.record && !rec->images.empty())
      rec->images.back().quadwords += quadwords;
  const unsigned char *source = reinterpret_cast<const unsigned char *>(words);
  uint32_t pixels = 4 * quadwords;
  while (pixels > 0) {
    // Mostly the pixels run along a row, in order in memory: copy the
    // longest such stretch at once; a row wrapping at 2048 or at the end of
    // memory goes a pixel at a time.
    uint32_t first = (trx.base + (trx.y & 2047) * trx.pitch + (trx.x & 2047)) & GS_MEM_MASK;
    uint32_t n = trx.x0 + trx.width - trx.x;
    n = n < pixels ? n : pixels;
    n = n < trx.pixelsLeft ? n : trx.pixelsLeft;
    if (trx.active && n > 1 && (trx.x & 2047) + n <= 2048 && first + n <= GS_MEM_WORDS) {
      std::memcpy(&gsMem[first], source, (size_t)n * 4);
      trx.pixelsLeft -= n;
      if ((trx.x += n) >= trx.x0 + trx.width) {
        trx.x = trx.x0;
        trx.y++;
      }
    } else {
      uint32_t word;
      std::memcpy(&word, source, 4);
      imagePixel(word);
      n = 1;
    }
    source += (size_t)n * 4;
    pixels -= n;
  }
}

// The context registers of the primitive: context 2 sits one address above context 1.
static uint64_t ctxReg(int address)
{
  return gsReg[address + (int)GsGet(prim, GsPRIM.CTXT)];
}

static void decodeTexture(GsDrawEnv *e)
{
  uint64_t tex0 = ctxReg(GS_TEX0_1), clamp = ctxReg(GS_CLAMP_1);
  e->texBase = (uint32_t)GsGet(tex0, GsTEX0.TBP0) * (GS_BLOCK_BYTES / 4);
  e->texPitch = (uint32_t)GsGet(tex0, GsTEX0.TBW) * GS_WIDTH_UNIT;
  // Textures are at most 1024 texels a side; larger TW and TH are taken as 10.
  e->TW = (int)GsGet(tex0, GsTEX0.TW) > 10 ? 10 : (int)GsGet(tex0, GsTEX0.TW);
  e->TH = (int)GsGet(tex0, GsTEX0.TH) > 10 ? 10 : (int)GsGet(tex0, GsTEX0.TH);
  e->TCC = (int)GsGet(tex0, GsTEX0.TCC);
  e->TFX = (int)GsGet(tex0, GsTEX0.TFX);
  e->WMS = (int)GsGet(clamp, GsCLAMP.WMS);
  e->WMT = (int)GsGet(clamp, GsCLAMP.WMT);
  e->MINU = (uint32_t)GsGet(clamp, GsCLAMP.MINU);
  e->MAXU = (uint32_t)GsGet(clamp, GsCLAMP.MAXU);
  e->MINV = (uint32_t)GsGet(clamp, GsCLAMP.MINV);
  e->MAXV = (uint32_t)GsGet(clamp, GsCLAMP.MAXV);
}

static void decodeEnv(GsDrawEnv *e)
{
  uint64_t frame = ctxReg(GS_FRAME_1), zbuf = ctxReg(GS_ZBUF_1);
  uint64_t test = ctxReg(GS_TEST_1), sc = ctxReg(GS_SCISSOR_1);
  e->fbBase = (uint32_t)GsGet(frame, GsFRAME.FBP) * (GS_PAGE_BYTES / 4);
  e->pitch = (uint32_t)GsGet(frame, GsFRAME.FBW) * GS_WIDTH_UNIT;
  e->FBMSK = (uint32_t)GsGet(frame, GsFRAME.FBMSK);
  e->zBase = (uint32_t)GsGet(zbuf, GsZBUF.ZBP) * (GS_PAGE_BYTES / 4);
  // PSMZ32 keeps 32 bits, PSMZ24 24, PSMZ16 and PSMZ16S 16; larger depths are clamped.
  uint64_t zpsm = GsGet(zbuf, GsZBUF.PSM);
  e->zMax = zpsm == GS_PSMZ32 ? 0xFFFFFFFFu : zpsm == GS_PSMZ24 ? 0xFFFFFFu : 0xFFFFu;
  e->ZTE = (int)GsGet(test, GsTEST.ZTE);
  e->ZTST = (int)GsGet(test, GsTEST.ZTST);
  e->zWrite = e->ZTE && !GsGet(zbuf, GsZBUF.ZMSK);
  e->ATE = (int)GsGet(test, GsTEST.ATE);
  e->ATST = (int)GsGet(test, GsTEST.ATST);
  e->AREF = (uint32_t)GsGet(test, GsTEST.AREF);
  e->AFAIL = (int)GsGet(test, GsTEST.AFAIL);
  e->SCAX0 = (int)GsGet(sc, GsSCISSOR.SCAX0);
  e->SCAX1 = (int)GsGet(sc, GsSCISSOR.SCAX1);
  e->SCAY0 = (int)GsGet(sc, GsSCISSOR.SCAY0);
  e->SCAY1 = (int)GsGet(sc, GsSCISSOR.SCAY1);
  e->TME = (int)GsGet(prim, GsPRIM.TME);
  if (e->TME)
    decodeTexture(e);
}

// PRIM's attribute bits, IIP to FIX, which PRMODE holds at the same places.
static const uint64_t PRIM_ATTRIBUTES =
    GsPack(GsPRIM.IIP, 1) | GsPack(GsPRIM.TME, 1) | GsPack(GsPRIM.FGE, 1) | GsPack(GsPRIM.ABE, 1) |
    GsPack(GsPRIM.AA1, 1) | GsPack(GsPRIM.FST, 1) | GsPack(GsPRIM.CTXT, 1) | GsPack(GsPRIM.FIX, 1);

// The primitive a PRIM write sets: with PRMODECONT.AC = 1 all of it; with
// AC = 0 only its type, the attributes coming from PRMODE.
static uint32_t primInForce(uint64_t value)
{
  uint64_t attributes = GsGet(gsReg[GS_PRMODECONT], GsPRMODECONT.AC) ? value : gsReg[GS_PRMODE];
  uint64_t type = GsPack(GsPRIM.PRIM, GsGet(value, GsPRIM.PRIM));
  return (uint32_t)(type | (attributes & PRIM_ATTRIBUTES));
}

// Latches the current colour, texture coordinates and the new position.
static GsVertex latchVertex(uint64_t xyz, int withFog)
{
  uint64_t offset = ctxReg(GS_XYOFFSET_1);
  GsVertex v;
  v.x = (int32_t)GsGet(xyz, GsXYZ2.X) - (int32_t)GsGet(offset, GsXYOFFSET.OFX);
  v.y = (int32_t)GsGet(xyz, GsXYZ2.Y) - (int32_t)GsGet(offset, GsXYOFFSET.OFY);
  v.z = (uint32_t)(withFog ? GsGet(xyz, GsXYZF2.Z) : GsGet(xyz, GsXYZ2.Z));
  v.rgba = (uint32_t)gsReg[GS_RGBAQ];  // R, G, B and A: laid out as a pixel is
  if (GsGet(prim, GsPRIM.FST)) {
    v.u = (uint32_t)GsGet(gsReg[GS_UV], GsUV.U);
    v.v = (uint32_t)GsGet(gsReg[GS_UV], GsUV.V);
  } else {
    // ST/Q, reduced to texel coordinates at the vertex (no perspective
    // correction across the primitive; the program always sends UV).
    uint32_t sBits = (uint32_t)GsGet(gsReg[GS_ST], GsST.S);
    uint32_t tBits = (uint32_t)GsGet(gsReg[GS_ST], GsST.T);
    uint32_t qBits = (uint32_t)GsGet(gsReg[GS_RGBAQ], GsRGBAQ.Q);
    float s, t, q;
    std::memcpy(&s, &sBits, 4);
    std::memcpy(&t, &tBits, 4);
    std::memcpy(&q, &qBits, 4);
    uint64_t tex0 = ctxReg(GS_TEX0_1);
    double us = q != 0 ? (double)s / q * (1 << GsGet(tex0, GsTEX0.TW)) * 16 : 0;
    double vt = q != 0 ? (double)t / q * (1 << GsGet(tex0, GsTEX0.TH)) * 16 : 0;
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
  int type = (int)GsGet(prim, GsPRIM.PRIM);
  int kind = type == GS_PRIM_POINT ? GS_KIND_POINT : type == GS_PRIM_SPRITE ? GS_KIND_SPRITE
                                                                      : GS_KIND_TRIANGLE;
  gsQueueDraw(&env, fresh, kind, a, b, c);  // adds the pixels it covers to gsStats
  gsStats.primitives++;
}

// One vertex into the queue; `kick` draws when it completes a primitive.
// Lines (1, 2) are not drawn by this model: the program never sends them.
static void vertexKick(uint64_t xyz, int withFog, int kick)
{
  GsVertex v = latchVertex(xyz, withFog);
  uint32_t type = (uint32_t)GsGet(prim, GsPRIM.PRIM);
  int line = type == GS_PRIM_LINE || type == GS_PRIM_LINESTRIP;
  int needed = type == GS_PRIM_POINT ? 1 : type == GS_PRIM_SPRITE || line ? 2 : 3;
  if (type == GS_PRIM_RESERVED)
    return;
  if (queued == needed) {  // strips and fans keep vertices; make room
    if (type == GS_PRIM_TRIFAN)
      queue[1] = queue[2];
    else
      queue[0] = queue[1], queue[1] = queue[2];
    queued--;
  }
  queue[queued++] = v;
  if (queued < needed)
    return;
  if (kick && !line)
    drawQueued(&queue[0], &queue[1], &queue[2]);
  if (type != GS_PRIM_TRISTRIP && type != GS_PRIM_TRIFAN && type != GS_PRIM_LINESTRIP)
    queued = 0;
}

void machineGsWrite(int address, uint64_t value)
{
  address &= GS_REG_ADDRESSES - 1;
  if (MachineRecording *rec = machineRecorder())
    rec->gsWrites.push_back({address, value});
  switch (address) {
  case GS_PRIM:
    gsReg[address] = value;
    prim = primInForce(value);
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

uint32_t MachineReadGsWord(uint32_t byteAddress)
{
  gsQueueSync();
  return gsMem[(byteAddress >> 2) & GS_MEM_MASK];
}

uint32_t MachineReadGsPixel(uint32_t base, int width, int x, int y)
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
