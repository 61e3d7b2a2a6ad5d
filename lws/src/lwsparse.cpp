// The scene parser: LWS scene text (formats 3, 4 and 5) into an LwsScene, and
// the envelope blocks of that text into LwsEnvelope records.
//
// The text opens with "LWSC" and the format number, then keyword lines:
//   LoadObjectLayer 1 Objects/ship.lwo     an object item (layer, file name)
//   LoadObjectLayer 1 10000000 ship.lwo    the same in formats 4 and 5, with its item id
//   NumChannels 9                          motion channels of the last item
//   Channel 0                              followed by an envelope block:
//   { Envelope
//     2                                    key count
//     Key 0 0 0 3 0 0 0 0 0                value time shape p4..p9
//     Key 10 2 0 3 0 0 0 0 0
//     Behaviors 1 1                        before, after
//   }
// The first pass finds the world scale (GridSize comes after the objects)
// and the object total; the second reads everything else in table order.
#include "lwsparse.h"

#include "console.h"
#include "lwsread.h"
#include "mem.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

// Parser state, for one parse at a time: written here only.
static LwsScene *lws;               // scene being parsed
static LwsBlock *currBlock;         // item created last; null before the first
static char group[LWS_NAME_SIZE];   // current morph group name
static LwsProgressFn progress;
static int32_t objectTotal;         // LoadObjectLayer lines, from the first pass
static int32_t objectsLoaded;
static int32_t sceneFormat;         // 3, 4 or 5, from the text's second line

static const char *const cmd = lwsToken[0];
static const char *const param1 = lwsToken[1];

static int cmdIs(const char *word)
{
  return lwsQstrcmp(cmd, word) == 0;
}

// Copies at most size - 1 characters and terminates.
static void copyName(char *to, const char *from, size_t size)
{
  size_t length = strnlen(from, size - 1);
  memcpy(to, from, length);
  to[length] = 0;
}

// Reads and splits the next line; -1 when the text has ended.
static int32_t nextLine(void)
{
  if (!lwsTextLeft())
    return -1;
  lwsGetLine();
  LwsComputeParams();
  return 0;
}

// Reads one key line into `key`; which parameters count depends on the shape.
static void readKey(LwsKey *key)
{
  key->value = lwsGetFLOAT32(lwsToken[1]);
  key->time = lwsGetFLOAT32(lwsToken[2]);
  key->shape = LvlGetINT32(lwsToken[3]);
  if (key->shape == LWS_SHAPE_TCB) {
    key->tension = lwsGetFLOAT32(lwsToken[4]);
    key->continuity = lwsGetFLOAT32(lwsToken[5]);
    key->bias = lwsGetFLOAT32(lwsToken[6]);
  } else if (key->shape == LWS_SHAPE_HERMITE || key->shape == LWS_SHAPE_BEZIER) {
    key->param[0] = lwsGetFLOAT32(lwsToken[7]);
    key->param[1] = lwsGetFLOAT32(lwsToken[8]);
  } else if (key->shape == LWS_SHAPE_BEZIER2D) {
    for (int i = 0; i < 4; i++)
      key->param[i] = lwsGetFLOAT32(lwsToken[4 + i]);
  }
}

// NOTE: the key count is checked against the lines really left before the
// keys are allocated, so a huge count in a short text fails at once instead
// of taking pool for keys that are not there.
int32_t lwsEnvParse(LwsEnvelope *envelope)
{
  if (nextLine() != 0 || nextLine() != 0)  // the opening line, then the count
    return -1;
  int32_t count = LvlGetINT32(cmd);
  if (count == 0)
    count = 1;
  if (count < 0)
    count = 0;
  if (lwsLinesLeft(count) < count || count > INT32_MAX / (int32_t)sizeof(LwsKey))
    return -1;
  LwsKey *keys = (LwsKey *)MemAlloc(count * (int32_t)sizeof(LwsKey));
  if (!keys)
    return -1;
  for (int32_t i = 0; i < count; i++) {
    nextLine();
    readKey(&keys[i]);
    keys[i].prev = i > 0 ? &keys[i - 1] : nullptr;
    keys[i].next = i + 1 < count ? &keys[i + 1] : nullptr;
  }
  envelope->keys = count > 0 ? keys : nullptr;
  envelope->keyCount = count;
  if (nextLine() != 0)
    return -1;
  envelope->preBehavior = LvlGetINT32(lwsToken[1]);
  envelope->postBehavior = LvlGetINT32(lwsToken[2]);
  return 0;
}

// A row marked "(envelope)": an envelope block follows, or a constant.
static int32_t envelopeOrValue(LwsEnvelope **envelope, float *value)
{
  if (lwsQstrcmp(param1, "(envelope)") != 0) {
    *value = lwsGetFLOAT32(param1);
    return 0;
  }
  LwsEnvelope *made = (LwsEnvelope *)MemAlloc(sizeof(LwsEnvelope));
  if (!made)
    return -1;
  *envelope = made;
  return lwsEnvParse(made);
}

// The format on the text's second line: 3 (LightWave 6 and 7), 4 and 5
// (LightWave 8 and later) are read; 1 and 2 are LightWave 5's.
static int32_t checkFormat(int32_t lineNumber)
{
  if (lineNumber == 1 && !cmdIs("LWSC")) {
    ConsoleAdd(LWS_MSG_FORMAT, lws->name);
    return -1;
  }
  if (lineNumber != 2)
    return 0;
  sceneFormat = LvlGetINT32(cmd);
  if (sceneFormat == 1 || sceneFormat == 2) {
    ConsoleAdd(LWS_MSG_FORMAT_LW5, lws->name,
               (int)sceneFormat);
    return -1;
  }
  if (sceneFormat < 3 || sceneFormat > 5) {
    ConsoleAdd(LWS_MSG_FORMAT, lws->name);
    return -1;
  }
  return 0;
}

// Pass 1: checks the header, counts the object lines and finds the world
// scale that every object is loaded with.
static int32_t firstPass(void)
{
  lwsRewind();
  float zoom = 0.0f;
  objectTotal = 0;
  int32_t lineNumber = 0;
  while (lwsTextLeft()) {
    nextLine();
    lineNumber++;
    if (checkFormat(lineNumber) != 0)
      return -1;
    if (cmdIs("LoadObjectLayer")) {
      objectTotal++;
    } else if (cmdIs("ViewZoomFactor")) {
      zoom = lwsGetFLOAT32(param1);
    } else if (cmdIs("GridSize")) {
      lws->gridSize = lwsGetFLOAT32(param1);
      lws->worldScale = 10.0f / lws->gridSize * zoom;
    }
  }
  if (lineNumber < 2) {
    ConsoleAdd(LWS_MSG_FORMAT, lws->name);
    return -1;
  }
  // NOTE: a grid of 0 divides by 0: every position, pivot and point would be
  // infinite or NaN and nothing would be drawn.
  if (!std::isfinite(lws->worldScale)) {
    ConsoleAdd(LWS_MSG_GRID, lws->name,
               (double)lws->gridSize);
    return -1;
  }
  return 0;
}

// A new item of `kind`, appended to the items and to its kind's list, with
// `record` (its object, light or camera) already allocated: a failed parse
// leaves its items in the scene, so none may lack its record.
static LwsBlock *addBlock(int32_t kind, void *record)
{
  if (!record)
    return nullptr;
  if (lws->itemCount >= LWS_MAX_ITEMS) {
    ConsoleAdd(LWS_MSG_ITEMS, lws->name, (int)LWS_MAX_ITEMS);
    return nullptr;
  }
  LwsBlock *block = (LwsBlock *)MemAlloc(sizeof(LwsBlock));
  if (!block)
    return nullptr;
  if (kind == LWS_KIND_OBJECT)
    block->object = (LwoObject *)record;
  else if (kind == LWS_KIND_LIGHT)
    block->light = (LwsLight *)record;
  else
    block->camera = (LwsCamera *)record;
  lws->items[lws->itemCount++] = block;
  LwsBlock **list = kind == LWS_KIND_OBJECT  ? &lws->objectList
                    : kind == LWS_KIND_LIGHT ? &lws->lightList
                                             : &lws->cameraList;
  while (*list)
    list = &(*list)->next;
  *list = block;
  currBlock = block;
  return block;
}

// An object item with a fresh object record, or null past the capacities.
static LwoObject *addObjectItem(void)
{
  if (lws->objectCount >= LWS_MAX_OBJECTS) {
    ConsoleAdd(LWS_MSG_OBJECTS, lws->name, (int)LWS_MAX_OBJECTS);
    return nullptr;
  }
  LwsBlock *block = addBlock(LWS_KIND_OBJECT, MemAlloc(sizeof(LwoObject)));
  return block ? block->object : nullptr;
}

// The rest of the line after its `spaces`-th space, or "".
static void restOfLine(char *to, int32_t spaces)
{
  to[0] = 0;
  const char *p = lwsLine;
  for (int32_t i = 0; i < spaces; i++) {
    p = strchr(p, ' ');
    if (!p)
      return;
    p++;
  }
  copyName(to, p, LWS_NAME_SIZE);
}

// Formats 4 and 5 put an item id (8 hexadecimal digits) before a name.
static int isItemId(const char *token)
{
  if (sceneFormat < 4 || strlen(token) != 8)
    return 0;
  for (int i = 0; i < 8; i++)
    if (!isxdigit((unsigned char)token[i]))
      return 0;
  return 1;
}

// The file name of a LoadObjectLayer line: the rest of the line after the
// layer (and, in formats 4 and 5, the item id), with LightWave's forward
// slashes turned into backslashes up to the extension, and "C\x" made "C\\x".
static void objectFileName(char *name)
{
  restOfLine(name, isItemId(lwsToken[2]) ? 3 : 2);
  for (int32_t i = 1; name[0] && name[i] && name[i] != '.'; i++)
    if (name[i] == '/')
      name[i] = '\\';
  if (name[0] && name[1] == '\\') {
    size_t length = strlen(name);
    if (length >= LWS_NAME_SIZE - 1)  // NOTE: a full name loses its last character
      length = LWS_NAME_SIZE - 2;
    memmove(name + 2, name + 1, length - 1);
    name[length + 1] = 0;
  }
}

// The scene numbers layers from 1, the object's LAYR chunks from 0.
static int32_t layerOfLine(void)
{
  int32_t layer = LvlGetINT32(param1);
  return layer >= 1 ? layer - 1 : LWO_LAYER_FIRST;
}

static int32_t objectLine(void)
{
  LwoObject *object = addObjectItem();
  if (!object)
    return -1;
  char name[LWS_NAME_SIZE];
  objectFileName(name);
  if (lws->terrainMode) {
    LwoBuildTerrain(object, lws->terrainHeightMap, lws->terrainTexture);
  } else if (LwoLoadLayer(object, name, lws->worldScale, layerOfLine()) != 0) {
    ConsoleAdd(LWS_MSG_OBJECT_LOAD, name);
    return -1;
  }
  // The layer's own pivot, until a PivotPosition line of the item says otherwise.
  for (int k = 0; k < 3 && !lws->terrainMode; k++)
    currBlock->pivot[k] = object->layerPivot[k] * lws->worldScale;
  lws->objects[lws->objectCount++] = object;
  if (progress && objectTotal > 0) {
    objectsLoaded++;
    progress((int32_t)((float)objectsLoaded / (float)objectTotal * 100.0f));
  }
  lws->totalTriangles += object->triangleCount;
  return 0;
}

static int32_t nullObjectLine(void)
{
  LwoObject *object = addObjectItem();
  if (!object)
    return -1;
  object->isNull = 1;
  object->worldScale = lws->worldScale;
  if (isItemId(param1))
    restOfLine(object->name, 2);  // after the item id; the name may hold spaces
  else
    copyName(object->name, param1, sizeof object->name);
  lws->objects[lws->objectCount++] = object;
  return 0;
}

static int32_t lightLine(void)
{
  return addBlock(LWS_KIND_LIGHT, MemAlloc(sizeof(LwsLight))) ? 0 : -1;
}

static int32_t cameraLine(void)
{
  return addBlock(LWS_KIND_CAMERA, MemAlloc(sizeof(LwsCamera))) ? 0 : -1;
}

static void readFloats(float *to, int32_t count)
{
  for (int32_t i = 0; i < count; i++)
    to[i] = lwsGetFLOAT32(lwsToken[1 + i]);
}

// Group name: two lines on, the whole line inside its quotes ("Face Parts"
// holds a space, so it is not one token).
static int32_t groupLine(void)
{
  if (nextLine() != 0 || nextLine() != 0)
    return -1;
  const char *start = lwsLine;
  while (*start == ' ')
    start++;
  size_t length = strlen(start);
  while (length > 0 && start[length - 1] == ' ')
    length--;
  group[0] = 0;
  if (length >= 2) {
    memcpy(group, start + 1, length - 2);
    group[length - 2] = 0;
  }
  return 0;
}

// An endomorph channel: the quoted morph name on the next line, an envelope
// after one more line. The channel is named "group.morph".
static int32_t morfFormLine(void)
{
  if (!currBlock)
    return 0;
  if (currBlock->morphChannelCount >= LWS_MAX_MORPH_CHANNELS) {
    ConsoleAdd(LWS_MSG_MORPH_CHANNELS, lws->name,
               (int)LWS_MAX_MORPH_CHANNELS);
    return -1;
  }
  LwsMorphChannel *channel = &currBlock->morphChannels[currBlock->morphChannelCount];
  if (nextLine() != 0)
    return -1;
  channel->envelope = (LwsEnvelope *)MemAlloc(sizeof(LwsEnvelope));
  if (!channel->envelope)
    return -1;
  char morph[2 * LWS_NAME_SIZE] = "";
  if (cmd[0])
    strcpy(morph, cmd + 1);
  size_t length = strlen(cmd);
  if (length == 0 || cmd[length - 1] != '"') {
    strcat(morph, " ");
    strcat(morph, param1);
  }
  length = strlen(morph);
  if (length > 0)
    morph[length - 1] = 0;
  // NOTE: a full name longer than 191 characters is cut.
  char full[3 * LWS_NAME_SIZE];
  strcpy(full, group);
  strcat(full, ".");
  strcat(full, morph);
  copyName(channel->name, full, sizeof channel->name);
  if (nextLine() != 0 || lwsEnvParse(channel->envelope) != 0)
    return -1;
  currBlock->morphChannelCount++;
  return 0;
}

static int32_t numChannelsLine(void)
{
  int32_t count = LvlGetINT32(param1);
  if (count < 0 || count > INT32_MAX / (int32_t)sizeof(LwsEnvelope)) {
    ConsoleAdd(LWS_MSG_CHANNEL_COUNT, lws->name, (int)count);
    return -1;
  }
  // NOTE: a failed parse leaves its items in the record, so the count and
  // the array change together or not at all.
  LwsEnvelope *channels = (LwsEnvelope *)MemAlloc(count * (int32_t)sizeof(LwsEnvelope));
  if (!channels)
    return -1;
  currBlock->channels = channels;
  currBlock->channelCount = count;
  return 0;
}

static int32_t channelLine(void)
{
  int32_t n = LvlGetINT32(param1);
  if (n < 0 || n > 9 || n >= currBlock->channelCount || !currBlock->channels)
    return 0;
  return lwsEnvParse(&currBlock->channels[n]);
}

// Rows that set the light of the current item; other items ignore them.
static int32_t lightRows(LwsLight *light)
{
  if (cmdIs("LightName")) {
    copyName(light->name, param1, sizeof light->name);
  } else if (cmdIs("LightIntensity")) {
    return envelopeOrValue(&light->intensityEnvelope, &light->intensity);
  } else if (cmdIs("LightType")) {
    if (param1[0] == '0')
      light->type = 3;
    else if (param1[0] == '1' || param1[0] == '2')
      light->type = param1[0] - '0';
  } else if (cmdIs("LightColor")) {
    readFloats(light->color, 3);
  }
  return 0;
}

// Rows 1 to 8 and 13 to 20: scene settings and new items. 1 when the line
// was one of them.
// NOTE: an AddBone block follows its object's lines and has item lines of its
// own (NumChannels, Channel, ParentItem). Bones are not drawn, so the block
// ends the current item: its lines then act on nothing, as the item lines
// before the first item do, and cannot overwrite the object (a bone whose
// parent is its object would make that object its own parent).
static int sceneRows(int32_t *result)
{
  if (cmdIs("PreviewFirstFrame")) lws->firstFrame = (float)LvlGetINT32(param1);
  else if (cmdIs("PreviewLastFrame")) lws->lastFrame = (float)LvlGetINT32(param1);
  else if (cmdIs("PreviewFrameStep")) lws->frameStep = (float)LvlGetINT32(param1);
  else if (cmdIs("FramesPerSecond")) lws->framesPerSecond = (float)LvlGetINT32(param1);
  else if (cmdIs("LoadObjectLayer")) *result = objectLine();
  else if (cmdIs("AddNullObject")) *result = nullObjectLine();
  else if (cmdIs("AddLight")) *result = lightLine();
  else if (cmdIs("AddCamera")) *result = cameraLine();
  else if (cmdIs("AddBone")) currBlock = nullptr;  // a bone is not an item: skipped whole
  else if (cmdIs("MotionBlur")) lws->renderFlags |= param1[0] == '1' ? LWS_RENDER_MOTION_BLUR : 0;
  else if (cmdIs("Antialiasing")) lws->renderFlags |= param1[0] == '1' ? LWS_RENDER_ANTIALIASING : 0;
  else if (cmdIs("FrameSize")) {
    lws->frameWidth = LvlGetINT32(param1);
    lws->frameHeight = LvlGetINT32(lwsToken[2]);
  }
  else if (cmdIs("BackdropColor")) readFloats(lws->backdropColor, 3);
  else if (cmdIs("AmbientColor")) readFloats(lws->ambientColor, 3);
  else if (cmdIs("AmbientIntensity")) lws->ambientIntensity = lwsGetFLOAT32(param1);
  else return 0;
  return 1;
}

// Rows of the current item: 9 to 12, 17, 21 to 24. 1 when the line was one.
static int itemRows(int32_t *result)
{
  static const char *const lightWords[] = {"LightName", "LightIntensity", "LightType", "LightColor"};
  for (const char *word : lightWords)
    if (cmdIs(word)) {
      if (currBlock && currBlock->light)
        *result = lightRows(currBlock->light);
      return 1;
    }
  if (cmdIs("CameraName")) {
    if (currBlock && currBlock->camera)
      copyName(currBlock->camera->name, param1, sizeof currBlock->camera->name);
  } else if (cmdIs("ObjectMotion") || cmdIs("LightMotion") || cmdIs("CameraMotion")) {
    if (currBlock)
      currBlock->motionKind = cmdIs("ObjectMotion") ? 1 : cmdIs("LightMotion") ? 2 : 3;
  } else if (cmdIs("PivotPosition")) {
    if (currBlock) {
      readFloats(currBlock->pivot, 3);
      for (float &v : currBlock->pivot)
        v *= lws->worldScale;
    }
  } else if (cmdIs("NumChannels")) {
    if (currBlock)
      *result = numChannelsLine();
  } else if (cmdIs("MorphAmount")) {
    if (currBlock)
      *result = envelopeOrValue(&currBlock->morphEnvelope, &currBlock->morphAmount);
  } else if (cmdIs("ObjectDissolve")) {
    if (currBlock) {
      currBlock->dissolveOn = 1;
      *result = envelopeOrValue(&currBlock->dissolveEnvelope, &currBlock->dissolve);
    }
  } else {
    return 0;
  }
  return 1;
}

// One line of the second pass, tested against the keyword rows in order:
// the settings and items, then the tests of the second token (Group,
// MorfForm), then ZoomFactor, MorphTarget, ParentItem and Channel.
static int32_t parseLine(void)
{
  int32_t result = 0;
  if (cmdIs("Plugin"))
    return lwsSkipPlugin();
  if (sceneRows(&result) || itemRows(&result))
    return result;
  if (lwsQstrcmp(param1, "Group") == 0)
    return groupLine();
  if (lwsQstrcmp(param1, "MorfForm") == 0)
    return morfFormLine();
  if (cmdIs("ZoomFactor"))
    return envelopeOrValue(&lws->zoomEnvelope, &lws->zoomFactor);
  if (!currBlock)
    return 0;
  if (cmdIs("MorphTarget"))
    currBlock->morphTarget = LvlGetINT32(param1);
  else if (cmdIs("ParentItem"))
    lwsParentRecord(currBlock, lws->itemCount - 1, param1);
  else if (cmdIs("Channel"))
    return channelLine();
  return 0;
}

// The numbers playback divides by. A scene without a frame size is taken as
// 640 x 480 (LightWave's own default) and one without a frame rate as 30 a
// second: left at 0 they would make the projection and the scene time NaN or
// infinite, and nothing would be drawn.
static void defaultSceneNumbers(void)
{
  if (lws->frameWidth <= 0 || lws->frameHeight <= 0) {
    ConsoleAdd(LWS_MSG_NO_FRAME_SIZE, lws->name);
    lws->frameWidth = 640;
    lws->frameHeight = 480;
  }
  if (!(lws->framesPerSecond > 0.0f) || !std::isfinite(lws->framesPerSecond)) {
    ConsoleAdd(LWS_MSG_NO_FRAME_RATE, lws->name);
    lws->framesPerSecond = 30.0f;
  }
}

int32_t lwsParse(LwsScene *scene, LwsProgressFn progressFn)
{
  lws = scene;
  currBlock = nullptr;
  group[0] = 0;
  progress = progressFn;
  objectsLoaded = 0;
  lwsParentsReset();
  if (firstPass() != 0)
    return -1;
  if (progress)
    progress(0);
  lwsRewind();
  int32_t result = 0;
  while (lwsTextLeft() && result == 0) {
    nextLine();
    result = parseLine();
  }
  lwsParentsResolve(lws);  // also for the items a failed parse leaves
  if (result == 0)
    defaultSceneNumbers();
  return result;
}
