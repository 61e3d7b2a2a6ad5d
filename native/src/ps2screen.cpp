// Screen and video memory: reset, display mode, memory layout, the flip.
//
// GS local memory, with S = width x height x 4 bytes:
//   0    depth buffer
//   S    frame buffer A
//   2S   frame buffer B
//   3S   texture area
#include "ps2screen.h"
#include "gsregs.h"
#include "machine_kernel.h"
#include "machine_regs.h"
#include "ps2draw.h"
#include "ps2packet.h"
#include "render.h"

// Module state: filled by PS2ScreenInit, swapFlag flipped by PS2ScreenRefresh;
// every drawing operation reads them.
static PS2VideoMode videoMode;
static PS2VideoRam videoRam;

PS2VideoMode *PS2ScreenGetVideoMode(void)
{
  return &videoMode;
}

PS2VideoRam *PS2ScreenGetVideoRAM(void)
{
  return &videoRam;
}

static void resetHardware(void)
{
  HwWrite(D2_SADR, 0);
  HwWrite(D2_CHCR, 0);
  HwWrite(D2_TADR, 0);
  HwWrite(D2_MADR, 0);
  HwWrite(D2_ASR1, 0);
  HwWrite(D2_ASR0, 0);
  HwWrite(D_STAT, 0xFF1F);
  HwWrite(D_STAT, HwRead(D_STAT) & 0xFF1F);
  HwWrite(D_CTRL, 0);
  HwWrite(D_PCR, 0);
  HwWrite(D_SQWC, 0);
  HwWrite(D_RBOR, 0);
  HwWrite(D_RBSR, 0);
  HwWrite(D_CTRL, HwRead(D_CTRL) | D_CTRL_DMAE);
  HwWrite(CSR, CSR_RESET);
  __sync_synchronize();
  GsPutIMR(GS_IMR_ALL_MASKED);
}

static void setDisplayMode(void)
{
  int pal = BootRomReadByte(BOOT_ROM_REGION_ADDRESS) == 'E';
  videoMode.width = 512;
  videoMode.height = pal ? 256 : 224;
  videoMode.bitsPerPixel = 32;
  videoMode.magH = 5;
  SetGsCrt(0, pal ? GS_CRT_PAL : GS_CRT_NTSC, 0);

  // Read circuit 2 alone, its picture as it is (ALP 0xFF), over nothing.
  HwWrite(PMODE, GsPack(GsPMODE.EN2, 1) | GsPack(GsPMODE.CRTMD, 1) | GsPack(GsPMODE.MMOD, 1) |
                     GsPack(GsPMODE.AMOD, 1) | GsPack(GsPMODE.ALP, 0xFF));
  // magH video clocks per pixel, the whole height, one line per row.
  HwWrite(DISPLAY2, GsPack(GsDISPLAY.DX, 656) | GsPack(GsDISPLAY.DY, 36) |
                        GsPack(GsDISPLAY.MAGH, videoMode.magH - 1) |
                        GsPack(GsDISPLAY.DW, (uint64_t)videoMode.width * videoMode.magH - 1) |
                        GsPack(GsDISPLAY.DH, videoMode.height - 1));
  HwWrite(BGCOLOR, 0);
  PS2DrawSetClip(0, 0, videoMode.width, videoMode.height);
}

// FRAME_1 for a PSMCT32 buffer at byte address `address`, as wide as the screen.
static uint64_t frameRegister(int32_t address)
{
  return GsPack(GsFRAME.FBP, (uint64_t)(address / GS_PAGE_BYTES)) |
         GsPack(GsFRAME.FBW, videoMode.width / GS_WIDTH_UNIT) | GsPack(GsFRAME.PSM, GS_PSMCT32);
}

// The drawing environment: one A+D packet of seven writes.
static void setEnvironment(void)
{
  videoRam.allocPointer = 0;
  videoRam.swapFlag = 1;
  int32_t s = videoMode.width * videoMode.height * videoMode.bitsPerPixel / 8;

  PacketBeginAD(7);
  PacketAddAD(GsPack(GsPRMODECONT.AC, 1), GS_PRMODECONT);  // PRIM says it all
  PacketAddAD(GsPack(GsZBUF.ZBP, (uint64_t)(videoRam.allocPointer / GS_PAGE_BYTES)) |
                  GsPack(GsZBUF.PSM, GS_PSMZ32) | GsPack(GsZBUF.ZMSK, 0),
              GS_ZBUF_1);
  videoRam.zBuffer = videoRam.allocPointer;
  videoRam.allocPointer += s;
  PacketAddAD(frameRegister(videoRam.allocPointer), GS_FRAME_1);
  videoRam.frameBufferA = videoRam.allocPointer;
  videoRam.allocPointer += s;
  videoRam.frameBufferB = videoRam.allocPointer;
  videoRam.allocPointer += s;
  videoMode.offsetX = 1024;
  videoMode.offsetY = 1024;
  PacketAddAD(GsPack(GsXYOFFSET.OFX, videoMode.offsetX * 16) |
                  GsPack(GsXYOFFSET.OFY, videoMode.offsetY * 16),
              GS_XYOFFSET_1);
  PacketAddAD(GsPack(GsSCISSOR.SCAX1, videoMode.width - 1) |
                  GsPack(GsSCISSOR.SCAY1, videoMode.height - 1),
              GS_SCISSOR_1);
  videoRam.textureArea = videoRam.allocPointer;
  videoRam.allocPointer += s;
  PacketAddAD(GS_TEST_ZALWAYS, GS_TEST_1);
  // (Cs - Cd) x As + Cd, for primitives that ask for blending (none so far).
  PacketAddAD(GsPack(GsALPHA.A, GS_ALPHA_CS) | GsPack(GsALPHA.B, GS_ALPHA_CD) |
                  GsPack(GsALPHA.C, GS_ALPHA_AS) | GsPack(GsALPHA.D, GS_ALPHA_CD),
              GS_ALPHA_1);
  GifSend();
}

int PS2ScreenInit(void)
{
  resetHardware();
  setDisplayMode();
  setEnvironment();
  for (int i = 0; i < 2; i++) {
    PS2DrawSetColor(0, 0, 0);
    PS2DrawClear();
    PS2ScreenRefresh();
  }
  return 0;
}

void PS2ScreenWaitVBL(void)
{
  // Clear a pending flag first, so the wait ends at the next vertical sync.
  HwWrite(CSR, HwRead(CSR) & CSR_VSINT);
  while (!(HwRead(CSR) & CSR_VSINT)) {
  }
}

void PS2ScreenRefresh(void)
{
  PS2ScreenWaitVBL();
  int32_t draw, show;
  if (videoRam.swapFlag) {
    draw = videoRam.frameBufferA;
    show = videoRam.frameBufferB;
    videoRam.swapFlag = 0;
  } else {
    draw = videoRam.frameBufferB;
    show = videoRam.frameBufferA;
    videoRam.swapFlag = 1;
  }
  PacketBeginAD(1);
  PacketAddAD(frameRegister(draw), GS_FRAME_1);
  GifSend();
  HwWrite(DISPFB2, GsPack(GsDISPFB.FBP, (uint64_t)(show / GS_PAGE_BYTES)) |
                       GsPack(GsDISPFB.FBW, videoMode.width / GS_WIDTH_UNIT) |
                       GsPack(GsDISPFB.PSM, GS_PSMCT32));
}
