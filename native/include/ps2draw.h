// Primitive drawing: clears, rectangles, points and triangle lists, each one
// A+D packet sent at once.
#pragma once
#include <cstdint>

struct ScreenVertex;

// TEST_1 values: alpha test NOTEQUAL 0 with depth test GREATER or ALWAYS.
enum : uint64_t { GS_TEST_ZGREATER = 0x7000F, GS_TEST_ZALWAYS = 0x3000F };

void PS2DrawSetZScale(float scale);
void PS2DrawSetColor(uint8_t r, uint8_t g, uint8_t b);
void PS2DrawEnableZBuffer(int enable);
void PS2DrawClear(void);
void PS2DrawFillRect(int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void PS2DrawSetPixel(int16_t x, int16_t y);
void PS2DrawTriangleBuffer(const ScreenVertex *records, int count, uint8_t r, uint8_t g, uint8_t b);
void PS2DrawTriangleBufferWithTex(const ScreenVertex *records, int count, uint16_t texWidth,
                                  uint16_t texHeight, const void *pixels);
