// Span loops: the per-pixel pipeline of the GS along one row of a primitive.
//
// Order per pixel: depth test (a failing pixel is dropped), texture (nearest
// texel, DECAL or MODULATE), alpha test (AFAIL decides what is still
// written), frame write under FBMSK, depth write. drawSpan does all of it for
// any register setting; the specialised loops below do the cases the program
// uses (flat or DECAL with texture alpha, REPEAT, alpha test off or NOTEQUAL
// with KEEP, no frame mask) on a row that does not wrap around GS memory,
// and must give exactly the same pixels.
#include "gsdraw.h"
#include "machine_internal.h"

#include <cmath>

// Depth at a pixel: the plane's value, clamped to [0, zMax] (NaN gives 0), truncated.
static inline uint32_t clampDepth(double z, double zMax)
{
  z = z > 0 ? z : 0;
  z = z < zMax ? z : zMax;
  return (uint32_t)(int64_t)z;
}

// floor() for texel coordinates, which stay far inside +-4096. NOTE: a value
// within about 2^-40 below a whole texel (the plane's rounding error at an
// edge) counts as that texel.
static inline int32_t texelFloor(double t)
{
  t = t > -4096.0 ? t : -4096.0;
  t = t < 8192.0 ? t : 8192.0;
  return (int32_t)(int64_t)(t + 4096.0) - 4096;
}


static uint32_t wrapTexel(int64_t t, int logSize, int mode, uint32_t lo, uint32_t hi)
{
  int64_t size = (int64_t)1 << logSize;
  switch (mode) {
  case GS_WRAP_REPEAT:
    return (uint32_t)(t & (size - 1));
  case GS_WRAP_CLAMP:
    return (uint32_t)(t < 0 ? 0 : t >= size ? size - 1 : t);
  case GS_WRAP_REGION_CLAMP:
    return (uint32_t)(t < (int64_t)lo ? lo : t > (int64_t)hi ? hi : t);
  default:
    return (uint32_t)(((uint64_t)t & lo) | hi) & 1023;
  }
}

static uint32_t sampleTexture(const GsDrawEnv *e, double u, double v, uint32_t vertexColor)
{
  int64_t tu = texelFloor(u), tv = texelFloor(v);
  uint32_t x = wrapTexel(tu, e->TW, e->WMS, e->MINU, e->MAXU);
  uint32_t y = wrapTexel(tv, e->TH, e->WMT, e->MINV, e->MAXV);
  uint32_t texel = gsMem[(e->texBase + y * e->texPitch + x) & GS_MEM_MASK];
  // NOTE: with TCC 0 the texture has no alpha and the vertex alpha passes
  // through as it is, in MODULATE as in DECAL: it is not multiplied by itself.
  if (!e->TCC)
    texel = (texel & 0xFFFFFF) | (vertexColor & 0xFF000000u);
  if (e->TFX == GS_TFX_DECAL)
    return texel;
  // MODULATE (HIGHLIGHT modes are taken as MODULATE): 0x80 is 1.0.
  int channels = e->TCC ? 4 : 3;
  uint32_t out = e->TCC ? 0 : vertexColor & 0xFF000000u;
  for (int shift = 0; shift < 8 * channels; shift += 8) {
    uint32_t c = ((vertexColor >> shift & 0xFF) * (texel >> shift & 0xFF)) >> 7;
    out |= (c > 255 ? 255 : c) << shift;
  }
  return out;
}

static int alphaPasses(const GsDrawEnv *e, uint32_t a)
{
  switch (e->ATST) {
  case GS_ATST_NEVER: return 0;
  case GS_ATST_ALWAYS: return 1;
  case GS_ATST_LESS: return a < e->AREF;
  case GS_ATST_LEQUAL: return a <= e->AREF;
  case GS_ATST_EQUAL: return a == e->AREF;
  case GS_ATST_GEQUAL: return a >= e->AREF;
  case GS_ATST_GREATER: return a > e->AREF;
  default: return a != e->AREF;  // GS_ATST_NOTEQUAL
  }
}

// Pixels xa..xb (inclusive, already inside the scissor) of row y.
template <bool TEXTURED>
static void drawSpan(const GsDrawEnv *e, int y, int xa, int xb, const SpanVars *s)
{
  uint32_t fbRow = e->fbBase + (uint32_t)y * e->pitch;
  uint32_t zRow = e->zBase + (uint32_t)y * e->pitch;
  for (int x = xa; x <= xb; x++) {
    double i = (double)(x - xa);
    uint32_t fi = (fbRow + (uint32_t)x) & GS_MEM_MASK, zi = (zRow + (uint32_t)x) & GS_MEM_MASK;
    uint32_t z = s->zFlat ? s->zConst : clampDepth(s->z + s->dzdx * i, (double)e->zMax);
    if (e->ZTE) {
      uint32_t old = gsMem[zi];
      if ((e->ZTST == GS_ZTST_GEQUAL && z < old) || (e->ZTST == GS_ZTST_GREATER && z <= old))
        continue;
    }
    uint32_t c = TEXTURED ? sampleTexture(e, s->u + s->dudx * i, s->v + s->dvdx * i, s->color)
                          : s->color;
    int writeFb = 1, writeZ = e->zWrite;
    uint32_t mask = e->FBMSK;
    if (e->ATE && !alphaPasses(e, c >> 24)) {
      if (e->AFAIL == GS_AFAIL_KEEP)
        continue;
      if (e->AFAIL == GS_AFAIL_ZB_ONLY)
        writeFb = 0;
      else
        writeZ = 0;
      if (e->AFAIL == GS_AFAIL_RGB_ONLY)
        mask |= 0xFF000000u;
    }
    if (writeFb)
      gsMem[fi] = mask ? (gsMem[fi] & mask) | (c & ~mask) : c;
    if (writeZ)
      gsMem[zi] = z;
  }
}


enum { ZM_NONE = 0, ZM_GEQUAL = 1, ZM_GREATER = 2 };

// Pointers to the row in frame and depth memory, or null when it wraps.
static int rowPointers(const GsDrawEnv *e, int y, int xa, int n, uint32_t **fb, uint32_t **zb)
{
  uint32_t f = (e->fbBase + (uint32_t)y * e->pitch + (uint32_t)xa) & GS_MEM_MASK;
  uint32_t z = (e->zBase + (uint32_t)y * e->pitch + (uint32_t)xa) & GS_MEM_MASK;
  if (f + (uint32_t)n > GS_MEM_WORDS || z + (uint32_t)n > GS_MEM_WORDS)
    return 0;
  *fb = gsMem + f;
  *zb = gsMem + z;
  return 1;
}

template <int ZMODE, bool ZWRITE, bool ZFLAT>
static void flatSpan(const GsDrawEnv *e, int y, int xa, int xb, const SpanVars *s)
{
  int n = xb - xa + 1;
  uint32_t *fb, *zb;
  if (!rowPointers(e, y, xa, n, &fb, &zb)) {
    drawSpan<false>(e, y, xa, xb, s);
    return;
  }
  const uint32_t c = s->color, zc = s->zConst;
  const double z0 = s->z, dz = s->dzdx, zMax = (double)e->zMax;
  for (int i = 0; i < n; i++) {
    uint32_t z = ZFLAT ? zc : clampDepth(z0 + dz * (double)i, zMax);
    if ((ZMODE == ZM_GEQUAL && z < zb[i]) || (ZMODE == ZM_GREATER && z <= zb[i]))
      continue;
    fb[i] = c;
    if (ZWRITE)
      zb[i] = z;
  }
}

template <int ZMODE, bool ZWRITE, bool ZFLAT, bool ATEST>
static void decalSpan(const GsDrawEnv *e, int y, int xa, int xb, const SpanVars *s)
{
  int n = xb - xa + 1;
  uint32_t *fb, *zb;
  if (!rowPointers(e, y, xa, n, &fb, &zb)) {
    drawSpan<true>(e, y, xa, xb, s);
    return;
  }
  const uint32_t zc = s->zConst, aref = e->AREF, texBase = e->texBase, texPitch = e->texPitch;
  const uint32_t uMask = (1u << e->TW) - 1, vMask = (1u << e->TH) - 1;
  const double z0 = s->z, dz = s->dzdx, zMax = (double)e->zMax;
  const double u0 = s->u, du = s->dudx, v0 = s->v, dv = s->dvdx;
  for (int i = 0; i < n; i++) {
    uint32_t z = ZFLAT ? zc : clampDepth(z0 + dz * (double)i, zMax);
    if ((ZMODE == ZM_GEQUAL && z < zb[i]) || (ZMODE == ZM_GREATER && z <= zb[i]))
      continue;
    uint32_t tu = (uint32_t)texelFloor(u0 + du * (double)i) & uMask;
    uint32_t tv = (uint32_t)texelFloor(v0 + dv * (double)i) & vMask;
    uint32_t texel = gsMem[(texBase + tv * texPitch + tu) & GS_MEM_MASK];
    if (ATEST && (texel >> 24) == aref)
      continue;
    fb[i] = texel;
    if (ZWRITE)
      zb[i] = z;
  }
}

template <int ZMODE, bool ZWRITE, bool ZFLAT>
static GsSpanFn pickDecal(int alphaTest)
{
  return alphaTest ? decalSpan<ZMODE, ZWRITE, ZFLAT, true> : decalSpan<ZMODE, ZWRITE, ZFLAT, false>;
}

template <int ZMODE, bool ZWRITE>
static GsSpanFn pickFast(const GsDrawEnv *e, const SpanVars *s, int alphaTest)
{
  if (!e->TME)
    return s->zFlat ? flatSpan<ZMODE, ZWRITE, true> : flatSpan<ZMODE, ZWRITE, false>;
  return s->zFlat ? pickDecal<ZMODE, ZWRITE, true>(alphaTest)
                  : pickDecal<ZMODE, ZWRITE, false>(alphaTest);
}

static GsSpanFn generic(const GsDrawEnv *e)
{
  return e->TME ? drawSpan<true> : drawSpan<false>;
}

GsSpanFn gsChooseSpan(const GsDrawEnv *e, const SpanVars *s)
{
  if (e->FBMSK != 0 || (e->ZTE && e->ZTST == GS_ZTST_NEVER))
    return generic(e);
  // The alpha test: a flat colour passes or fails once for the whole primitive;
  // texels are tested per pixel in the DECAL loop only for NOTEQUAL with KEEP.
  int alphaTest = 0;
  if (e->ATE && e->ATST != GS_ATST_ALWAYS) {
    if (!e->TME) {
      if (!alphaPasses(e, s->color >> 24))
        return generic(e);
    } else if (e->ATST == GS_ATST_NOTEQUAL && e->AFAIL == GS_AFAIL_KEEP) {
      alphaTest = 1;
    } else {
      return generic(e);
    }
  }
  if (e->TME && (e->TFX != GS_TFX_DECAL || !e->TCC ||
                      e->WMS != GS_WRAP_REPEAT || e->WMT != GS_WRAP_REPEAT))
    return generic(e);
  int mode = !e->ZTE || e->ZTST == GS_ZTST_ALWAYS ? ZM_NONE
             : e->ZTST == GS_ZTST_GEQUAL           ? ZM_GEQUAL
                                                      : ZM_GREATER;
  if (mode == ZM_NONE)
    return e->zWrite ? pickFast<ZM_NONE, true>(e, s, alphaTest) : pickFast<ZM_NONE, false>(e, s, alphaTest);
  if (mode == ZM_GEQUAL)
    return e->zWrite ? pickFast<ZM_GEQUAL, true>(e, s, alphaTest) : pickFast<ZM_GEQUAL, false>(e, s, alphaTest);
  return e->zWrite ? pickFast<ZM_GREATER, true>(e, s, alphaTest) : pickFast<ZM_GREATER, false>(e, s, alphaTest);
}
