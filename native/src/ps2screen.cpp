// Screen and video memory: reset, display mode, memory layout, the flip.
//
// GS local memory, with S = width x height x 4 bytes:
//   0    depth buffer
//   S    frame buffer A
//   2S   frame buffer B
//   3S   texture area
#include "ps2screen.h"
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
  GsPutIMR(0xFF00);
}

static void setDisplayMode(void)
{
  int pal = BootRomReadByte(BOOT_ROM_REGION_ADDRESS) == 'E';
  videoMode.width = 512;
  videoMode.height = pal ? 256 : 224;
  videoMode.bitsPerPixel = 32;
  videoMode.magH = 5;
  SetGsCrt(0, pal ? GS_CRT_PAL : GS_CRT_NTSC, 0);

  uint64_t dw = (uint64_t)videoMode.width * videoMode.magH - 1;  // 2559
  uint64_t dh = (uint64_t)videoMode.height - 1;
  HwWrite(PMODE, 0xFF66);
  // DISPLAY2: DX 0-11, DY 12-22, MAGH 23-26, MAGV 27-28, DW 32-43, DH 44-54
  HwWrite(DISPLAY2, 656ull | 36ull << 12 | (uint64_t)(videoMode.magH - 1) << 23 | dw << 32 | dh << 44);
  HwWrite(BGCOLOR, 0);
  PS2DrawSetClip(0, 0, videoMode.width, videoMode.height);
}

// The drawing environment: one A+D packet of seven writes.
static void setEnvironment(void)
{
  videoRam.allocPointer = 0;
  videoRam.swapFlag = 1;
  int32_t s = videoMode.width * videoMode.height * videoMode.bitsPerPixel / 8;
  uint64_t fbw = videoMode.width / 64;

  PacketBeginAD(7);
  PacketAddAD(1, GS_PRMODECONT);
  PacketAddAD((uint64_t)(videoRam.allocPointer / 8192), GS_ZBUF_1);  // PSM 0, ZMSK 0
  videoRam.zBuffer = videoRam.allocPointer;
  videoRam.allocPointer += s;
  PacketAddAD((uint64_t)(videoRam.allocPointer / 8192) | fbw << 16, GS_FRAME_1);
  videoRam.frameBufferA = videoRam.allocPointer;
  videoRam.allocPointer += s;
  videoRam.frameBufferB = videoRam.allocPointer;
  videoRam.allocPointer += s;
  videoMode.offsetX = 1024;
  videoMode.offsetY = 1024;
  PacketAddAD((uint64_t)(videoMode.offsetX * 16) | (uint64_t)(videoMode.offsetY * 16) << 32, GS_XYOFFSET_1);
  PacketAddAD((uint64_t)(videoMode.width - 1) << 16 | (uint64_t)(videoMode.height - 1) << 48, GS_SCISSOR_1);
  videoRam.textureArea = videoRam.allocPointer;
  videoRam.allocPointer += s;
  PacketAddAD(0x3000F, GS_TEST_1);
  PacketAddAD(0x44, GS_ALPHA_1);
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
  uint64_t fbw = videoMode.width / 64;
  PacketBeginAD(1);
  PacketAddAD((uint64_t)(draw / 8192) | fbw << 16, GS_FRAME_1);
  GifSend();
  HwWrite(DISPFB2, (uint64_t)(show / 8192) | fbw << 9);
}
