// Primitive drawing.
#include "ps2draw.h"
#include "ps2packet.h"
#include "ps2screen.h"

// Current colour and depth scale: set by the callers, read by every operation.
static uint8_t colorR, colorG, colorB;
static float zScale;

void PS2DrawSetZScale(float scale)
{
  zScale = scale;
}

void PS2DrawSetColor(uint8_t r, uint8_t g, uint8_t b)
{
  colorR = r;
  colorG = g;
  colorB = b;
}

// XYZ2: X in bits 0-15, Y in 16-31 (12.4 fixed point, offset added in 16 bits), Z above.
static uint64_t screenXYZ(int32_t x, int32_t y, uint32_t z)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  uint16_t gx = (uint16_t)((uint16_t)(x + mode->offsetX) * 16);
  uint16_t gy = (uint16_t)((uint16_t)(y + mode->offsetY) * 16);
  return (uint64_t)gx | (uint64_t)gy << 16 | (uint64_t)z << 32;
}

static uint64_t currentRGBA(uint8_t alpha)
{
  return (uint64_t)colorR | (uint64_t)colorG << 8 | (uint64_t)colorB << 16 | (uint64_t)alpha << 24;
}

void PS2DrawEnableZBuffer(int enable)
{
  PacketBeginAD(1);
  PacketAddAD(enable ? GS_TEST_ZGREATER : GS_TEST_ZALWAYS, GS_TEST_1);
  GifSend();
}

void PS2DrawClear(void)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  PS2DrawEnableZBuffer(0);
  PS2DrawFillRect(0, 0, (int16_t)mode->width, (int16_t)mode->height);
  PS2DrawEnableZBuffer(1);
}

void PS2DrawFillRect(int16_t x1, int16_t y1, int16_t x2, int16_t y2)
{
  PacketBeginAD(4);
  PacketAddAD(6, GS_PRIM);
  PacketAddAD(currentRGBA(0xFF), GS_RGBAQ);
  PacketAddAD(screenXYZ(x1, y1, 0), GS_XYZ2);
  PacketAddAD(screenXYZ(x2 + 1, y2 + 1, 0), GS_XYZ2);
  GifSend();
}

void PS2DrawSetPixel(int16_t x, int16_t y)
{
  PacketBeginAD(3);
  PacketAddAD(0, GS_PRIM);
  PacketAddAD(currentRGBA(0xFF), GS_RGBAQ);
  PacketAddAD(screenXYZ(x, y, 0), GS_XYZ2);
  GifSend();
}
