// The GIF: unpacks GIF tags and their data into GS register writes and image data.
//
// GIF tag (one quadword):
//   bits 0-14 NLOOP, 15 EOP, 46 PRE, 47-57 PRIM, 58-59 FLG (0 PACKED,
//   1 REGLIST, 2 and 3 IMAGE), 60-63 NREG (0 means 16), 64-127 sixteen
//   4-bit register descriptors, the lowest nibble first.
// PACKED: NLOOP x NREG quadwords, one per descriptor. REGLIST: NLOOP x NREG
// 64-bit values, two per quadword (an odd total leaves the last half as
// padding). IMAGE: NLOOP quadwords of pixel data for the current transfer.
// A tag with NLOOP 0 outputs nothing. The state survives the end of a DMA
// transfer: an IMAGE tag sent alone is followed by its data in the next one.
#include "machine_internal.h"

#include <cstring>

enum { FLG_PACKED = 0, FLG_REGLIST = 1 };

// PACKED register descriptors.
enum {
  DESC_PRIM = 0x0, DESC_RGBA = 0x1, DESC_STQ = 0x2, DESC_UV = 0x3, DESC_XYZF2 = 0x4,
  DESC_XYZ2 = 0x5, DESC_FOG = 0xA, DESC_AD = 0xE, DESC_NOP = 0xF
};

// GS register addresses the descriptors write.
enum { GS_PRIM = 0x00, GS_RGBAQ = 0x01, GS_ST = 0x02, GS_UV = 0x03, GS_XYZF2 = 0x04,
       GS_XYZ2 = 0x05, GS_FOG = 0x0A, GS_XYZF3 = 0x0C, GS_XYZ3 = 0x0D };

// Unpacking state: written only by machineGifFeed and machineGifReset.
static struct {
  uint32_t loopsLeft;   // NLOOP still to unpack for the current tag; 0: next quadword is a tag
  uint32_t flg;
  uint32_t nreg;
  uint8_t regs[16];
  uint32_t regIndex;    // next descriptor within the current loop
  uint32_t q;           // internal Q (float bits), reset to 1.0 by every tag
} gif;

void machineGifReset(void)
{
  std::memset(&gif, 0, sizeof gif);
}

static void readTag(uint64_t low, uint64_t high)
{
  uint32_t nloop = (uint32_t)(low & 0x7FFF);
  gif.flg = (uint32_t)(low >> 58) & 3;
  if (gif.flg == 3)
    gif.flg = 2;
  gif.nreg = (uint32_t)(low >> 60);
  if (gif.nreg == 0)
    gif.nreg = 16;
  for (int i = 0; i < 16; i++)
    gif.regs[i] = (uint8_t)((high >> (4 * i)) & 0xF);
  gif.regIndex = 0;
  gif.loopsLeft = nloop;
  if (nloop == 0)
    return;  // nothing is output, every other field is ignored
  gif.q = 0x3F800000u;
  if (gif.flg == FLG_PACKED && (low >> 46 & 1))
    machineGsWrite(GS_PRIM, (low >> 47) & 0x7FF);
}

// One PACKED quadword for descriptor `desc`.
static void packedWrite(uint32_t desc, uint64_t low, uint64_t high)
{
  uint64_t noKick = high >> 47 & 1;  // bit 111: XYZ3/XYZF3
  switch (desc) {
  case DESC_PRIM:
    machineGsWrite(GS_PRIM, low & 0x7FF);
    break;
  case DESC_RGBA:
    machineGsWrite(GS_RGBAQ, (low & 0xFF) | (low >> 32 & 0xFF) << 8 | (high & 0xFF) << 16 |
                                 (high >> 32 & 0xFF) << 24 | (uint64_t)gif.q << 32);
    break;
  case DESC_STQ:
    gif.q = (uint32_t)high;
    machineGsWrite(GS_ST, low);
    break;
  case DESC_UV:
    machineGsWrite(GS_UV, (low & 0x3FFF) | (low >> 32 & 0x3FFF) << 16);
    break;
  case DESC_XYZF2:
    machineGsWrite(noKick ? GS_XYZF3 : GS_XYZF2, (low & 0xFFFF) | (low >> 32 & 0xFFFF) << 16 |
                                                     (high >> 4 & 0xFFFFFF) << 32 |
                                                     (high >> 36 & 0xFF) << 56);
    break;
  case DESC_XYZ2:
    machineGsWrite(noKick ? GS_XYZ3 : GS_XYZ2,
                   (low & 0xFFFF) | (low >> 32 & 0xFFFF) << 16 | (high & 0xFFFFFFFF) << 32);
    break;
  case DESC_FOG:
    machineGsWrite(GS_FOG, (high >> 36 & 0xFF) << 56);
    break;
  case DESC_AD:
    machineGsWrite((int)(high & 0x7F), low);
    break;
  case DESC_NOP:
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
  if (gif.flg == FLG_PACKED) {
    packedWrite(gif.regs[gif.regIndex], low, high);
    nextRegister();
  } else if (gif.flg == FLG_REGLIST) {
    machineGsWrite(gif.regs[gif.regIndex], low);
    nextRegister();
    if (gif.loopsLeft == 0)
      return;  // an odd count: the high half is padding
    machineGsWrite(gif.regs[gif.regIndex], high);
    nextRegister();
  } else {
    machineGsImageData(low, high);
    gif.loopsLeft--;
  }
}

void machineGifFeed(const uint64_t *words, uint32_t count)
{
  for (uint32_t i = 0; i < count; i++) {
    uint64_t low = words[2 * i], high = words[2 * i + 1];
    if (gif.loopsLeft == 0)
      readTag(low, high);
    else
      dataQuadword(low, high);
  }
}
