// The scene loader: loads the scene text, has it parsed, prepares the scene
// and releases the text. Items, envelopes and objects stay in the pool for
// the life of the program.
#include "lws.h"

#include "console.h"
#include "lwsparse.h"
#include "lwsread.h"
#include "timer.h"

#include <cstdio>

// The scene of the last LwsLoad; written by the loader only.
static LwsScene *lwsCurr;
// 1 while the text is the caller's bytes (LwsLoadMemory), which are read in
// place and not released.
static int32_t textInPlace;

static void releaseText(FileData *file)
{
  if (textInPlace) {
    file->data = nullptr;
    file->size = 0;
    textInPlace = 0;
  } else {
    FileFree(file);
  }
}

LwsScene *LwsGetCurrent(void)
{
  return lwsCurr;
}

// Everything after the text is in the module's FileData: the parse, the
// preparation and the release of the text.
static int32_t parseLoaded(LwsScene *scene, LwsProgressFn progressFn)
{
  FileData *file = LwsGetCurrentFile();
  lwsCurr = scene;
  scene->itemCount = 0;
  scene->objectCount = 0;
  scene->totalTriangles = 0;
  scene->zoomFactor = 3.2f;
  if (lwsParse(scene, progressFn) != 0) {
    releaseText(file);
    ConsoleAdd(LWS_MSG_PARSE, scene->name);
    return LWS_ERR_FAILED;
  }
  if (LwsInit(scene) != 0) {
    releaseText(file);
    ConsoleAdd(LWS_MSG_INIT, scene->name);
    return LWS_ERR_FAILED;
  }
  releaseText(file);
  scene->loadTime = TimerGetTime() - scene->loadTime;
  return LWS_OK;
}

static void startLoad(LwsScene *scene, const char *fileName)
{
  scene->loadTime = TimerGetTime();
  snprintf(scene->name, sizeof scene->name, "%s", fileName);
}

int32_t LwsLoad(LwsScene *scene, const char *fileName, LwsProgressFn progressFn)
{
  if (!scene || !fileName)
    return LWS_ERR_NULL;
  startLoad(scene, fileName);
  // FileLoad repairs the name in place, so it gets a copy of its own.
  char name[FILE_NAME_SIZE];
  snprintf(name, sizeof name, "%s", scene->name);
  textInPlace = 0;
  if (FileLoad(LwsGetCurrentFile(), name) != FILE_OK) {
    ConsoleAdd(LWS_MSG_LOAD, scene->name);
    return LWS_ERR_LOAD;
  }
  return parseLoaded(scene, progressFn);
}

int32_t LwsLoadMemory(LwsScene *scene, const char *fileName, const void *data, int32_t size,
                      LwsProgressFn progressFn)
{
  if (!scene || !fileName || (!data && size > 0) || size < 0)
    return LWS_ERR_NULL;
  startLoad(scene, fileName);
  FileData *file = LwsGetCurrentFile();
  snprintf(file->name, sizeof file->name, "%s", scene->name);
  // NOTE: the reader only reads the text, so the caller's bytes serve as they are.
  file->data = const_cast<void *>(data);
  file->size = size;
  textInPlace = 1;
  return parseLoaded(scene, progressFn);
}

int32_t LwsFree(LwsScene *scene)
{
  if (!scene)
    return LWS_ERR_NULL;
  for (LwsBlock *block = scene->objectList; block; block = block->next)
    if (block->object)
      LwoFree(block->object);
  return LWS_OK;
}
