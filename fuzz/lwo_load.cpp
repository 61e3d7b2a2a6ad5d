// Fuzz target: LwoLoad's reader and preparation on object bytes served from
// memory, then the per-frame morph operations and the strip builder on
// whatever loaded. No image codec is registered, so clips register without
// touching the host.
#include <cstddef>
#include <cstdint>
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
  TexFreeAll();
  MemFreeAll();
  MemInit();
  TexInit();
  static LwoObject object;
  memset(&object, 0, sizeof object);
  if (LwoLoadMemory(&object, "fuzz.lwo", data, (int32_t)size, 1.0f) != LWO_OK)
    return 0;
  for (int32_t m = 0; m < object.endomorphCount; m++)
    LwoSetEndoMorphAmount(&object, object.endomorphs[m].name, 0.5f);
  lwoEndoMorphPrepare(&object);
  LwoMorphInit(&object, &object, 0.25f);
  LwoStripCreate(&object);
  LwoStripRelease(&object);
  LwoFree(&object);
  return 0;
}
