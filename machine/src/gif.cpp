// The GIF: unpacks GIF tags and their data into GS register writes and image data.
//
// A GIF tag (its layout is GifTAG) is followed by its data:
// PACKED: NLOOP x NREG quadwords, one per descriptor. REGLIST: NLOOP x NREG
// 64-bit values, two per quadword (an odd total leaves the last half as
// padding). IMAGE: NLOOP quadwords of pixel data for the current transfer.
// A tag with NLOOP 0 outputs nothing. The state survives the end of a DMA
// transfer: an IMAGE tag sent alone is followed by its data in the next one.
#include "gsregs.h"
#include "machine_internal.h"

#include <cstring>

// Unpacking state: written only by machineGifFeed and machineGifReset.
static struct {
  uint32_t loopsLeft;   // NLOOP still to unpack for the current tag; 0: next quadword is a tag
  uint32_t flg;
  uint32_t nreg;
  uint8_t regs[16];
  uint32_t regIndex;    // next descriptor within the current loop
  uint32_t q;           // internal Q (float bits), set by STQ, reset to 1.0 by every tag
} gif;

void machineGifReset(void)
{
  std::memset(&gif, 0, sizeof gif);
}

static void readTag(uint64_t low, uint64_t high)
{
  uint32_t nloop = (uint32_t)GsGet(low, GifTAG.NLOOP);
  gif.flg = (uint32_t)GsGet(low, GifTAG.FLG);
  if (gif.flg == GIF_FLG_IMAGE_ALIAS)
    gif.flg = GIF_FLG_IMAGE;
  gif.nreg = (uint32_t)GsGet(low, GifTAG.NREG);
  if (gif.nreg == 0)
    gif.nreg = 16;
  for (int i = 0; i < 16; i++)
    gif.regs[i] = (uint8_t)GifGetReg(high, i);
  gif.regIndex = 0;
  gif.loopsLeft = nloop;
  if (nloop == 0)
    return;  // nothing is output, every other field is ignored
  gif.q = 0x3F800000u;  // 1.0f
  if (gif.flg == GIF_FLG_PACKED && GsGet(low, GifTAG.PRE))
    machineGsWrite(GS_PRIM, GsGet(low, GifTAG.PRIM));
}

// PACKED XYZF2 and XYZ2: the register value, and which of the pair it goes to.
static void packedXYZF(uint64_t low, uint64_t high)
{
  uint64_t value = GsPack(GsXYZF2.X, GsGet(low, GifPackedXYZF2.X)) |
                   GsPack(GsXYZF2.Y, GsGet(low, GifPackedXYZF2.Y)) |
                   GsPack(GsXYZF2.Z, GsGet(high, GifPackedXYZF2.Z)) |
                   GsPack(GsXYZF2.F, GsGet(high, GifPackedXYZF2.F));
  machineGsWrite(GsGet(high, GifPackedXYZF2.ADC) ? GS_XYZF3 : GS_XYZF2, value);
}

static void packedXYZ(uint64_t low, uint64_t high)
{
  uint64_t value = GsPack(GsXYZ2.X, GsGet(low, GifPackedXYZ2.X)) |
                   GsPack(GsXYZ2.Y, GsGet(low, GifPackedXYZ2.Y)) |
                   GsPack(GsXYZ2.Z, GsGet(high, GifPackedXYZ2.Z));
  machineGsWrite(GsGet(high, GifPackedXYZ2.ADC) ? GS_XYZ3 : GS_XYZ2, value);
}

// PACKED RGBAQ: the colour, with the Q of the last STQ (or 1.0).
static void packedRGBAQ(uint64_t low, uint64_t high)
{
  machineGsWrite(GS_RGBAQ, GsPack(GsRGBAQ.R, GsGet(low, GifPackedRGBAQ.R)) |
                               GsPack(GsRGBAQ.G, GsGet(low, GifPackedRGBAQ.G)) |
                               GsPack(GsRGBAQ.B, GsGet(high, GifPackedRGBAQ.B)) |
                               GsPack(GsRGBAQ.A, GsGet(high, GifPackedRGBAQ.A)) |
                               GsPack(GsRGBAQ.Q, gif.q));
}

// One PACKED quadword for descriptor `desc`.
static void packedWrite(uint32_t desc, uint64_t low, uint64_t high)
{
  switch (desc) {
  case GIF_REG_PRIM:
    machineGsWrite(GS_PRIM, GsGet(low, GifPackedPRIM.PRIM));
    break;
  case GIF_REG_RGBAQ:
    packedRGBAQ(low, high);
    break;
  case GIF_REG_STQ:
    gif.q = (uint32_t)GsGet(high, GifPackedSTQ.Q);
    machineGsWrite(GS_ST, GsPack(GsST.S, GsGet(low, GifPackedSTQ.S)) |
                              GsPack(GsST.T, GsGet(low, GifPackedSTQ.T)));
    break;
  case GIF_REG_UV:
    machineGsWrite(GS_UV, GsPack(GsUV.U, GsGet(low, GifPackedUV.U)) |
                              GsPack(GsUV.V, GsGet(low, GifPackedUV.V)));
    break;
  case GIF_REG_XYZF2:
    packedXYZF(low, high);
    break;
  case GIF_REG_XYZ2:
    packedXYZ(low, high);
    break;
  case GIF_REG_FOG:
    machineGsWrite(GS_FOG, GsPack(GsFOG.F, GsGet(high, GifPackedFOG.F)));
    break;
  case GIF_REG_AD:
    machineGsWrite((int)GsGet(high, GifPackedAD.ADDR), GsGet(low, GifPackedAD.DATA));
    break;
  case GIF_REG_NOP:
    break;
  default:  // 6-9, B-D: the descriptor is the register address, the value is the low word
    machineGsWrite((int)desc, low);
    break;
  }
}

// Advances to the next descriptor; a completed loop counts NLOOP down.
static void nextRegister(void)
{
  if (++gif.regIndex >= gif.nreg) {
    gif.regIndex = 0;
    gif.loopsLeft--;
  }
}

static void dataQuadword(uint64_t low, uint64_t high)
{
  if (gif.flg == GIF_FLG_PACKED) {
    packedWrite(gif.regs[gif.regIndex], low, high);
    nextRegister();
  } else if (gif.flg == GIF_FLG_REGLIST) {
    machineGsWrite(gif.regs[gif.regIndex], low);
    nextRegister();
    if (gif.loopsLeft == 0)
      return;  // an odd count: the high half is padding
    machineGsWrite(gif.regs[gif.regIndex], high);
    nextRegister();
  }
}

void machineGifFeed(const uint64_t *words, uint32_t count)
{
  for (uint32_t i = 0; i < count; i++) {
    uint64_t low = words[2 * i], high = words[2 * i + 1];
    if (gif.loopsLeft == 0) {
      readTag(low, high);
    } else if (gif.flg == GIF_FLG_IMAGE) {
      // IMAGE data goes to the transfer as one run, up to the loop's end.
      uint32_t run = count - i < gif.loopsLeft ? count - i : gif.loopsLeft;
      machineGsImageData(&words[2 * i], run);
      gif.loopsLeft -= run;
      i += run - 1;
    } else {
      dataQuadword(low, high);
    }
  }
}
