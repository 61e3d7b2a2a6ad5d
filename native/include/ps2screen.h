// Screen and video memory: GS set-up, the display mode, the frame flip.
#pragma once
#include <cstdint>

struct PS2VideoMode {
  uint16_t width;         // 512
  uint16_t height;        // 224 on NTSC, 256 on PAL
  uint16_t bitsPerPixel;  // 32
  uint16_t magH;          // 5
  uint16_t offsetX;       // 1024, added to every X sent to the GS
  uint16_t offsetY;       // 1024
};

// Byte addresses in GS local memory (swapFlag excepted).
struct PS2VideoRam {
  int32_t allocPointer;
  int32_t zBuffer;
  int32_t swapFlag;       // non-zero: the next flip draws into A
  int32_t frameBufferA;
  int32_t frameBufferB;
  int32_t textureArea;
};

// GS register addresses used in A+D packets.
enum : uint64_t {
  GS_PRIM = 0x00, GS_RGBAQ = 0x01, GS_UV = 0x03, GS_XYZ2 = 0x05, GS_TEX0_1 = 0x06,
  GS_XYOFFSET_1 = 0x18, GS_PRMODECONT = 0x1A, GS_TEXFLUSH = 0x3F, GS_SCISSOR_1 = 0x40,
  GS_ALPHA_1 = 0x42, GS_TEST_1 = 0x47, GS_FRAME_1 = 0x4C, GS_ZBUF_1 = 0x4E,
  GS_BITBLTBUF = 0x50, GS_TRXPOS = 0x51, GS_TRXREG = 0x52, GS_TRXDIR = 0x53
};

int PS2ScreenInit(void);
void PS2ScreenWaitVBL(void);
void PS2ScreenRefresh(void);
PS2VideoMode *PS2ScreenGetVideoMode(void);
PS2VideoRam *PS2ScreenGetVideoRAM(void);
