// The terrain builder: an object made from a height map image instead of an
// object file. One textured, planar-projected surface; each cell of the map
// gives four points of its own and two triangles; the result is scaled to
// about 17.92 x 2.04 x 30.72 units whatever the map's size.
//
// The counts are those of W x H cells although only (W - 1) x (H - 1) are
// built: the last 2 x (W + H - 1) triangles stay all-zero (three times point
// 0) and draw nothing.
#include "lwoparse.h"
#include "console.h"
#include "mem.h"

#include <cstdio>

// Module state, valid during LwoBuildTerrain only.
static LwoObject *lwoTerrain;
static int32_t width, height;        // of the height map, 0 when it did not load
static const uint8_t *buffer;        // its R, G, B, A pixels, rows of `width`
static int32_t triCount;             // 2 x width x height
static float *vertTable, *uvTable;   // write cursors into points and the surface's uv
static int32_t *triTable;            // write cursor into the surface's triIndices
static TexEntry heightEntry;         // the height map, registered only while building

static void initTerrainLwo(void)
{
  lwoTerrain->needNormals = 0;
  lwoTerrain->endomorphCount = 0;
  lwoTerrain->uvMapCount = 0;
  lwoTerrain->opacity = 100.0f;
  lwoTerrain->worldScale = 1.0f;
  for (int i = 0; i < 3; i++)
    lwoTerrain->transform.scale[i] = 1.0f;
}

// The one clip. A texture that does not load leaves the surface untextured
// (drawn white), so no record without pixels reaches drawing.
static int32_t buildTexture(const char *textureName)
{
  lwoTerrain->clips = (TexEntry *)MemAlloc(sizeof(TexEntry));
  if (!lwoTerrain->clips)
    return -1;
  lwoTerrain->clipCount = 1;
  snprintf(lwoTerrain->clips->name, TEX_NAME_SIZE, "%s", textureName);
  return TexAdd(lwoTerrain->clips) == 0 && TexGetPixels(lwoTerrain->clips) ? 1 : 0;
}

static int32_t initTerrainSurf(int32_t textured)
{
  LwoSurface *surface = (LwoSurface *)MemAlloc(sizeof(LwoSurface));
  if (!surface)
    return -1;
  lwoTerrain->surfaces = surface;
  lwoTerrain->surfaceCount = 1;
  surface->color[0] = surface->color[1] = surface->color[2] = 255;
  surface->texture = textured ? lwoTerrain->clips : nullptr;
  surface->triCount = triCount;
  lwoTerrain->triangleCount = triCount;
  surface->triIndices = (int32_t *)lwoAlloc((int64_t)triCount * 3, sizeof(int32_t));
  return surface->triIndices ? 0 : -1;
}

static int32_t initTerrain(int32_t textured)
{
  LwoSurface *surface = lwoTerrain->surfaces;
  int32_t count = triCount * 3;
  lwoTerrain->points = (float *)lwoAlloc((int64_t)count * 3, sizeof(float));
  surface->uv = (float *)lwoAlloc((int64_t)count * 2, sizeof(float));
  if (!lwoTerrain->points || !surface->uv)
    return -1;
  lwoTerrain->vertexCount = count;
  surface->uvCount = count;
  surface->projection = textured ? LWO_PROJ_PLANAR : LWO_PROJ_NONE;
  vertTable = lwoTerrain->points;
  uvTable = surface->uv;
  triTable = surface->triIndices;
  return 0;
}

// h(x, y): the red byte of pixel (x, y).
static float heightAt(int32_t x, int32_t y)
{
  return (float)buffer[((int64_t)y * width + x) * 4];
}

static void addVertice(int32_t x, int32_t y)
{
  vertTable[0] = (float)(x - width / 2);
  vertTable[1] = heightAt(x, y);
  vertTable[2] = (float)(y - height / 2);
  vertTable += 3;
}

static void addUV(int32_t x, int32_t y)
{
  uvTable[0] = (float)x / (float)width;
  uvTable[1] = (float)y / (float)height;
  uvTable += 2;
}

static void buildTerrain(void)
{
  int32_t b = 0;
  for (int32_t y = 0; y + 1 < height; y++)
    for (int32_t x = 0; x + 1 < width; x++, b += 4) {
      const int32_t corner[4][2] = {{x, y}, {x + 1, y}, {x, y + 1}, {x + 1, y + 1}};
      for (const auto &c : corner) {
        addVertice(c[0], c[1]);
        addUV(c[0], c[1]);
      }
      const int32_t tri[6] = {b, b + 1, b + 2, b + 1, b + 2, b + 3};
      for (int32_t index : tri)
        *triTable++ = index;
    }
}

static void rescaleTerrain(void)
{
  if (width <= 0 || height <= 0)
    return;
  float scale[3] = {256.0f / (float)width * 0.07f, 0.008f, 256.0f / (float)height * 0.12f};
  for (int32_t i = 0; i < lwoTerrain->vertexCount; i++)
    for (int c = 0; c < 3; c++)
      lwoTerrain->points[i * 3 + c] *= scale[c];
}

// Loads the height map; a map that does not load gives an empty terrain.
static void loadHeightMap(const char *heightMapName)
{
  heightEntry = TexEntry{};
  snprintf(heightEntry.name, TEX_NAME_SIZE, "%s", heightMapName);
  int32_t loaded = TexAdd(&heightEntry) == 0;
  buffer = loaded ? TexGetPixels(&heightEntry) : nullptr;
  width = buffer ? heightEntry.width : 0;
  height = buffer ? heightEntry.height : 0;
  if (width <= 0 || height <= 0)
    width = height = 0;
}

int32_t LwoBuildTerrain(LwoObject *object, const char *heightMapName, const char *textureName)
{
  if (!object || !heightMapName || !textureName)
    return LWO_ERR_FAILED;
  lwoTerrain = object;
  loadHeightMap(heightMapName);
  // Six points of twelve bytes per pixel must fit in one pool block.
  if ((int64_t)width * height * 6 * 12 > INT32_MAX) {
    ConsoleAdd(LWO_MSG_TERRAIN_SIZE, heightMapName);
    width = height = 0;
  }
  triCount = 2 * width * height;
  initTerrainLwo();
  int32_t textured = buildTexture(textureName);
  int32_t result = LWO_OK;
  if (textured < 0 || initTerrainSurf(textured) != 0 || initTerrain(textured) != 0) {
    ConsoleAdd(LWO_MSG_TERRAIN_NO_MEMORY, heightMapName);
    result = LWO_ERR_NO_MEMORY;
  } else {
    buildTerrain();
    rescaleTerrain();
    if (LwoDrawReserve(object) != LWO_OK)  // the drawing buffers grow at load time
      ConsoleAdd(LWO_MSG_TERRAIN_DRAW_BUFFERS, heightMapName);
  }
  TexFree(&heightEntry);
  lwoTerrain = nullptr;
  return result;
}
