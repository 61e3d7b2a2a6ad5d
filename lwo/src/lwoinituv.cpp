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

static float finiteOrZero(float value)
{
  return std::isfinite(value) ? value : 0.0f;
}

// One column of planar coordinates (out[i * 2] for every point i) from one
// coordinate of the points: (p - centre) / size + 0.5, or 0 when the size is
// 0 or the result is not a finite number, so nothing undefined reaches
// drawing. z is stored negated, so along z the column is 0.5 - (z + centre) /
// size, which is 0.5 + (Z - centre) / size for the file's Z. One column at a
// time keeps the loop free of branches on the axis, and only the two columns
// that are used are worked out.
template <bool storedZ>
static void planarColumn(float *out, int32_t component, float centre, float size)
{
  const float *points = initLwo->points;
  if (size == 0.0f) {
    for (int32_t i = 0; i < initLwo->vertexCount; i++)
      out[i * 2] = 0.0f;
    return;
  }
  for (int32_t i = 0; i < initLwo->vertexCount; i++) {
    float p = points[i * 3 + component];
    float value = storedZ ? 0.5f - (p + centre) / size : (p - centre) / size + 0.5f;
    out[i * 2] = finiteOrZero(value);
  }
}

static void buildPlanar(LwoSurface *surface)
{
  const float *size = surface->textureSize;
  const float *centre = surface->textureCenter;
  float *uv = surface->uv;
  switch (surface->axis) {
  case 0:  // u from z, v from y
    planarColumn<true>(uv, 2, centre[2], size[2]);
    planarColumn<false>(uv + 1, 1, centre[1], size[1]);
    break;
  case 1:  // u from x, v from z
    planarColumn<false>(uv, 0, centre[0], size[0]);
    planarColumn<true>(uv + 1, 2, centre[2], size[2]);
    break;
  case 2:  // u from x, v from y
    planarColumn<false>(uv, 0, centre[0], size[0]);
    planarColumn<false>(uv + 1, 1, centre[1], size[1]);
    break;
  default:
    break;  // no axis to project along: coordinates stay 0
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
  // The points' part is written here; the room for seam copies starts zero.
  map->seamPoints = (float *)lwoAllocUninit(room * 3, sizeof(float));
  map->flatUV = (float *)lwoAllocUninit(room * 2, sizeof(float));
  if (!map->seamPoints || !map->flatUV)
    return lwoNoMemory();
  memcpy(map->seamPoints, initLwo->points, sizeof(float) * 3 * (size_t)base);
  memset(map->seamPoints + (size_t)base * 3, 0, sizeof(float) * 3 * (size_t)(room - base));
  memset(map->flatUV + (size_t)base * 2, 0, sizeof(float) * 2 * (size_t)(room - base));
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

// Finds the surface's UV map and lays down the map's seam arrays when it is
// the first surface to use it. The seam copies themselves are made for all
// surfaces together afterwards (LwoObjBuildSeams).
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
  return 0;
}

static bool takesSeams(const LwoSurface *surface)
{
  return surface->texture && surface->projection == LWO_PROJ_UV && surface->uvMap;
}

// slot[t]: triangle t's place among its own surface's triangles, which is its
// place in that surface's triIndices (they are in object order), or -1 for a
// triangle of no surface. One table serves every surface. The surfaces'
// counts serve as fill cursors and end where they began.
static void fillSlots(int32_t *slot)
{
  LwoSurface *surfaces = initLwo->surfaces;
  const LwoPolygon *polygons = initLwo->polygons;
  const LwoTriangle *triangles = initLwo->triangles;
  int32_t surfaceCount = initLwo->surfaceCount;
  for (int32_t s = 0; s < surfaceCount; s++)
    surfaces[s].triCount = 0;
  for (int32_t t = 0, count = initLwo->triangleCount; t < count; t++) {
    int32_t s = polygons[triangles[t].polygon].surface;
    slot[t] = s >= 0 && s < surfaceCount ? surfaces[s].triCount++ : -1;
  }
}

// Step through the map's VMAD entries in file order: each corner of this
// surface's triangles that an entry names is pointed at a copy of its point
// carrying the entry's coordinates.
static void copySeams(int32_t s, const int32_t *slot)
{
  LwoSurface *surface = &initLwo->surfaces[s];
  LwoUVMap *map = surface->uvMap;
  const LwoPolygon *polygons = initLwo->polygons;
  const LwoTriangle *triangles = initLwo->triangles;
  int32_t next = map->totalCount;
  for (int32_t d = 0; d < map->discCount; d++) {
    const LwoUV *entry = &map->discUV[d];
    const LwoPolygon *polygon = &polygons[entry->polygon];
    for (int32_t t = polygon->firstTriangle; t < polygon->firstTriangle + polygon->triCount; t++) {
      if (polygons[triangles[t].polygon].surface != s || slot[t] < 0)
        continue;
      int32_t *corners = &surface->triIndices[slot[t] * 3];
      for (int k = 0; k < 3; k++) {
        if (triangles[t].vertex[k] != entry->vertex || next >= map->seamRoom)
          continue;
        corners[k] = next;
        memcpy(&map->seamPoints[next * 3], &initLwo->points[entry->vertex * 3], 3 * sizeof(float));
        map->flatUV[next * 2 + 0] = finiteOrZero(entry->u);
        map->flatUV[next * 2 + 1] = finiteOrZero(entry->v);
        next++;
      }
    }
  }
  map->totalCount = next;
  map->flatCount = next;
}

// The table of triangle places is 4 bytes a triangle: it is built once for
// the object, after every other block of the surfaces, so that it is the
// pool's last block and goes back to the pool when the copies are made. One
// table per surface, never given back, would take 4 bytes a triangle for
// every UV-mapped surface.
int32_t LwoObjBuildSeams(void)
{
  int32_t users = 0;
  for (int32_t s = 0; s < initLwo->surfaceCount; s++)
    users += takesSeams(&initLwo->surfaces[s]);
  if (users == 0)
    return 0;
  // fillSlots writes every entry.
  int32_t *slot = (int32_t *)lwoAllocUninit(initLwo->triangleCount, sizeof(int32_t));
  if (!slot)
    return lwoNoMemory();
  fillSlots(slot);
  for (int32_t s = 0; s < initLwo->surfaceCount; s++)
    if (takesSeams(&initLwo->surfaces[s]))
      copySeams(s, slot);
  MemFreeLast(slot);
  return 0;
}
