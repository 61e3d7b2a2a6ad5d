// Fuzz target: LwoLoad's reader and preparation on object bytes served from
// memory, for the first layer and for each layer the bytes name (at most a
// few), then the per-frame morph operations and the strip builder on
// whatever loaded. No image codec is registered, so clips register without
// touching the host.
//
// The reader's tables live in the memory pool, where an overrun would not
// reach a sanitizer's red zone; it would land first on the pool's record
// behind the block, so every record is checked after each step.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "lwo.h"
#include "machine.h"
#include "mem.h"
#include "tex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  static bool ready = false;
  if (!ready) {
    MachineConfig config;
    MachineDefaults(&config);
    MachineSetup(&config);
    ready = true;
  }
  if (size > 4 * 1024 * 1024)
    return 0;
  LwoLayerInfo layers[3];
  int32_t count = LwoListLayers(data, (int32_t)size, layers, 3);
  if (count < 0 || count > (int32_t)(size / 8))
    abort();  // every LAYR takes a chunk header at least
  for (int32_t i = -1; i < count && i < 3; i++) {
    TexFreeAll();
    MemFreeAll();
    MemInit();
    TexInit();
    static LwoObject object;
    memset(&object, 0, sizeof object);
    int32_t layer = i < 0 ? LWO_LAYER_FIRST : layers[i].number;
    int32_t loaded = LwoLoadMemoryLayer(&object, "fuzz.lwo", data, (int32_t)size, 1.0f, layer);
    if (MemCheck() != 0)
      abort();
    if (loaded != LWO_OK)
      continue;
    if (i >= 0 && count > 1 && object.layer != layer)
      abort();  // a file of several layers loads the one asked for
    for (int32_t m = 0; m < object.endomorphCount; m++)
      LwoSetEndoMorphAmount(&object, object.endomorphs[m].name, 0.5f);
    lwoEndoMorphPrepare(&object);
    LwoMorphInit(&object, &object, 0.25f);
    if (MemCheck() != 0)
      abort();
    LwoStripCreate(&object);
    if (MemCheck() != 0)
      abort();
    LwoStripRelease(&object);
    LwoFree(&object);
  }
  return 0;
}
