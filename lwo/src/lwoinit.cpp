// Preparation of a parsed object for drawing: per-surface triangle tables and
// texture coordinates, vertex normals when a surface needs them, and the
// untouched copies of points and normals that the morphs work from.
#include "lwoparse.h"

// Module state: the object and the surface being prepared. Written by LwoInit
// only; the steps in lwoinittri, lwoinitnorm, lwoinitmorph and lwoinituv read it.
LwoObject *initLwo;
int32_t initSurf;
// The coordinates of the object's surfaces whose projection computes none:
// (0, 0) at every point. Nothing writes them, so one zero-filled array serves
// all such surfaces of the object. Written by LwoInit and uvArrayFor only.
static float *zeroUV;

// The coordinate array of a surface: its own for a planar projection along a
// valid axis, where every pair is then computed; the shared zero array for
// the projections that compute none.
static float *uvArrayFor(const LwoSurface *surface)
{
  int64_t floats = (int64_t)initLwo->vertexCount * 2;
  if (surface->projection == LWO_PROJ_PLANAR && surface->axis >= 0 && surface->axis <= 2)
    return (float *)lwoAllocUninit(floats, sizeof(float));
  if (!zeroUV)
    zeroUV = (float *)lwoAlloc(floats, sizeof(float));
  return zeroUV;
}

// Flags and texture coordinates of surface s, once the triangle tables exist.
static int32_t initSurface(int32_t s)
{
  initSurf = s;
  LwoSurface *surface = &initLwo->surfaces[s];
  if (surface->smoothing || surface->reflection)
    initLwo->needNormals = 1;
  // Per-point coordinates only for the surfaces that draw with them (an image
  // on a projection other than a UV map): one array per surface and point
  // would not fit the pool for real objects of many surfaces.
  if (surface->texture && surface->projection != LWO_PROJ_NONE &&
      surface->projection != LWO_PROJ_UV) {
    surface->uvCount = initLwo->vertexCount;
    surface->uv = uvArrayFor(surface);
    if (!surface->uv)
      return lwoNoMemory();
  }
  return surface->texture ? LwoSurfBuildUV() : 0;
}

int32_t LwoInit(void)
{
  initLwo = LwoGetCurrent();
  if (!initLwo)
    return LWO_ERR_NULL;
  zeroUV = nullptr;
  for (int i = 0; i < 3; i++)
    initLwo->transform.scale[i] = 1.0f;
  initLwo->normalCount = initLwo->vertexCount;
  initLwo->normals = (float *)lwoAlloc((int64_t)initLwo->vertexCount * 3, sizeof(float));
  if (!initLwo->normals)
    return lwoNoMemory();
  // Only the surfaces decide: smoothing or a reflection image needs normals.
  initLwo->needNormals = 0;
  int32_t tables = LwoSurfAllocTriTable();
  if (tables != 0)
    return tables;
  LwoSurfBuildTriTable();
  for (int32_t s = 0; s < initLwo->surfaceCount; s++) {
    int32_t result = initSurface(s);
    if (result != 0)
      return result;
  }
  int32_t seams = LwoObjBuildSeams();
  if (seams != 0)
    return seams;
  if (initLwo->needNormals) {
    int32_t result = LwoObjBuildNormals();
    if (result != 0)
      return result;
  }
  return LwoMorphAlloc();
}
