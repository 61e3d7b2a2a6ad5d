// Scene playback: one frame of the scene at its play position.
//
// For every object item the model-view matrix is built, in the order a point
// passes through it: the outermost ancestor's transform down to the direct
// parent's, the item's own, then the camera's; the projection comes last.
// Playback never trusts the scene's numbers: missing channels read as 0, a
// parent or morph target that does not exist is ignored, and a parent chain
// that loops stops when the transform table is full.
#include "lws.h"
#include "lwsdraw.h"
#include "matrix.h"
#include "ps2draw.h"

enum { TRANS_TABLE_SIZE = 200 };

static const float radToDeg = 180.0f / 3.1415927f;

// Module state: the frame's scene time, and the ancestors of the object being drawn.
static float time;
static int32_t transCount;
static LwoTransform transTable[TRANS_TABLE_SIZE];

float LwsGetTime(void)
{
  return time;
}

// Channel k of an item at the frame's time; 0 when the item has no such channel.
static float channelAt(const LwsBlock *item, int32_t k)
{
  if (!item->channels || k >= item->channelCount)
    return 0.0f;
  return EnvEval(&item->channels[k], time);
}

void getTrans(LwoTransform *transform, const LwsBlock *item, float factor)
{
  transform->position[0] = -channelAt(item, 0) * factor;
  transform->position[1] = channelAt(item, 1) * factor;
  transform->position[2] = -channelAt(item, 2) * factor;
  transform->rotation[0] = channelAt(item, 4) * radToDeg;
  transform->rotation[1] = channelAt(item, 3) * radToDeg + 180.0f;
  transform->rotation[2] = -(channelAt(item, 5) * radToDeg);
  for (int k = 0; k < 3; k++) {
    transform->scale[k] = channelAt(item, 6 + k) * factor;
    transform->pivot[k] = item->pivot[k] * factor;
  }
}

void lwsSetPerspective(LwsScene *scene)
{
  MatrixMode(MATRIX_PROJECTION);
  MatrixLoadIdentity();
  float zoom = scene->zoomEnvelope ? EnvEval(scene->zoomEnvelope, time) : scene->zoomFactor;
  float aspect = (float)scene->frameWidth / (float)scene->frameHeight;
  MatrixFrustum(-aspect / zoom, aspect / zoom, -1.0f / zoom, 1.0f / zoom, 1.0f, 1e14f);
  MatrixScale((float)scene->halfWidth, (float)scene->halfHeight, 1.0f);
}

// The item `index` (1-based) of the scene, or null when there is none.
static LwsBlock *itemAt(const LwsScene *scene, int32_t index)
{
  if (index < 1 || index > scene->itemCount || index > LWS_MAX_ITEMS)
    return nullptr;
  return scene->items[index - 1];
}

// The first camera item's camera, placed for this frame; null without one.
static LwsCamera *placeCamera(const LwsScene *scene)
{
  const LwsBlock *item = scene->cameraList;
  if (!item || !item->camera)
    return nullptr;
  LwsCamera *camera = item->camera;
  camera->position[0] = channelAt(item, 0) * scene->worldScale;
  camera->position[1] = channelAt(item, 1) * scene->worldScale;
  camera->position[2] = channelAt(item, 2) * scene->worldScale;
  camera->rotation[0] = channelAt(item, 4) * radToDeg;
  camera->rotation[1] = -(channelAt(item, 3) * radToDeg);
  camera->rotation[2] = channelAt(item, 5) * radToDeg;
  return camera;
}

static void applyMorphs(const LwsScene *scene, const LwsBlock *item, LwoObject *object)
{
  for (int32_t k = 0; k < item->morphChannelCount && k < LWS_MAX_MORPH_CHANNELS; k++)
    LwoSetEndoMorphAmount(object, item->morphChannels[k].name,
                          EnvEval(item->morphChannels[k].envelope, time));
  if (item->morphTarget > 0 && !object->isNull && item->morphTarget <= scene->objectCount &&
      item->morphTarget <= LWS_MAX_OBJECTS && scene->objects[item->morphTarget - 1]) {
    float amount = item->morphEnvelope ? EnvEval(item->morphEnvelope, time) : item->morphAmount;
    LwoMorphInit(object, scene->objects[item->morphTarget - 1], amount);
  }
  if (item->dissolveOn) {
    float d = item->dissolveEnvelope ? EnvEval(item->dissolveEnvelope, time) : item->dissolve;
    LwoSetDissolve(object, 1.0f - d);
  }
}

// Multiplies the item's ancestors onto the model-view matrix, outermost first.
// NOTE: an ancestor's position is scaled to world units like the item's own
// (its scale is not: the item's own scale already carries the world scale
// once). Unscaled, a parent away from the origin would drift from its
// children whenever the world scale is not 1.
static void applyAncestors(const LwsScene *scene, const LwsBlock *item)
{
  const LwsBlock *parent = itemAt(scene, item->parentIndex);
  if (!parent || parent->parentIndex == item->parentIndex)
    return;  // no parent, or a parent that names itself
  transCount = 0;
  while (parent && transCount < TRANS_TABLE_SIZE) {
    LwoTransform *t = &transTable[transCount];
    getTrans(t, parent, 1.0f);
    for (int k = 0; k < 3; k++)
      t->position[k] *= scene->worldScale;
    transCount++;
    parent = itemAt(scene, parent->parentIndex);
  }
  for (int32_t i = transCount - 1; i >= 0; i--)
    LwoApplyTransf(&transTable[i], 1.0f);
}

int32_t LwsEnable(LwsScene *scene)
{
  if (!scene)
    return LWS_ERR_NULL;
  PS2DrawSetZScale(scene->worldScale * 10000.0f);
  time = scene->playPosition * (scene->lastFrame / scene->framesPerSecond);
  lwsSetPerspective(scene);
  LwsCamera *camera = placeCamera(scene);
  for (LwsBlock *item = scene->objectList; item; item = item->next) {
    LwoObject *object = item->object;
    MatrixMode(MATRIX_MODELVIEW);
    MatrixLoadIdentity();
    if (!object)
      continue;
    applyMorphs(scene, item, object);
    applyAncestors(scene, item);
    if (object->isNull)
      continue;  // null objects carry children but draw nothing
    getTrans(&object->transform, item, scene->worldScale);
    LwoApplyTransf(&object->transform, scene->worldScale);
    object->ownTransform = 0;
    if (camera) {
      camera->scale = scene->worldScale;
      CamEnable(camera);
    }
    LwoEnable(object, 0);
  }
  return LWS_OK;
}
