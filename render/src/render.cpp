// The software render front end.
#include "render.h"

// Clip rectangle: set by PS2DrawSetClip, read by the clipping passes.
static int16_t clipX1, clipY1, clipX2, clipY2;

void PS2DrawSetClip(int x1, int y1, int x2, int y2)
{
  int16_t ax = (int16_t)x1, ay = (int16_t)y1, bx = (int16_t)x2, by = (int16_t)y2;
  if (bx < ax) {
    int16_t t = ax; ax = bx; bx = t;
  }
  if (by < ay) {
    int16_t t = ay; ay = by; by = t;
  }
  clipX1 = ax;
  clipY1 = ay;
  clipX2 = bx;
  clipY2 = by;
}
