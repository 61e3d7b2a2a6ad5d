// Screen-edge clipping: four passes cut a triangle list against the left,
// top, right and bottom edges of the clip rectangle.
//
// The passes are one algorithm. A vertex on the left or top edge is inside,
// one on the right or bottom edge is outside, so every triangle handed on
// lies in [clipX1, clipX2] x [clipY1, clipY2] with cut points possibly on the
// right and bottom edges. Integer comparisons decide every case; floats are
// used only for the cut points, with one reciprocal per cut edge.
#include "renderint.h"

#include <cstring>

// Clip rectangle: written by PS2DrawSetClip, read by the passes. 0 until the
// first PS2DrawSetClip.
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

// One pass: the coordinate it looks at, its bound, and whether inside is at
// or above the bound (left, top) or below it (right, bottom).
struct ClipPass {
  int axis;     // 0: x, 1: y
  int32_t bound;
  int low;      // 1: inside when c >= bound; 0: inside when c < bound
};

static inline int32_t coordOf(const ScreenVertex *v, int axis)
{
  return axis ? v->y : v->x;
}

static inline int isInside(const ScreenVertex *v, const ClipPass *pass)
{
  int32_t c = coordOf(v, pass->axis);
  return pass->low ? c >= pass->bound : c < pass->bound;
}

static inline void sortStep(ScreenVertex *a, ScreenVertex *b, int axis)
{
  if (coordOf(b, axis) < coordOf(a, axis)) {
    ScreenVertex t = *a;
    *a = *b;
    *b = t;
  }
}

// The cut point on the edge from inside vertex I to outside vertex O: the
// pass's coordinate is the bound; the other one and z, u, v are interpolated
// in single precision, the other coordinate truncated toward zero and kept
// between the edge's ends. The words the interpolation does not write are I's.
static void cutPoint(ScreenVertex *p, const ScreenVertex *in, const ScreenVertex *out,
                     const ClipPass *pass)
{
  int32_t ic = coordOf(in, pass->axis), oc = coordOf(out, pass->axis);
  float r, d;
  if (pass->low) {
    r = 1.0f / (float)(ic - oc);
    d = (float)(ic - pass->bound);
  } else {
    r = 1.0f / (float)(oc - ic);
    d = (float)(pass->bound - ic);
  }
  *p = *in;
  int32_t io = coordOf(in, !pass->axis), oo = coordOf(out, !pass->axis);
  int32_t other = renderTruncSat((float)io + ((float)(oo - io) * r) * d);
  // NOTE: r * d can come out a rounding step above 1, which could put the
  // point a pixel past its own edge's end, and so outside the rectangle;
  // the point lies on the edge, so hold it between the ends.
  int32_t lo = io < oo ? io : oo, hi = io < oo ? oo : io;
  other = other < lo ? lo : other > hi ? hi : other;
  if (pass->axis) {
    p->y = pass->bound;
    p->x = other;
  } else {
    p->x = pass->bound;
    p->y = other;
  }
  p->z = in->z + ((out->z - in->z) * r) * d;
  p->u = in->u + ((out->u - in->u) * r) * d;
  p->v = in->v + ((out->v - in->v) * r) * d;
}

// Cuts one triangle, sorted by the pass's coordinate in place, and appends
// 0, 1 or 2 triangles at `dst`. Returns the number appended.
static int clipTriangle(ScreenVertex *s, ScreenVertex *dst, const ClipPass *pass, int *touched)
{
  sortStep(&s[0], &s[1], pass->axis);
  sortStep(&s[1], &s[2], pass->axis);
  sortStep(&s[0], &s[1], pass->axis);
  int outside = !isInside(&s[0], pass) + !isInside(&s[1], pass) + !isInside(&s[2], pass);
  if (outside == 0) {
    memcpy(dst, s, 3 * sizeof *s);
    return 1;
  }
  *touched = 1;
  if (outside == 3)
    return 0;
  if (outside == 2) {
    // Sorted by c: the outside pair is at the low end for left and top, at
    // the high end for right and bottom; O1 has the smaller c.
    const ScreenVertex *in = pass->low ? &s[2] : &s[0];
    const ScreenVertex *o1 = pass->low ? &s[0] : &s[1];
    const ScreenVertex *o2 = pass->low ? &s[1] : &s[2];
    dst[0] = *in;
    cutPoint(&dst[1], in, o1, pass);
    cutPoint(&dst[2], in, o2, pass);
    return 1;
  }
  // One outside. I1 is the inside vertex farther from the edge, I2 the nearer.
  const ScreenVertex *o = pass->low ? &s[0] : &s[2];
  const ScreenVertex *i1 = pass->low ? &s[2] : &s[0];
  const ScreenVertex *i2 = &s[1];
  dst[0] = *i1;
  dst[1] = *i2;
  cutPoint(&dst[2], i1, o, pass);
  cutPoint(&dst[3], i2, o, pass);
  dst[4] = *i2;
  dst[5] = dst[2];
  return 2;
}

// One pass over `count` triangles from `src` into `dst`; returns the new count.
static int32_t clipPass(ScreenVertex *src, int32_t count, ScreenVertex *dst, const ClipPass *pass,
                        int *touched)
{
  int32_t n = 0;
  for (int32_t t = 0; t < count; t++)
    n += clipTriangle(&src[3 * t], &dst[3 * n], pass, touched);
  return n;
}

static inline int cornersInside(const ScreenVertex *t)
{
  for (int k = 0; k < 3; k++)
    if (t[k].x < clipX1 || t[k].x >= clipX2 || t[k].y < clipY1 || t[k].y >= clipY2)
      return 0;
  return 1;
}

// What the four passes do to a triangle no pass cuts: each sorts its corners
// by the pass's coordinate (x, y, x, y) with stable compare-exchanges and
// hands them on. Stable sorts compose: sorting by y what is sorted by x gives
// the order of (y, x, place), and so on, so the four come to one stable sort
// by y and then x.
static inline int before(const ScreenVertex *a, const ScreenVertex *b)
{
  return a->y < b->y || (a->y == b->y && a->x < b->x);
}

static void passSortsOnly(ScreenVertex *t)
{
  int o0 = 0, o1 = 1, o2 = 2, k;
  if (before(&t[o1], &t[o0]))
    k = o0, o0 = o1, o1 = k;
  if (before(&t[o2], &t[o1]))
    k = o1, o1 = o2, o2 = k;
  if (before(&t[o1], &t[o0]))
    k = o0, o0 = o1, o1 = k;
  if (o0 == 0 && o1 == 1)
    return;
  ScreenVertex was[3] = {t[0], t[1], t[2]};
  t[0] = was[o0];
  t[1] = was[o1];
  t[2] = was[o2];
}

int32_t renderClip(ScreenVertex *list, int32_t count, ScreenVertex *scratch, int *touched)
{
  *touched = 0;
  int32_t inside = 0;
  while (inside < count && cornersInside(&list[3 * inside]))
    inside++;
  if (inside == count) {  // most triangles: nothing to cut
    for (int32_t t = 0; t < count; t++)
      passSortsOnly(&list[3 * t]);
    return count;
  }
  const ClipPass passes[4] = {
      {0, clipX1, 1},  // left
      {1, clipY1, 1},  // top
      {0, clipX2, 0},  // right
      {1, clipY2, 0},  // bottom
  };
  // Ping-pong between the list and the scratch; four passes end in the list.
  ScreenVertex *src = list, *dst = scratch;
  for (int p = 0; p < 4; p++) {
    count = clipPass(src, count, dst, &passes[p], touched);
    ScreenVertex *t = src;
    src = dst;
    dst = t;
  }
  return count;
}
