// Per-surface triangle tables: the point indices of each surface's triangles,
// in the object's triangle order (file order). Both steps make one pass over
// the object's triangles for all surfaces together, so an object of many
// surfaces costs no more than one of a single surface.
#include "lwoparse.h"

// The surface a polygon is drawn with, or -1 when its tag names no surface
// (such a polygon is never drawn).
static int32_t surfaceOf(const LwoPolygon *polygon, int32_t surfaceCount)
{
  int32_t s = polygon->surface;
  return s >= 0 && s < surfaceCount ? s : -1;
}

// The object's fields are taken into locals in both passes: the stores into
// the surfaces would otherwise make the compiler fetch them again for every
// triangle.
int32_t LwoSurfAllocTriTable(void)
{
  LwoSurface *surfaces = initLwo->surfaces;
  const LwoPolygon *polygons = initLwo->polygons;
  const LwoTriangle *triangles = initLwo->triangles;
  int32_t surfaceCount = initLwo->surfaceCount, triangleCount = initLwo->triangleCount;
  for (int32_t s = 0; s < surfaceCount; s++)
    surfaces[s].triCount = 0;
  for (int32_t t = 0; t < triangleCount; t++) {
    int32_t s = surfaceOf(&polygons[triangles[t].polygon], surfaceCount);
    if (s >= 0)
      surfaces[s].triCount++;
  }
  for (int32_t s = 0; s < surfaceCount; s++) {
    LwoSurface *surface = &surfaces[s];
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
  LwoSurface *surfaces = initLwo->surfaces;
  const LwoPolygon *polygons = initLwo->polygons;
  const LwoTriangle *triangles = initLwo->triangles;
  int32_t surfaceCount = initLwo->surfaceCount, triangleCount = initLwo->triangleCount;
  // The fill cursors live in the counts, which end where they began.
  for (int32_t s = 0; s < surfaceCount; s++)
    surfaces[s].triCount = 0;
  for (int32_t t = 0; t < triangleCount; t++) {
    const LwoTriangle *triangle = &triangles[t];
    int32_t s = surfaceOf(&polygons[triangle->polygon], surfaceCount);
    if (s < 0)
      continue;
    LwoSurface *surface = &surfaces[s];
    int32_t *out = &surface->triIndices[surface->triCount++ * 3];
    out[0] = triangle->vertex[0];
    out[1] = triangle->vertex[1];
    out[2] = triangle->vertex[2];
  }
}
