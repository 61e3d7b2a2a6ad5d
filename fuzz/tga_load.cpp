// Fuzz target for the TGA codec: any bytes as a whole TGA file.
//
// The pixel buffer lives in the memory pool, where an overrun would not reach
// a sanitizer's red zone; the pool's record right behind the block would be
// the first thing overwritten, so the target checks that it is intact.
#include <cstdint>
#include <cstdlib>

#include "mem.h"
#include "tex.h"
#include "textga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  if (size > (size_t)INT32_MAX)
    return 0;
  MemFreeAll();
  MemInit();
  TexEntry entry = {};
  int32_t result = TgaDecode(&entry, data, (int32_t)size);
  if (result != TEX_OK) {
    if (entry.pixels)
      abort();  // a refused file leaves no pixels
    return 0;
  }
  const MemNode *node = MemGetFirstNode();
  const int64_t bytes = (int64_t)entry.width * entry.height * 4;
  if (!entry.pixels || !node || node->size != bytes || node->next != MEM_NONE ||
      MemGetPoolStart() + node->block != entry.pixels)
    abort();
  static volatile uint32_t sink;  // keeps the reads from being optimised away
  uint32_t sum = 0;
  for (int64_t i = 0; i < bytes; i++)
    sum += entry.pixels[i];
  sink = sum;
  (void)sink;
  TgaFlip(&entry);
  return 0;
}
