// Per-surface triangle tables: the point indices of each surface's triangles,
// in the object's triangle order (file order). Both steps make one pass over
// the object's triangles for all surfaces together, so an object of many
// surfaces costs no more than one of a single surface.
#include "lwoparse.h"

// The surface a triangle is drawn with, or -1 when its polygon's tag names no
// surface (such a polygon is never drawn).
static int32_t surfaceOf(const LwoTriangle *triangle)
{
  int32_t s = initLwo->polygons[triangle->polygon].surface;
  return s >= 0 && s < initLwo->surfaceCount ? s : -1;
}

int32_t LwoSurfAllocTriTable(void)
{
  for (int32_t s = 0; s < initLwo->surfaceCount; s++)
    initLwo->surfaces[s].triCount = 0;
  for (int32_t t = 0; t < initLwo->triangleCount; t++) {
    int32_t s = surfaceOf(&initLwo->triangles[t]);
    if (s >= 0)
      initLwo->surfaces[s].triCount++;
  }
  for (int32_t s = 0; s < initLwo->surfaceCount; s++) {
    LwoSurface *surface = &initLwo->surfaces[s];
    // LwoSurfBuildTriTable writes every entry.
    surface->triIndices =
        (int32_t *)lwoAllocUninit((int64_t)surface->triCount * 3, sizeof(int32_t));
    if (!surface->triIndices)
      return lwoNoMemory();
  }
  return 0;
}

void LwoSurfBuildTriTable(void)
{
  // The fill cursors live in the counts, which end where they began.
  for (int32_t s = 0; s < initLwo->surfaceCount; s++)
    initLwo->surfaces[s].triCount = 0;
  for (int32_t t = 0; t < initLwo->triangleCount; t++) {
    const LwoTriangle *triangle = &initLwo->triangles[t];
    int32_t s = surfaceOf(triangle);
    if (s < 0)
      continue;
    LwoSurface *surface = &initLwo->surfaces[s];
    int32_t *out = &surface->triIndices[surface->triCount++ * 3];
    out[0] = triangle->vertex[0];
    out[1] = triangle->vertex[1];
    out[2] = triangle->vertex[2];
  }
}
