// Scene playback: one frame of the scene at its play position.
//
// Every item is placed as LightWave places it: a point p of the item goes to
// position + R * S * (p - pivot) in its parent's space (LwoApplyTransf), and
// then through the parent's placement, and so on up to the outermost
// ancestor; the camera is an item like the others, and the view is the
// inverse of its placement. Everything is worked in LightWave's axes (X
// right, Y up, Z ahead) and in world units, metres times the scene's world
// scale: positions and pivots carry that scale once, and an object's points,
// read in metres, are scaled by it once before its own motion.
//
// The model-view matrix of an object is built in the order a point meets the
// steps: the object reader's z turned back and the world scale, the object's
// own motion, each ancestor's from the direct parent outward, then the view.
//
// Playback never trusts the scene's numbers: missing motion channels read as
// 0 (scale channels as 1: cameras have none, and an ancestor scaled by 0
// would take its children with it), a parent or morph target that does not
// exist is ignored, and a parent chain that loops stops after
// TRANS_TABLE_SIZE ancestors.
#include <cmath>
#include <cstring>

#include "lws.h"
#include "lwsdraw.h"
#include "matrix.h"
#include "ps2draw.h"

enum { TRANS_TABLE_SIZE = 200 };

static const float radToDeg = 180.0f / 3.1415927f;

// Module state: the frame's scene time, the ancestors of the item being
// placed, and the camera used when the scene has none (at the origin, heading
// 0). Written only here.
static float time;
static int32_t transCount;
static LwoTransform transTable[TRANS_TABLE_SIZE];
static LwsCamera originCamera;

float LwsGetTime(void)
{
  return time;
}

// Channel k of an item at time t; `missing` when the item has no such
// channel, or counts it (NumChannels) but gave it no keys.
static float channelAt(const LwsBlock *item, int32_t k, float t, float missing)
{
  if (!item->channels || k >= item->channelCount || item->channels[k].keyCount <= 0)
    return missing;
  return EnvEval(&item->channels[k], t);
}

// The item's own placement at time t. `factor` (the world scale) turns the
// position into world units; the pivot already carries it from the parser.
static void transformAt(LwoTransform *transform, const LwsBlock *item, float factor, float t)
{
  for (int k = 0; k < 3; k++) {
    transform->position[k] = channelAt(item, k, t, 0.0f) * factor;
    transform->scale[k] = channelAt(item, 6 + k, t, 1.0f);
    transform->pivot[k] = item->pivot[k];
  }
  transform->rotation[0] = channelAt(item, 4, t, 0.0f) * radToDeg;  // pitch, about X
  transform->rotation[1] = channelAt(item, 3, t, 0.0f) * radToDeg;  // heading, about Y
  transform->rotation[2] = channelAt(item, 5, t, 0.0f) * radToDeg;  // bank, about Z
}

void getTrans(LwoTransform *transform, const LwsBlock *item, float factor)
{
  transformAt(transform, item, factor, time);
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

// Multiplies the item's ancestors onto the current matrix at time t, the
// direct parent first: a child is carried by its parent, the parent by its
// own, and so on up to the outermost ancestor.
static void applyAncestors(const LwsScene *scene, const LwsBlock *item, float t)
{
  const LwsBlock *parent = itemAt(scene, item->parentIndex);
  if (!parent || parent->parentIndex == item->parentIndex)
    return;  // no parent, or a parent that names itself
  transCount = 0;
  while (parent && transCount < TRANS_TABLE_SIZE) {
    transformAt(&transTable[transCount], parent, scene->worldScale, t);
    LwoApplyTransf(&transTable[transCount], 1.0f);
    transCount++;
    parent = itemAt(scene, parent->parentIndex);
  }
}

// Loads into the model-view matrix the scale (sx, sy, sz) on the item's own
// coordinates, then the item's placement `own` (already filled), then its
// ancestors' at time t.
static void loadItem(const LwsScene *scene, const LwsBlock *item, LwoTransform *own, float t,
                     float sx, float sy, float sz)
{
  MatrixMode(MATRIX_MODELVIEW);
  MatrixLoadIdentity();
  MatrixScale(sx, sy, sz);
  LwoApplyTransf(own, 1.0f);
  applyAncestors(scene, item, t);
}

int32_t LwsGetItemWorld(const LwsScene *scene, const LwsBlock *item, float t, float world[16])
{
  if (!scene || !item || !world)
    return LWS_ERR_NULL;
  LwoTransform own;
  transformAt(&own, item, scene->worldScale, t);
  float f = scene->worldScale;
  loadItem(scene, item, &own, t, f, f, f);
  const Matrix4 *m = MatrixGet(MATRIX_MODELVIEW);
  if (!m)
    return LWS_ERR_FAILED;  // the matrix stacks are not set up (MatrixInit)
  memcpy(world, m->m, 16 * sizeof(float));
  return LWS_OK;
}

// out = the inverse of the placement m (row vectors: p * A + t), followed by
// the turn from LightWave's camera axes to the render's view space: the
// projection divides by a negative w in front of the camera, so view x grows
// to the left of the picture and the camera looks along -z; (x, y, z) becomes
// (-x, y, -z). Returns 0 when m cannot be inverted (a scale of 0 on the way).
static int viewFromPlacement(const float *m, float *out)
{
  float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
  float c0 = e * i - f * h, c1 = f * g - d * i, c2 = d * h - e * g;
  float det = a * c0 + b * c1 + c * c2;
  if (!(det != 0.0f) || !std::isfinite(1.0f / det))
    return 0;
  float r = 1.0f / det;
  float inv[9] = {c0 * r, (c * h - b * i) * r, (b * f - c * e) * r,
                  c1 * r, (a * i - c * g) * r, (c * d - a * f) * r,
                  c2 * r, (b * g - a * h) * r, (a * e - b * d) * r};
  const float sign[3] = {-1.0f, 1.0f, -1.0f};
  for (int j = 0; j < 3; j++) {
    for (int k = 0; k < 3; k++)
      out[4 * j + k] = inv[3 * j + k] * sign[k];
    out[4 * j + 3] = 0.0f;
  }
  for (int k = 0; k < 3; k++)
    out[12 + k] = -(m[12] * inv[k] + m[13] * inv[3 + k] + m[14] * inv[6 + k]) * sign[k];
  out[15] = 1.0f;
  for (int k = 0; k < 16; k++)
    if (!std::isfinite(out[k]))
      return 0;
  return 1;
}

// The camera of this frame: the first camera item placed like any item, or a
// camera at the origin with heading 0 when the scene has none (or one whose
// placement cannot be undone).
static LwsCamera *placeCamera(const LwsScene *scene)
{
  static const float originView[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
  memcpy(originCamera.view, originView, sizeof originView);
  const LwsBlock *item = scene->cameraList;
  if (!item || !item->camera)
    return &originCamera;
  LwsCamera *camera = item->camera;
  LwoTransform own;
  transformAt(&own, item, scene->worldScale, time);
  loadItem(scene, item, &own, time, 1.0f, 1.0f, 1.0f);
  const Matrix4 *placed = MatrixGet(MATRIX_MODELVIEW);
  if (!placed)
    return &originCamera;
  const float *m = placed->m;
  for (int k = 0; k < 3; k++) {
    camera->position[k] = m[12 + k];
    camera->rotation[k] = own.rotation[k];
  }
  if (!viewFromPlacement(m, camera->view))
    memcpy(camera->view, originView, sizeof originView);
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

int32_t LwsEnable(LwsScene *scene)
{
  if (!scene)
    return LWS_ERR_NULL;
  PS2DrawSetZScale(scene->worldScale * 10000.0f);
  time = scene->playPosition * (scene->lastFrame / scene->framesPerSecond);
  lwsSetPerspective(scene);
  LwsCamera *camera = placeCamera(scene);
  float f = scene->worldScale;
  for (LwsBlock *item = scene->objectList; item; item = item->next) {
    LwoObject *object = item->object;
    MatrixMode(MATRIX_MODELVIEW);
    MatrixLoadIdentity();
    if (!object)
      continue;
    applyMorphs(scene, item, object);
    if (object->isNull)
      continue;  // null objects carry children but draw nothing
    // The object reader stored the file's points as (x, y, -z): z is turned
    // back with the world scale.
    getTrans(&object->transform, item, f);
    loadItem(scene, item, &object->transform, time, f, f, -f);
    object->ownTransform = 0;
    camera->scale = f;
    CamEnable(camera);
    LwoEnable(object, 0);
  }
  return LWS_OK;
}
