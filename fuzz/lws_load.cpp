// Fuzz target for the scene parser: any bytes as the scene text, read in
// place by LwsLoadMemory. The objects a scene names are served from a
// temporary host folder made once: "a.lwo" and "Objects\b.lwo" are small
// LWO2 objects, "bad.lwo" is not one. After a load every envelope of the
// scene is evaluated at a few times and every item is placed through its
// parents, which must not crash either. Scenes and their objects live in the
// memory pool, where an overrun lands on the record behind a block before
// any sanitizer's red zone: every record is checked after the load.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "lws.h"
#include "machine.h"
#include "matrix.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"

static std::string u4(uint32_t v)
{
  return std::string{(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
}

// One triangle: FORM LWO2 with PNTS and POLS FACE.
static std::string triangleObject(void)
{
  std::string pnts = "PNTS" + u4(36) + u4(0) + u4(0) + u4(0) + u4(0x3f800000) + u4(0) + u4(0) +
                     u4(0) + u4(0x3f800000) + u4(0);
  std::string pols = "POLS" + u4(12) + "FACE" + std::string("\0\3\0\0\0\1\0\2", 8);
  std::string body = "LWO2" + pnts + pols;
  return "FORM" + u4((uint32_t)body.size()) + body;
}

static std::string hostDir;

static void removeHost(void)
{
  std::error_code ec;
  std::filesystem::remove_all(hostDir, ec);
}

static void makeHost(void)
{
  char pattern[] = "/tmp/morvane-fuzz-lws-XXXXXX";
  if (!mkdtemp(pattern))
    abort();
  hostDir = pattern;
  atexit(removeHost);
  std::filesystem::create_directories(hostDir + "/Objects");
  std::ofstream(hostDir + "/a.lwo", std::ios::binary) << triangleObject();
  std::ofstream(hostDir + "/Objects/b.lwo", std::ios::binary) << triangleObject();
  std::ofstream(hostDir + "/bad.lwo", std::ios::binary) << "FORM\0\0\0\4LWOB";
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = hostDir;
  MachineSetup(&config);
}

// Keeps the evaluations from being optimised away.
volatile float fuzzSink;

static void evaluateAll(const LwsScene *scene)
{
  volatile float &sink = fuzzSink;
  const float times[] = {-3.5f, 0.0f, 0.4f, 1.0f, 7.25f, 1e6f};
  for (int32_t i = 0; i < scene->itemCount; i++) {
    const LwsBlock *item = scene->items[i];
    for (float t : times) {
      for (int32_t c = 0; c < item->channelCount; c++)
        sink = EnvEval(&item->channels[c], t);
      for (int32_t k = 0; k < item->morphChannelCount; k++)
        sink = EnvEval(item->morphChannels[k].envelope, t);
      sink = EnvEval(item->morphEnvelope, t) + EnvEval(item->dissolveEnvelope, t);
    }
  }
  if (scene->zoomEnvelope)
    sink = EnvEval(scene->zoomEnvelope, 0.5f);
  // Every item placed through its parent chain, however the ids loop.
  float world[16];
  for (int32_t i = 0; i < scene->itemCount; i++)
    if (LwsGetItemWorld(scene, scene->items[i], 0.4f, world) == LWS_OK)
      sink = world[12];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  static bool ready = false;
  if (!ready) {
    makeHost();
    ready = true;
  }
  if (size > (size_t)INT32_MAX)
    return 0;
  TexFreeAll();
  MemFreeAll();
  MemInit();
  MatrixInit();
  TexInit();
  TexRegisterCodec("TGA", TgaLoad);
  static LwsScene scene;
  memset(&scene, 0, sizeof scene);
  LwsLoadMemory(&scene, "fuzz.lws", data, (int32_t)size, nullptr);
  if (MemCheck() != 0)
    abort();
  // What a failed parse leaves must still be whole: every item has its one
  // record, and its channel array when it counts channels.
  if (scene.itemCount > LWS_MAX_ITEMS || scene.objectCount > LWS_MAX_OBJECTS)
    abort();
  for (int32_t i = 0; i < scene.itemCount; i++) {
    const LwsBlock *item = scene.items[i];
    if (!item || (!!item->object + !!item->light + !!item->camera) != 1 ||
        (item->channelCount > 0 && !item->channels) || item->channelCount < 0 ||
        item->morphChannelCount > LWS_MAX_MORPH_CHANNELS)
      abort();
  }
  evaluateAll(&scene);
  if (MemCheck() != 0)
    abort();
  LwsFree(&scene);
  return 0;
}
