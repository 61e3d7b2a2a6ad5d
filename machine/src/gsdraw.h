// The GS rasteriser's inputs, shared by gs.cpp (registers, vertex queue) and
// gsdraw.cpp (points, sprites, triangles). Not for the program.
#pragma once
#include <cstdint>

#include "gsregs.h"

// One vertex as the queue latches it at an XYZ write.
struct GsVertex {
  int32_t x, y;     // window coordinates in 1/16 pixel (XYZ minus XYOFFSET)
  uint32_t z;
  uint32_t rgba;    // R 0-7, G 8-15, B 16-23, A 24-31
  uint32_t u, v;    // texel coordinates in 1/16 texel (UV register, or ST/Q converted)
};

// The drawing environment of one primitive, decoded from the context's
// registers when the primitive is kicked. Fields in capitals hold the
// register field of that name as it is; the others are derived from them.
// Word addresses are indices into gsMem before the modulo.
struct GsDrawEnv {
  uint32_t fbBase, pitch;           // FRAME.FBP in words, FRAME.FBW in pixels (both buffers)
  uint32_t FBMSK;
  uint32_t zBase, zMax;             // ZBUF.ZBP in words, the largest depth ZBUF.PSM keeps
  int zWrite;                       // TEST.ZTE and not ZBUF.ZMSK
  int ZTE, ZTST;                    // TEST
  int ATE, ATST, AFAIL;
  uint32_t AREF;
  int SCAX0, SCAX1, SCAY0, SCAY1;   // SCISSOR
  int TME;                          // PRIM
  uint32_t texBase, texPitch;       // TEX0.TBP0 in words, TEX0.TBW in pixels
  int TW, TH;                       // TEX0, at most 10
  int TFX, TCC;
  int WMS, WMT;                     // CLAMP
  uint32_t MINU, MAXU, MINV, MAXV;
};

// What varies along a span: depth and texel coordinates at its first pixel
// and their steps per pixel.
struct SpanVars {
  double z, dzdx;
  double u, dudx, v, dvdx;
  int zFlat;           // every vertex has the same depth: use zConst exactly
  uint32_t zConst;
  uint32_t color;      // the primitive's (flat) colour
};

// Draws pixels xa..xb (inclusive, inside the scissor) of row y.
typedef void (*GsSpanFn)(const GsDrawEnv *env, int y, int xa, int xb, const SpanVars *s);
// The span routine for a primitive: a specialised loop for the common
// cases (gsspan.cpp), the general per-pixel pipeline otherwise.
GsSpanFn gsChooseSpan(const GsDrawEnv *env, const SpanVars *s);

// The rows of one band: blocks of 1 << GS_BAND_SHIFT rows dealt out in turn
// to `count` bands, block b to band b % count. Interleaved blocks share the
// picture's busy and empty parts out evenly; a small primitive usually falls
// in one block, so one band draws it and the others reject it after its
// bounding box. count 1: every row.
enum { GS_BAND_SHIFT = 4 };
struct GsBand {
  int index, count;
};
static inline int gsBandOwns(const GsBand *b, int64_t y)
{
  return b->count == 1 || (int)((y >> GS_BAND_SHIFT) % b->count) == b->index;
}
// The first row at or after y that the band owns (y >= 0).
static inline int64_t gsBandFirst(const GsBand *b, int64_t y)
{
  if (gsBandOwns(b, y))
    return y;
  int64_t block = y >> GS_BAND_SHIFT;
  int64_t ahead = (b->index - block % b->count + b->count) % b->count;
  return (block + ahead) << GS_BAND_SHIFT;
}

// Each draws the rows of `band` and returns the number of pixels it covered
// there inside the scissor.
uint64_t gsDrawPoint(const GsDrawEnv *env, const GsBand *band, const GsVertex *v);
uint64_t gsDrawSprite(const GsDrawEnv *env, const GsBand *band, const GsVertex *v0,
                      const GsVertex *v1);
uint64_t gsDrawTriangle(const GsDrawEnv *env, const GsBand *band, const GsVertex *v0,
                        const GsVertex *v1, const GsVertex *v2);

// Drawing in bands (gsqueue.cpp). gsQueueDraw takes a primitive in the
// program's order: `env` is the decoded environment, `fresh` 1 when it changed
// since the last call. The primitive is drawn at once, or batched and drawn in
// bands by several threads. gsQueueSync draws what is batched and adds its
// pixels to the statistics: every reader of GS memory, and every writer other
// than drawing, calls it first.
void gsQueueDraw(const GsDrawEnv *env, int fresh, int type, const GsVertex *a,
                 const GsVertex *b, const GsVertex *c);
void gsQueueSync(void);
// The kinds of primitive gsQueueDraw takes.
enum { GS_KIND_POINT = 0, GS_KIND_SPRITE = 1, GS_KIND_TRIANGLE = 2 };
