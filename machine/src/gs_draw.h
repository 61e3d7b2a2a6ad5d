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

// Each returns the number of pixels it covered inside the scissor.
uint64_t gsDrawPoint(const GsDrawEnv *env, const GsVertex *v);
uint64_t gsDrawSprite(const GsDrawEnv *env, const GsVertex *v0, const GsVertex *v1);
uint64_t gsDrawTriangle(const GsDrawEnv *env, const GsVertex *v0, const GsVertex *v1,
                        const GsVertex *v2);
