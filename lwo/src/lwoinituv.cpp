// Texture coordinates of a textured surface.
//
// Planar projection: computed from each point and the surface's texture box.
// UV map: taken from the object's vertex maps; a point on a seam needs two
// coordinates, so the corners that a VMAD entry names get copies of the point
// appended to the map's seam arrays, and the surface's triangles are pointed
// at those copies. Other projections give no coordinates (0, 0 everywhere).
#include "lwoparse.h"
#include "mem.h"

#include <cmath>
#include <cstring>

// One planar coordinate: (p - centre) / size + 0.5, or 0 when the size is 0
// or the result is not a finite number, so nothing undefined reaches drawing.
static float planar(float offset, float size)
{
  if (size == 0.0f)
    return 0.0f;
  float value = offset / size + 0.5f;
  return std::isfinite(value) ? value : 0.0f;
}

static float finiteOrZero(float value)
{
  return std::isfinite(value) ? value : 0.0f;
}

static void buildPlanar(LwoSurface *surface)
{
  const float *size = surface->textureSize;
  const float *centre = surface->textureCenter;
  if (surface->axis < 0 || surface->axis > 2)
    return;  // no axis to project along: coordinates stay 0
  for (int32_t i = 0; i < initLwo->vertexCount; i++) {
    const float *p = &initLwo->points[i * 3];
    float a = planar(p[0] - centre[0], size[0]);
    float b = planar(p[1] - centre[1], size[1]);
    // z is stored negated: 0.5 - (z + cz) / sz is 0.5 + (Z - cz) / sz for the file's Z.
    float c = size[2] == 0.0f ? 0.0f : 0.5f - (p[2] + centre[2]) / size[2];
    if (!std::isfinite(c))
      c = 0.0f;
    float *uv = &surface->uv[i * 2];
    switch (surface->axis) {
    case 0: uv[0] = c; uv[1] = b; break;
    case 1: uv[0] = a; uv[1] = c; break;
    default: uv[0] = a; uv[1] = b; break;
    }
  }
}

int32_t LwoSurfBuildUV(void)
{
  LwoSurface *surface = &initLwo->surfaces[initSurf];
  if (surface->projection == LWO_PROJ_UV)
    return LwoSurfBuildUVMapping();
  if (surface->projection == LWO_PROJ_PLANAR)
    buildPlanar(surface);
  return 0;
}

static LwoUVMap *findMap(const char *name)
{
  for (int32_t m = 0; m < initLwo->uvMapCount; m++)
    if (strcmp(initLwo->uvMaps[m].name, name) == 0)
      return &initLwo->uvMaps[m];
  return nullptr;
}

// Is triangle t on the surface being prepared?
static int32_t onThisSurface(int32_t t)
{
  return initLwo->polygons[initLwo->triangles[t].polygon].surface == initSurf;
}

// Seam copies of the whole map: each corner, on any surface, that a VMAD
// entry names. Every surface that uses the map takes its copies from this room.
static int64_t countSeams(const LwoUVMap *map)
{
  int64_t count = 0;
  for (int32_t d = 0; d < map->discCount; d++) {
    const LwoUV *entry = &map->discUV[d];
    const LwoPolygon *polygon = &initLwo->polygons[entry->polygon];
    for (int32_t t = polygon->firstTriangle; t < polygon->firstTriangle + polygon->triCount; t++)
      for (int k = 0; k < 3; k++)
        count += initLwo->triangles[t].vertex[k] == entry->vertex;
  }
  return count;
}

// The first surface that uses a map lays down its seam arrays: the object's
// points with the VMAP coordinates, then room for every seam copy of the map.
// Later surfaces append their copies after the earlier ones' (totalCount), so
// all of them index one numbering and nothing is rebuilt.
static int32_t makeSeamArrays(LwoUVMap *map)
{
  int32_t base = initLwo->vertexCount;
  int64_t room = (int64_t)base + countSeams(map);
  map->seamPoints = (float *)lwoAlloc(room * 3, sizeof(float));
  map->flatUV = (float *)lwoAlloc(room * 2, sizeof(float));
  if (!map->seamPoints || !map->flatUV)
    return lwoNoMemory();
  memcpy(map->seamPoints, initLwo->points, sizeof(float) * 3 * (size_t)base);
  for (int32_t i = 0; i < base; i++) {
    map->flatUV[i * 2 + 0] = finiteOrZero(map->vertexUV[i].u);
    map->flatUV[i * 2 + 1] = finiteOrZero(map->vertexUV[i].v);
  }
  map->seamRoom = (int32_t)room;
  map->baseCount = base;
  map->totalCount = base;
  map->flatCount = base;
  return 0;
}

// The surface's triangles, in the order of its triIndices, are its triangles
// among the object's in object order: `slot[t]` is triangle t's place there.
int32_t LwoSurfBuildUVMapping(void)
{
  LwoSurface *surface = &initLwo->surfaces[initSurf];
  LwoUVMap *map = findMap(surface->uvMapName);
  if (!map) {
    // No coordinates to draw with: the surface is drawn in its flat colour.
    surface->projection = LWO_PROJ_NONE;
    return 0;
  }
  surface->uvMap = map;
  if (!map->seamPoints && makeSeamArrays(map) != 0)
    return LWO_ERR_NO_MEMORY;
  int32_t next = map->totalCount;
  int32_t *slot = (int32_t *)lwoAlloc(initLwo->triangleCount, sizeof(int32_t));
  if (!slot)
    return lwoNoMemory();
  for (int32_t t = 0, n = 0; t < initLwo->triangleCount; t++)
    slot[t] = onThisSurface(t) ? n++ : -1;

  for (int32_t d = 0; d < map->discCount; d++) {
    const LwoUV *entry = &map->discUV[d];
    const LwoPolygon *polygon = &initLwo->polygons[entry->polygon];
    for (int32_t t = polygon->firstTriangle; t < polygon->firstTriangle + polygon->triCount; t++) {
      if (slot[t] < 0)
        continue;
      int32_t *corners = &surface->triIndices[slot[t] * 3];
      for (int k = 0; k < 3; k++) {
        if (initLwo->triangles[t].vertex[k] != entry->vertex || next >= map->seamRoom)
          continue;
        corners[k] = next;
        memcpy(&map->seamPoints[next * 3], &initLwo->points[entry->vertex * 3], 3 * sizeof(float));
        map->flatUV[next * 2 + 0] = finiteOrZero(entry->u);
        map->flatUV[next * 2 + 1] = finiteOrZero(entry->v);
        next++;
      }
    }
  }
  MemFree(slot);
  map->totalCount = next;
  map->flatCount = next;
  return 0;
}
