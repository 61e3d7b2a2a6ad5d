// The morphs: copies of the loaded shape, the object-to-object morph, the
// endomorph weights and blend, and the dissolve.
#include "lwoparse.h"

#include <cstring>

static float *copyOf(const float *source, int32_t floats)
{
  float *copy = (float *)lwoAllocUninit(floats, sizeof(float));
  if (copy && floats > 0)
    memcpy(copy, source, sizeof(float) * (size_t)floats);
  return copy;
}

int32_t LwoMorphAlloc(void)
{
  initLwo->basePoints = copyOf(initLwo->points, initLwo->vertexCount * 3);
  if (!initLwo->basePoints)
    return lwoNoMemory();
  if (initLwo->needNormals) {
    initLwo->baseNormals = copyOf(initLwo->normals, initLwo->normalCount * 3);
    if (!initLwo->baseNormals)
      return lwoNoMemory();
  }
  return 0;
}

static void blend(float *out, const float *from, const float *to, int32_t count, float t)
{
  for (int32_t i = 0; i < count * 3; i++)
    out[i] = (1.0f - t) * from[i] + t * to[i];
}

// Only what both objects have is blended: points up to the smaller count,
// normals only when both keep them.
int32_t LwoMorphInit(LwoObject *object, LwoObject *target, float t)
{
  if (!object || !target)
    return LWO_ERR_NULL;
  if (object->points && object->basePoints && target->basePoints) {
    int32_t count = object->vertexCount < target->vertexCount ? object->vertexCount
                                                               : target->vertexCount;
    blend(object->points, object->basePoints, target->basePoints, count, t);
  }
  if (object->needNormals && object->normals && object->baseNormals && target->baseNormals) {
    int32_t count = object->normalCount < target->normalCount ? object->normalCount
                                                               : target->normalCount;
    blend(object->normals, object->baseNormals, target->baseNormals, count, t);
  }
  return LWO_OK;
}

// The scene names an endomorph either as "Morph" or as "Object.Morph"; the
// object's own map may carry the prefix or not.
void LwoSetEndoMorphAmount(LwoObject *object, const char *name, float amount)
{
  if (!object || !name)
    return;
  const char *dot = strchr(name, '.');
  for (int32_t m = 0; m < object->endomorphCount && m < LWO_MAX_ENDOMORPHS; m++) {
    LwoEndomorph *morph = &object->endomorphs[m];
    const char *query = name;
    if (dot && !strchr(morph->name, '.'))
      query = dot + 1;
    if (strcmp(morph->name, query) == 0) {
      morph->weight = amount;
      return;
    }
  }
}

// points = basePoints + sum of weight x deltas; normals likewise from the base
// normals and the morphed shapes' normals (added weighted, not normalised).
void lwoEndoMorphPrepare(LwoObject *object)
{
  if (!object || object->endomorphCount <= 0 || !object->points || !object->basePoints)
    return;
  int32_t floats = object->vertexCount * 3;
  memcpy(object->points, object->basePoints, sizeof(float) * (size_t)floats);
  int32_t withNormals = object->needNormals && object->normals && object->baseNormals;
  if (withNormals)
    memcpy(object->normals, object->baseNormals, sizeof(float) * (size_t)object->normalCount * 3);
  for (int32_t m = 0; m < object->endomorphCount && m < LWO_MAX_ENDOMORPHS; m++) {
    const LwoEndomorph *morph = &object->endomorphs[m];
    if (morph->deltas)
      for (int32_t i = 0; i < floats; i++)
        object->points[i] += morph->weight * morph->deltas[i];
    if (withNormals && morph->morphNormals)
      for (int32_t i = 0; i < object->normalCount * 3; i++)
        object->normals[i] += morph->weight * morph->morphNormals[i];
  }
}

int32_t LwoSetDissolve(LwoObject *object, float value)
{
  if (!object)
    return LWO_ERR_NULL;
  object->opacity = value;
  return LWO_OK;
}
