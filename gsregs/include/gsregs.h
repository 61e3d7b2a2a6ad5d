// The Graphics Synthesizer's registers and the GIF's tag and data formats,
// written once: register addresses, and each register's fields under the
// names the hardware documentation gives them. The back end composes
// register values from these layouts and the machine model decodes them with
// the same ones, so the two cannot disagree about a bit.
//
//   uint64_t test = GsPack(GsTEST.ZTE, 1) | GsPack(GsTEST.ZTST, GS_ZTST_GREATER);
//   int method = (int)GsGet(test, GsTEST.ZTST);  // GS_ZTST_GREATER
//
// A field is its lowest bit and its width. Registers are 64 bits wide; the
// GIF's tags and PACKED data are 128-bit quadwords, handled as two 64-bit
// halves: a field at bit 64 or above lives in the high half, and GsGet and
// GsPack take its position within that half (bit 64 is bit 0 of it).
#pragma once
#include <cstdint>

struct GsField {
  uint8_t shift;  // lowest bit, 0-127
  uint8_t bits;   // width, 1-64
};

constexpr uint64_t GsMask(GsField f)
{
  return f.bits >= 64 ? ~0ull : (1ull << f.bits) - 1;
}

// The field's value in `word` (the high half of a quadword for fields at 64 and above).
constexpr uint64_t GsGet(uint64_t word, GsField f)
{
  return word >> (f.shift % 64) & GsMask(f);
}

// `value` in its place in the field. It is cut to the field's width, as the
// hardware keeps only those bits: a value too large never reaches a neighbour.
constexpr uint64_t GsPack(GsField f, uint64_t value)
{
  return (value & GsMask(f)) << (f.shift % 64);
}

// ---- General registers: the addresses written by A+D and REGLIST ----------
// A register of the second drawing context sits one address above its first
// (TEX0_2 = TEX0_1 + 1 ... ZBUF_2 = ZBUF_1 + 1); PRIM.CTXT picks the context.
enum GsRegAddress {
  GS_PRIM = 0x00, GS_RGBAQ = 0x01, GS_ST = 0x02, GS_UV = 0x03, GS_XYZF2 = 0x04, GS_XYZ2 = 0x05,
  GS_TEX0_1 = 0x06, GS_TEX0_2 = 0x07, GS_CLAMP_1 = 0x08, GS_CLAMP_2 = 0x09, GS_FOG = 0x0A,
  GS_XYZF3 = 0x0C, GS_XYZ3 = 0x0D, GS_TEX1_1 = 0x14, GS_TEX1_2 = 0x15, GS_TEX2_1 = 0x16,
  GS_TEX2_2 = 0x17, GS_XYOFFSET_1 = 0x18, GS_XYOFFSET_2 = 0x19, GS_PRMODECONT = 0x1A,
  GS_PRMODE = 0x1B, GS_TEXCLUT = 0x1C, GS_SCANMSK = 0x22, GS_MIPTBP1_1 = 0x34,
  GS_MIPTBP1_2 = 0x35, GS_MIPTBP2_1 = 0x36, GS_MIPTBP2_2 = 0x37, GS_TEXA = 0x3B,
  GS_FOGCOL = 0x3D, GS_TEXFLUSH = 0x3F, GS_SCISSOR_1 = 0x40, GS_SCISSOR_2 = 0x41,
  GS_ALPHA_1 = 0x42, GS_ALPHA_2 = 0x43, GS_DIMX = 0x44, GS_DTHE = 0x45, GS_COLCLAMP = 0x46,
  GS_TEST_1 = 0x47, GS_TEST_2 = 0x48, GS_PABE = 0x49, GS_FBA_1 = 0x4A, GS_FBA_2 = 0x4B,
  GS_FRAME_1 = 0x4C, GS_FRAME_2 = 0x4D, GS_ZBUF_1 = 0x4E, GS_ZBUF_2 = 0x4F,
  GS_BITBLTBUF = 0x50, GS_TRXPOS = 0x51, GS_TRXREG = 0x52, GS_TRXDIR = 0x53, GS_HWREG = 0x54,
  GS_SIGNAL = 0x60, GS_FINISH = 0x61, GS_LABEL = 0x62,
  GS_REG_ADDRESSES = 0x80  // the GS decodes 7 address bits
};

// ---- General register layouts ----------------------------------------------

// PRIM: the primitive and how it is drawn. PRMODE holds IIP to FIX at the same
// bits, for when PRMODECONT.AC is 0.
constexpr struct {
  GsField PRIM{0, 3};  // GS_PRIM_* below
  GsField IIP{3, 1};   // 1: Gouraud shading, 0: flat (the last vertex's colour)
  GsField TME{4, 1};   // texture mapping
  GsField FGE{5, 1};   // fogging
  GsField ABE{6, 1};   // alpha blending
  GsField AA1{7, 1};   // antialiasing
  GsField FST{8, 1};   // 1: texture coordinates from UV, 0: from ST and Q
  GsField CTXT{9, 1};  // drawing context 1 (0) or 2 (1)
  GsField FIX{10, 1};
} GsPRIM{};
enum {
  GS_PRIM_POINT = 0, GS_PRIM_LINE = 1, GS_PRIM_LINESTRIP = 2, GS_PRIM_TRIANGLE = 3,
  GS_PRIM_TRISTRIP = 4, GS_PRIM_TRIFAN = 5, GS_PRIM_SPRITE = 6, GS_PRIM_RESERVED = 7
};
constexpr struct {
  GsField IIP{3, 1}, TME{4, 1}, FGE{5, 1}, ABE{6, 1}, AA1{7, 1}, FST{8, 1}, CTXT{9, 1},
      FIX{10, 1};
} GsPRMODE{};
constexpr struct {
  GsField AC{0, 1};  // 1: PRIM's attribute bits count, 0: PRMODE's
} GsPRMODECONT{};

// RGBAQ: the vertex colour, and Q for ST texturing (an IEEE single).
constexpr struct {
  GsField R{0, 8}, G{8, 8}, B{16, 8}, A{24, 8}, Q{32, 32};
} GsRGBAQ{};

// ST: texture coordinates as IEEE singles, divided by Q.
constexpr struct {
  GsField S{0, 32}, T{32, 32};
} GsST{};

// UV: texel coordinates, unsigned with 4 fraction bits.
constexpr struct {
  GsField U{0, 14}, V{16, 14};
} GsUV{};

// XYZ2 and XYZ3: a vertex in 12.4 fixed point and its depth. XYZ2 kicks.
constexpr struct {
  GsField X{0, 16}, Y{16, 16}, Z{32, 32};
} GsXYZ2{};

// XYZF2 and XYZF3: as XYZ2 with a 24-bit depth and the fog coefficient.
constexpr struct {
  GsField X{0, 16}, Y{16, 16}, Z{32, 24}, F{56, 8};
} GsXYZF2{};

// FOG: the fog coefficient of the next vertex.
constexpr struct {
  GsField F{56, 8};
} GsFOG{};

// TEX0: the texture buffer and how it is applied.
constexpr struct {
  GsField TBP0{0, 14};  // base, in blocks (GS_BLOCK_BYTES)
  GsField TBW{14, 6};   // row width, in GS_WIDTH_UNIT pixels
  GsField PSM{20, 6};   // pixel format (GS_PSMCT32)
  GsField TW{26, 4};    // width 2^TW texels (at most 10)
  GsField TH{30, 4};    // height 2^TH texels
  GsField TCC{34, 1};   // 0: RGB from the texture, 1: RGBA
  GsField TFX{35, 2};   // GS_TFX_*
  GsField CBP{37, 14}, CPSM{51, 4}, CSM{55, 1}, CSA{56, 5}, CLD{61, 3};
} GsTEX0{};
enum { GS_TFX_MODULATE = 0, GS_TFX_DECAL = 1, GS_TFX_HIGHLIGHT = 2, GS_TFX_HIGHLIGHT2 = 3 };

// CLAMP: how texel coordinates outside the texture wrap (WMS across, WMT down).
constexpr struct {
  GsField WMS{0, 2}, WMT{2, 2};  // GS_WRAP_*
  GsField MINU{4, 10}, MAXU{14, 10}, MINV{24, 10}, MAXV{34, 10};
} GsCLAMP{};
enum { GS_WRAP_REPEAT = 0, GS_WRAP_CLAMP = 1, GS_WRAP_REGION_CLAMP = 2, GS_WRAP_REGION_REPEAT = 3 };

// XYOFFSET: subtracted from every vertex, 12.4 fixed point.
constexpr struct {
  GsField OFX{0, 16}, OFY{32, 16};
} GsXYOFFSET{};

// SCISSOR: the drawn window pixels, bounds included.
constexpr struct {
  GsField SCAX0{0, 11}, SCAX1{16, 11}, SCAY0{32, 11}, SCAY1{48, 11};
} GsSCISSOR{};

// ALPHA: blending ((A - B) x C >> 7) + D.
constexpr struct {
  GsField A{0, 2}, B{2, 2};  // GS_ALPHA_CS, GS_ALPHA_CD or GS_ALPHA_ZERO
  GsField C{4, 2};           // GS_ALPHA_AS, GS_ALPHA_AD or GS_ALPHA_FIX
  GsField D{6, 2};           // as A and B
  GsField FIX{32, 8};
} GsALPHA{};
enum { GS_ALPHA_CS = 0, GS_ALPHA_CD = 1, GS_ALPHA_ZERO = 2 };
enum { GS_ALPHA_AS = 0, GS_ALPHA_AD = 1, GS_ALPHA_FIX = 2 };

// TEST: the pixel tests.
constexpr struct {
  GsField ATE{0, 1};    // alpha test on
  GsField ATST{1, 3};   // GS_ATST_*, the pixel's alpha against AREF
  GsField AREF{4, 8};
  GsField AFAIL{12, 2}; // GS_AFAIL_*: what a pixel that fails the alpha test still writes
  GsField DATE{14, 1}, DATM{15, 1};
  GsField ZTE{16, 1};   // depth test on
  GsField ZTST{17, 2};  // GS_ZTST_*: larger Z is nearer
} GsTEST{};
enum {
  GS_ATST_NEVER = 0, GS_ATST_ALWAYS = 1, GS_ATST_LESS = 2, GS_ATST_LEQUAL = 3,
  GS_ATST_EQUAL = 4, GS_ATST_GEQUAL = 5, GS_ATST_GREATER = 6, GS_ATST_NOTEQUAL = 7
};
enum { GS_AFAIL_KEEP = 0, GS_AFAIL_FB_ONLY = 1, GS_AFAIL_ZB_ONLY = 2, GS_AFAIL_RGB_ONLY = 3 };
enum { GS_ZTST_NEVER = 0, GS_ZTST_ALWAYS = 1, GS_ZTST_GEQUAL = 2, GS_ZTST_GREATER = 3 };

// FRAME: the frame buffer drawn into.
constexpr struct {
  GsField FBP{0, 9};     // base, in pages (GS_PAGE_BYTES)
  GsField FBW{16, 6};    // row width, in GS_WIDTH_UNIT pixels
  GsField PSM{24, 6};    // GS_PSMCT32
  GsField FBMSK{32, 32}; // 1 bits keep the old frame bit
} GsFRAME{};

// ZBUF: the depth buffer, as wide as the frame.
constexpr struct {
  GsField ZBP{0, 9};   // base, in pages
  GsField PSM{24, 4};  // GS_PSMZ*, without the format's high bits
  GsField ZMSK{32, 1}; // 1: depths are never written
} GsZBUF{};
enum { GS_PSMZ32 = 0x0, GS_PSMZ24 = 0x1, GS_PSMZ16 = 0x2, GS_PSMZ16S = 0xA };
enum { GS_PSMCT32 = 0x00 };

// BITBLTBUF, TRXPOS, TRXREG, TRXDIR: an image transfer's buffers, corner,
// size and direction; writing TRXDIR starts it.
constexpr struct {
  GsField SBP{0, 14}, SBW{16, 6}, SPSM{24, 6};  // source: blocks, width units, format
  GsField DBP{32, 14}, DBW{48, 6}, DPSM{56, 6}; // destination
} GsBITBLTBUF{};
constexpr struct {
  GsField SSAX{0, 11}, SSAY{16, 11}, DSAX{32, 11}, DSAY{48, 11}, DIR{59, 2};
} GsTRXPOS{};
constexpr struct {
  GsField RRW{0, 12}, RRH{32, 12};  // pixels
} GsTRXREG{};
constexpr struct {
  GsField XDIR{0, 2};  // GS_XDIR_*
} GsTRXDIR{};
enum {
  GS_XDIR_HOST_TO_LOCAL = 0, GS_XDIR_LOCAL_TO_HOST = 1, GS_XDIR_LOCAL_TO_LOCAL = 2,
  GS_XDIR_OFF = 3
};

// ---- Privileged registers (reached through the EE's register window) ------

// PMODE: which read circuits are on and how they are merged.
constexpr struct {
  GsField EN1{0, 1}, EN2{1, 1};
  GsField CRTMD{2, 3};  // always 1
  GsField MMOD{5, 1};   // 1: blend with ALP, 0: with circuit 1's pixel alpha
  GsField AMOD{6, 1};   // alpha output from circuit 1 (0) or 2 (1)
  GsField SLBG{7, 1};   // circuit 1 over circuit 2 (0) or over BGCOLOR (1)
  GsField ALP{8, 8};
} GsPMODE{};

// DISPFB1, DISPFB2: the buffer a read circuit shows and its corner in it.
constexpr struct {
  GsField FBP{0, 9};  // pages
  GsField FBW{9, 6};  // width units
  GsField PSM{15, 5};
  GsField DBX{32, 11}, DBY{43, 11};
} GsDISPFB{};

// DISPLAY1, DISPLAY2: where the picture sits on the screen and its size.
constexpr struct {
  GsField DX{0, 12};    // in video clocks
  GsField DY{12, 11};   // in lines
  GsField MAGH{23, 4};  // horizontal magnification - 1, in video clocks per pixel
  GsField MAGV{27, 2};  // vertical magnification - 1
  GsField DW{32, 12};   // width - 1, in video clocks
  GsField DH{44, 11};   // height - 1, in lines
} GsDISPLAY{};

// BGCOLOR: the colour behind the merged circuits.
constexpr struct {
  GsField R{0, 8}, G{8, 8}, B{16, 8};
} GsBGCOLOR{};

// CSR: events (write 1 to clear) and actions.
constexpr struct {
  GsField SIGNAL{0, 1}, FINISH{1, 1}, HSINT{2, 1};
  GsField VSINT{3, 1};  // a vertical sync has occurred
  GsField EDWINT{4, 1};
  GsField FLUSH{8, 1};
  GsField RESET{9, 1};  // GS reset: registers cleared, local memory not kept
  GsField NFIELD{12, 1}, FIELD{13, 1}, FIFO{14, 2}, REV{16, 8}, ID{24, 8};
} GsCSR{};

// IMR: interrupt masks, 1 = masked. Bits 13-15 are kept set.
constexpr struct {
  GsField SIGMSK{8, 1}, FINISHMSK{9, 1}, HSMSK{10, 1}, VSMSK{11, 1}, EDWMSK{12, 1};
} GsIMR{};
enum : uint64_t { GS_IMR_ALL_MASKED = 0xFF00 };

// ---- Local memory units -----------------------------------------------------
enum {
  GS_MEMORY_BYTES = 4 * 1024 * 1024,
  GS_PAGE_BYTES = 8192,  // unit of FBP, ZBP and DISPFB.FBP: a 64 x 32 tile of PSMCT32
  GS_BLOCK_BYTES = 256,  // unit of TBP0, SBP and DBP
  GS_WIDTH_UNIT = 64     // pixels per unit of FBW, TBW, SBW, DBW and DISPFB.FBW
};

// ---- The GIF: tags and PACKED data -----------------------------------------

// GIF tag, one quadword. REGS holds NREG 4-bit register descriptors, the
// first in bits 64-67.
constexpr struct {
  GsField NLOOP{0, 15};  // loops of data that follow; 0 outputs nothing
  GsField EOP{15, 1};    // last tag of the packet
  GsField PRE{46, 1};    // PACKED only: write the PRIM field to PRIM
  GsField PRIM{47, 11};
  GsField FLG{58, 2};    // GIF_FLG_*
  GsField NREG{60, 4};   // descriptors per loop; 0 means 16
  GsField REGS{64, 64};
} GifTAG{};
enum { GIF_FLG_PACKED = 0, GIF_FLG_REGLIST = 1, GIF_FLG_IMAGE = 2, GIF_FLG_IMAGE_ALIAS = 3 };
enum { GIF_REG_BITS = 4 };  // width of one descriptor in REGS

// Descriptor `i` (0-15) of a tag's REGS, from the tag's high half.
constexpr uint32_t GifGetReg(uint64_t high, int i)
{
  return (uint32_t)(GsGet(high, GifTAG.REGS) >> (GIF_REG_BITS * i) & ((1u << GIF_REG_BITS) - 1));
}

// PACKED register descriptors. 6-9 and 0xB-0xD write the low half of the
// quadword to the register of that address.
enum {
  GIF_REG_PRIM = 0x0, GIF_REG_RGBAQ = 0x1, GIF_REG_STQ = 0x2, GIF_REG_UV = 0x3,
  GIF_REG_XYZF2 = 0x4, GIF_REG_XYZ2 = 0x5, GIF_REG_FOG = 0xA, GIF_REG_AD = 0xE, GIF_REG_NOP = 0xF
};

// PACKED data, one quadword per descriptor.
constexpr struct {
  GsField PRIM{0, 11};
} GifPackedPRIM{};
constexpr struct {
  GsField R{0, 8}, G{32, 8}, B{64, 8}, A{96, 8};  // Q is the GIF's own, set by STQ
} GifPackedRGBAQ{};
constexpr struct {
  GsField S{0, 32}, T{32, 32}, Q{64, 32};
} GifPackedSTQ{};
constexpr struct {
  GsField U{0, 14}, V{32, 14};
} GifPackedUV{};
constexpr struct {
  GsField X{0, 16}, Y{32, 16}, Z{68, 24}, F{100, 8};
  GsField ADC{111, 1};  // 1: write XYZF3 (no drawing) instead of XYZF2
} GifPackedXYZF2{};
constexpr struct {
  GsField X{0, 16}, Y{32, 16}, Z{64, 32};
  GsField ADC{111, 1};  // 1: write XYZ3 instead of XYZ2
} GifPackedXYZ2{};
constexpr struct {
  GsField F{100, 8};
} GifPackedFOG{};
constexpr struct {
  GsField DATA{0, 64};
  GsField ADDR{64, 8};  // GsRegAddress; the GS decodes its low 7 bits
} GifPackedAD{};
