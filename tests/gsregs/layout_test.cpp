// The register layouts against the hardware's own worked values, and the
// layouts' shape: a field typed at the wrong bit would move a picture's
// pixels or a transfer's rows without any other test naming the register.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gsregs.h"

namespace {

template <class Layout>
std::vector<GsField> fieldsOf(const Layout &layout)
{
  static_assert(sizeof(Layout) % sizeof(GsField) == 0, "a layout holds fields only");
  std::vector<GsField> fields(sizeof(Layout) / sizeof(GsField));
  std::memcpy(fields.data(), &layout, sizeof layout);
  return fields;
}

// Every field has a width, stays inside its register (64 bits) or quadword
// (128, never across the halves), and no two share a bit.
template <class Layout>
void expectWellFormed(const Layout &layout, const char *name, int size = 64)
{
  std::vector<GsField> fields = fieldsOf(layout);
  uint64_t used[2] = {0, 0};
  for (size_t i = 0; i < fields.size(); i++) {
    GsField f = fields[i];
    std::string where = std::string(name) + " field " + std::to_string(i);
    ASSERT_GE(f.bits, 1) << where;
    ASSERT_LE(f.shift + f.bits, size) << where;
    ASSERT_EQ(f.shift / 64, (f.shift + f.bits - 1) / 64) << where;
    uint64_t bits = GsPack(f, ~0ull);
    EXPECT_EQ(used[f.shift / 64] & bits, 0u) << where << " overlaps another";
    used[f.shift / 64] |= bits;
  }
}

// Each layout in turn, named for the messages from `names` ("GsPRIM, GsUV").
template <class... Layouts>
void expectEachWellFormed(int size, const char *names, const Layouts &...layouts)
{
  std::vector<std::string> name(1);
  for (const char *c = names; *c; c++)
    if (*c == ',')
      name.emplace_back();
    else if (*c != ' ')
      name.back() += *c;
  size_t i = 0;
  (expectWellFormed(layouts, name[i++].c_str(), size), ...);
}
#define EXPECT_WELL_FORMED(size, ...) expectEachWellFormed(size, #__VA_ARGS__, __VA_ARGS__)

}  // namespace

TEST(GsLayout, FieldsFitTheirRegisterWithoutOverlapping)
{
  EXPECT_WELL_FORMED(64, GsPRIM, GsPRMODE, GsPRMODECONT, GsRGBAQ, GsST, GsUV, GsXYZ2, GsXYZF2,
                     GsFOG, GsTEX0, GsCLAMP, GsXYOFFSET, GsSCISSOR, GsALPHA, GsTEST, GsFRAME, GsZBUF,
                     GsBITBLTBUF, GsTRXPOS, GsTRXREG, GsTRXDIR, GsPMODE, GsDISPFB, GsDISPLAY,
                     GsBGCOLOR, GsCSR, GsIMR);
  EXPECT_WELL_FORMED(128, GifTAG, GifPackedPRIM, GifPackedRGBAQ, GifPackedSTQ, GifPackedUV,
                     GifPackedXYZF2, GifPackedXYZ2, GifPackedFOG, GifPackedAD);

  // Context 2 is one address above context 1 for every context register.
  EXPECT_EQ(GS_TEX0_2 - GS_TEX0_1, 1);
  EXPECT_EQ(GS_SCISSOR_2 - GS_SCISSOR_1, 1);
  EXPECT_EQ(GS_ZBUF_2 - GS_ZBUF_1, 1);
}

TEST(GsLayout, DocumentedValuesDecodeToTheirFields)
{
  // The display mode: circuit 2 alone, ALP 0xFF.
  const uint64_t pmode = 0xFF66;
  EXPECT_EQ(GsGet(pmode, GsPMODE.EN1), 0u);
  EXPECT_EQ(GsGet(pmode, GsPMODE.EN2), 1u);
  EXPECT_EQ(GsGet(pmode, GsPMODE.CRTMD), 1u);
  EXPECT_EQ(GsGet(pmode, GsPMODE.MMOD), 1u);
  EXPECT_EQ(GsGet(pmode, GsPMODE.AMOD), 1u);
  EXPECT_EQ(GsGet(pmode, GsPMODE.SLBG), 0u);
  EXPECT_EQ(GsGet(pmode, GsPMODE.ALP), 0xFFu);

  // 512 x 224 at five video clocks a pixel, from (656, 36).
  const uint64_t display = 0xDF9FF02024290ull;
  EXPECT_EQ(GsGet(display, GsDISPLAY.DX), 656u);
  EXPECT_EQ(GsGet(display, GsDISPLAY.DY), 36u);
  EXPECT_EQ(GsGet(display, GsDISPLAY.MAGH), 4u);
  EXPECT_EQ(GsGet(display, GsDISPLAY.MAGV), 0u);
  EXPECT_EQ(GsGet(display, GsDISPLAY.DW), 2559u);
  EXPECT_EQ(GsGet(display, GsDISPLAY.DH), 223u);

  // Page 128, 512 pixels wide, shown from row 224.
  const uint64_t dispfb = 0x7000000001080ull;
  EXPECT_EQ(GsGet(dispfb, GsDISPFB.FBP), 128u);
  EXPECT_EQ(GsGet(dispfb, GsDISPFB.FBW), 8u);
  EXPECT_EQ(GsGet(dispfb, GsDISPFB.DBX), 0u);
  EXPECT_EQ(GsGet(dispfb, GsDISPFB.DBY), 224u);

  // Alpha test NOTEQUAL 0 with depth test GREATER.
  const uint64_t test = 0x7000F;
  EXPECT_EQ(GsGet(test, GsTEST.ATE), 1u);
  EXPECT_EQ(GsGet(test, GsTEST.ATST), (uint64_t)GS_ATST_NOTEQUAL);
  EXPECT_EQ(GsGet(test, GsTEST.AREF), 0u);
  EXPECT_EQ(GsGet(test, GsTEST.AFAIL), (uint64_t)GS_AFAIL_KEEP);
  EXPECT_EQ(GsGet(test, GsTEST.ZTE), 1u);
  EXPECT_EQ(GsGet(test, GsTEST.ZTST), (uint64_t)GS_ZTST_GREATER);

  // A 256 x 64 DECAL texture with alpha at block 6144, 512 texels a row.
  const uint64_t tex0 = 0xDA0021800ull;
  EXPECT_EQ(GsGet(tex0, GsTEX0.TBP0), 6144u);
  EXPECT_EQ(GsGet(tex0, GsTEX0.TBW), 8u);
  EXPECT_EQ(GsGet(tex0, GsTEX0.PSM), (uint64_t)GS_PSMCT32);
  EXPECT_EQ(GsGet(tex0, GsTEX0.TW), 8u);
  EXPECT_EQ(GsGet(tex0, GsTEX0.TH), 6u);
  EXPECT_EQ(GsGet(tex0, GsTEX0.TCC), 1u);
  EXPECT_EQ(GsGet(tex0, GsTEX0.TFX), (uint64_t)GS_TFX_DECAL);

  // Textured triangles with UV; blending (Cs - Cd) x As + Cd.
  EXPECT_EQ(GsGet(0x113, GsPRIM.PRIM), (uint64_t)GS_PRIM_TRIANGLE);
  EXPECT_EQ(GsGet(0x113, GsPRIM.TME) + GsGet(0x113, GsPRIM.FST), 2u);
  EXPECT_EQ(GsGet(0x113, GsPRIM.IIP) + GsGet(0x113, GsPRIM.CTXT), 0u);
  EXPECT_EQ(GsGet(0x44, GsALPHA.A), (uint64_t)GS_ALPHA_CS);
  EXPECT_EQ(GsGet(0x44, GsALPHA.B), (uint64_t)GS_ALPHA_CD);
  EXPECT_EQ(GsGet(0x44, GsALPHA.C), (uint64_t)GS_ALPHA_AS);
  EXPECT_EQ(GsGet(0x44, GsALPHA.D), (uint64_t)GS_ALPHA_CD);

  // A GIF tag of three A+D writes, and a PACKED XYZ2 quadword that must not kick.
  const uint64_t tag = 0x1000000000008003ull;
  EXPECT_EQ(GsGet(tag, GifTAG.NLOOP), 3u);
  EXPECT_EQ(GsGet(tag, GifTAG.EOP), 1u);
  EXPECT_EQ(GsGet(tag, GifTAG.PRE), 0u);
  EXPECT_EQ(GsGet(tag, GifTAG.FLG), (uint64_t)GIF_FLG_PACKED);
  EXPECT_EQ(GsGet(tag, GifTAG.NREG), 1u);
  EXPECT_EQ(GifGetReg(0xFE, 0), (uint32_t)GIF_REG_AD);
  EXPECT_EQ(GifGetReg(0xFE, 1), (uint32_t)GIF_REG_NOP);
  EXPECT_EQ(GifGetReg(0x5000000000000000ull, 15), (uint32_t)GIF_REG_XYZ2);
  const uint64_t low = 0x402000004010ull, high = 0x800012345678ull;
  EXPECT_EQ(GsGet(low, GifPackedXYZ2.X), 0x4010u);
  EXPECT_EQ(GsGet(low, GifPackedXYZ2.Y), 0x4020u);
  EXPECT_EQ(GsGet(high, GifPackedXYZ2.Z), 0x12345678u);
  EXPECT_EQ(GsGet(high, GifPackedXYZ2.ADC), 1u);
}

TEST(GsLayout, PackingKeepsAValueInsideItsField)
{
  // A value wider than its field loses its high bits, as the register would,
  // rather than spilling into the next field.
  EXPECT_EQ(GsPack(GsTRXREG.RRW, 0x1234), 0x234u);
  EXPECT_EQ(GsPack(GsUV.U, (uint64_t)-16), 0x3FF0u);
  EXPECT_EQ(GsPack(GsXYZ2.Y, 0x12345), 0x23450000u);
  EXPECT_EQ(GsPack(GsTRXPOS.DIR, 7), 3ull << 59);
  // Whole 64-bit and 32-bit fields, in either half of a quadword.
  EXPECT_EQ(GsGet(~0ull, GifPackedAD.DATA), ~0ull);
  EXPECT_EQ(GsPack(GifPackedAD.DATA, 0x0123456789ABCDEFull), 0x0123456789ABCDEFull);
  EXPECT_EQ(GsGet(0xAABBCCDD11223344ull, GsFRAME.FBMSK), 0xAABBCCDDu);
  EXPECT_EQ(GsPack(GifPackedSTQ.Q, 0x3F800000u), 0x3F800000u);
  EXPECT_EQ(GsGet(0x1FFull, GifPackedAD.ADDR), 0xFFu);
}
