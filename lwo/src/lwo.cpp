// Loading and release of LightWave objects.
#include "lwoparse.h"
#include "console.h"
#include "mem.h"

#include <cstdio>
#include <cstring>

// Module state of the reader: describes the load under way and is meaningful
// only during LwoLoad. Written here and by the cursor helpers; the chunk
// handlers read it and move the cursor.
FileData *lwoFile;
LwoObject *lwoCurr;
const uint8_t *lwoPtr;
const uint8_t *lwoEnd;
int32_t lwoOverrun;
uint32_t chunkID, chunkSize;
uint32_t subChunkID, subChunkSize;
LwoIgnored lwoIgnored;
LwoScan lwoScanPols;

LwoObject *LwoGetCurrent(void)
{
  return lwoCurr;
}

FileData *LwoGetCurrentFile(void)
{
  return lwoFile;
}

// Steps 1 and 2 of a load: the record's scalar state before any parsing.
static void prepareRecord(LwoObject *object, const char *name, float worldScale)
{
  snprintf(object->name, sizeof object->name, "%s", name);  // cut to 191 characters
  object->worldScale = worldScale;
  object->needNormals = 0;
  object->opacity = 100.0f;
  object->endomorphCount = 0;
  object->uvMapCount = 0;
  memset(object->endomorphs, 0, sizeof object->endomorphs);
  memset(object->uvMaps, 0, sizeof object->uvMaps);
  // What the parse fills starts empty even in a record that held an object
  // before, so nothing of the old one is mixed into the new one.
  object->vertexCount = object->normalCount = 0;
  object->points = object->basePoints = object->normals = object->baseNormals = nullptr;
  object->surfaceCount = object->clipCount = object->polygonCount = object->triangleCount = 0;
  object->surfaces = nullptr;
  object->clips = nullptr;
  object->polygons = nullptr;
  object->triangles = nullptr;
  object->layer = 0;
  object->layerParent = -1;
  memset(object->layerPivot, 0, sizeof object->layerPivot);
  object->layerName[0] = 0;
}

// Parses the bytes held in lwoFile into `object` and prepares it; releases
// the file data and the record either way.
static int32_t parseAndInit(LwoObject *object)
{
  lwoCurr = object;
  int32_t result = LwoParse();
  if (result == 0)
    result = LwoInit();
  // The drawing buffers grow now, at load time, for an object bigger than
  // they are, so that drawing never allocates. Without room for them the
  // object still loads; drawing then leaves out the points that do not fit.
  if (result == 0 && LwoDrawReserve(object) != LWO_OK)
    ConsoleAdd(LWO_MSG_DRAW_BUFFERS, object->name);
  FileFree(lwoFile);
  MemFree(lwoFile);
  lwoFile = nullptr;
  return result == 0 ? LWO_OK : LWO_ERR_FAILED;
}

int32_t LwoLoad(LwoObject *object, const char *fileName, float worldScale)
{
  return LwoLoadLayer(object, fileName, worldScale, LWO_LAYER_FIRST);
}

int32_t LwoLoadLayer(LwoObject *object, const char *fileName, float worldScale, int32_t layer)
{
  if (!object || !fileName)
    return LWO_ERR_NULL;
  prepareRecord(object, fileName, worldScale);
  lwoLayerWanted = layer;

  // FileLoad repairs the name in place, so it gets a copy with room to grow.
  char name[FILE_NAME_SIZE];
  snprintf(name, sizeof name, "%s", fileName);
  lwoFile = (FileData *)MemAlloc(sizeof(FileData));
  if (!lwoFile || FileLoad(lwoFile, name) != FILE_OK) {
    ConsoleAdd(LWO_MSG_LOAD, name);
    MemFree(lwoFile);
    lwoFile = nullptr;
    return LWO_ERR_LOAD;
  }
  return parseAndInit(object);
}

int32_t LwoLoadMemory(LwoObject *object, const char *name, const void *data, int32_t size,
                      float worldScale)
{
  return LwoLoadMemoryLayer(object, name, data, size, worldScale, LWO_LAYER_FIRST);
}

int32_t LwoLoadMemoryLayer(LwoObject *object, const char *name, const void *data, int32_t size,
                           float worldScale, int32_t layer)
{
  if (!object || !name || (!data && size > 0) || size < 0)
    return LWO_ERR_NULL;
  prepareRecord(object, name, worldScale);
  lwoLayerWanted = layer;
  lwoFile = (FileData *)MemAlloc(sizeof(FileData));
  void *copy = lwoFile ? MemAllocUninit(size) : nullptr;  // the copy below fills it
  if (!copy) {
    ConsoleAdd(LWO_MSG_LOAD, object->name);
    lwoFile = nullptr;
    return LWO_ERR_LOAD;
  }
  if (size > 0)
    memcpy(copy, data, (size_t)size);
  snprintf(lwoFile->name, sizeof lwoFile->name, "%s", name);
  lwoFile->size = size;
  lwoFile->data = copy;
  return parseAndInit(object);
}

template <typename T>
static void release(T *&block)
{
  MemFree(block);
  block = nullptr;
}

int32_t LwoFree(LwoObject *object)
{
  if (!object)
    return LWO_ERR_NULL;
  for (LwoEndomorph &morph : object->endomorphs) {
    release(morph.deltas);
    release(morph.morphNormals);
  }
  for (LwoUVMap &map : object->uvMaps) {
    release(map.flatUV);
    release(map.vertexUV);
    release(map.discUV);
    release(map.seamPoints);
  }
  for (int32_t s = 0; object->surfaces && s < object->surfaceCount; s++) {
    release(object->surfaces[s].triIndices);
    release(object->surfaces[s].uv);
  }
  release(object->surfaces);
  release(object->points);
  release(object->basePoints);
  release(object->normals);
  release(object->baseNormals);
  release(object->polygons);
  release(object->triangles);
  return LWO_OK;
}
