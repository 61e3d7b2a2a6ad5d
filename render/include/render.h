// The software render front end: vertex transformation and projection,
// triangle assembly with culling and the depth cut, screen-edge clipping.
#pragma once
#include <cstdint>

// A screen-space vertex: eleven 32-bit words.
struct ScreenVertex {
  int32_t x;      // screen column; the surface centre is half its width
  int32_t y;      // screen row
  float z;        // depth after projection; below 1 for what can be seen
  float u, v;     // texture coordinates, 0 and 1 at the texture's edges
  float eu, ev;   // environment coordinates from the vertex normal
  int32_t spare[4];  // travel with the record; no stage reads them
};
static_assert(sizeof(ScreenVertex) == 44, "ScreenVertex is eleven 32-bit words");

// Clip rectangle for the screen-edge passes; the values are taken as 16-bit
// signed numbers and each pair is put in order.
void PS2DrawSetClip(int x1, int y1, int x2, int y2);
