// Per-surface triangle tables: the point indices of the surface's triangles,
// in the object's triangle order (file order).
#include "lwoparse.h"

static int32_t onSurface(const LwoTriangle *triangle, int32_t s)
{
  return initLwo->polygons[triangle->polygon].surface == s;
}

int32_t LwoSurfAllocTriTable(void)
{
  LwoSurface *surface = &initLwo->surfaces[initSurf];
  int32_t count = 0;
  for (int32_t t = 0; t < initLwo->triangleCount; t++)
    count += onSurface(&initLwo->triangles[t], initSurf);
  surface->triCount = count;
  surface->triIndices = (int32_t *)lwoAlloc((int64_t)count * 3, sizeof(int32_t));
  return surface->triIndices ? 0 : lwoNoMemory();
}

void LwoSurfBuildTriTable(void)
{
  LwoSurface *surface = &initLwo->surfaces[initSurf];
  int32_t *out = surface->triIndices;
  for (int32_t t = 0; t < initLwo->triangleCount; t++) {
    const LwoTriangle *triangle = &initLwo->triangles[t];
    if (!onSurface(triangle, initSurf))
      continue;
    out[0] = triangle->vertex[0];
    out[1] = triangle->vertex[1];
    out[2] = triangle->vertex[2];
    out += 3;
  }
}
