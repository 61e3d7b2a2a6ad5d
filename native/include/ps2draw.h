// Primitive drawing: clears, rectangles, points and triangle lists, each one
// A+D packet sent at once.
#pragma once
#include <cstdint>

#include "gsregs.h"

struct ScreenVertex;

// TEST_1 of every draw: the alpha test (NOTEQUAL 0, failures write nothing)
// keeps texels of alpha 0 out of the picture and the depth buffer; the depth
// test is GREATER, or ALWAYS for clears and text.
constexpr uint64_t GS_TEST_ZGREATER =
    GsPack(GsTEST.ATE, 1) | GsPack(GsTEST.ATST, GS_ATST_NOTEQUAL) |
    GsPack(GsTEST.AFAIL, GS_AFAIL_KEEP) | GsPack(GsTEST.ZTE, 1) |
    GsPack(GsTEST.ZTST, GS_ZTST_GREATER);
constexpr uint64_t GS_TEST_ZALWAYS =
    GsPack(GsTEST.ATE, 1) | GsPack(GsTEST.ATST, GS_ATST_NOTEQUAL) |
    GsPack(GsTEST.AFAIL, GS_AFAIL_KEEP) | GsPack(GsTEST.ZTE, 1) |
    GsPack(GsTEST.ZTST, GS_ZTST_ALWAYS);

void PS2DrawSetZScale(float scale);
void PS2DrawSetColor(uint8_t r, uint8_t g, uint8_t b);
void PS2DrawEnableZBuffer(int enable);
void PS2DrawClear(void);
void PS2DrawFillRect(int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void PS2DrawSetPixel(int16_t x, int16_t y);
void PS2DrawTriangleBuffer(const ScreenVertex *records, int count, uint8_t r, uint8_t g, uint8_t b);
// Uploads the texture (see ps2drawtex.h) and draws with it, DECAL. A texture
// the texture area cannot hold is not uploaded: the triangles are drawn flat
// in the mean colour of its opaque texels instead.
void PS2DrawTriangleBufferWithTex(const ScreenVertex *records, int count, uint16_t texWidth,
                                  uint16_t texHeight, const void *pixels);

// The conversions the triangle packets use: the GS depth of a vertex depth z
// under the current zScale (it saturates instead of wrapping); the whole
// texels of a texture coordinate t over `size` texels; and the UV register
// values of one triangle's three records, wrapped as the GS repeats the texture.
uint32_t PS2DrawDepthOf(float z);
int32_t PS2DrawTexelOf(uint16_t size, float t);
void PS2DrawTriangleUV(const ScreenVertex *tri, uint16_t texWidth, uint16_t texHeight,
                       uint64_t uv[3]);

// What the triangle draws did since start-up: triangles handed in, texture
// uploads, and the time spent (packets, DMA and the GS drawing them).
struct PS2DrawStats {
  int64_t triangles;
  int64_t uploads;
  int64_t nanos;
};
const PS2DrawStats *PS2DrawGetStats(void);
