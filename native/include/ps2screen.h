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

int PS2ScreenInit(void);
void PS2ScreenWaitVBL(void);
void PS2ScreenRefresh(void);
PS2VideoMode *PS2ScreenGetVideoMode(void);
PS2VideoRam *PS2ScreenGetVideoRAM(void);
