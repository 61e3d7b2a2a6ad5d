// Fuzz target: the archive reader on any image. Every directory walk, name
// copy and member copy or unpack must stay inside the image and its buffers.
// Members are copied and unpacked into pool blocks, where an overrun lands on
// the record behind the block before any sanitizer's red zone: every record
// is checked after the walks.
#include "filearc.h"
#include "mem.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
  // The reader's console lines would flood the fuzzer's output.
  int null = open("/dev/null", O_WRONLY);
  if (null >= 0)
    dup2(null, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  if (size > 0x7FFFFFFF)
    return 0;
  MemFreeAll();
  MemInit();
  static const uint8_t none = 0;
  FileArcAttach(size ? data : &none, (int32_t)size);
  int32_t count = 0;
  char name[ARC_NAME_SIZE];
  void *member = nullptr;
  int32_t memberSize = 0;
  if (FileArcGetNodeCount(&count) == 0) {
    for (int32_t i = 0; i < count && i < 64; i++) {
      ArcNodeInfo info;
      FileArcGetIndexedNode(&info, i);
      FileArcGetIndexedFilename(name, i);
      if (FileArcGetIndexedFile(&member, i, &memberSize) == 0 && member && memberSize > 0)
        ((volatile uint8_t *)member)[memberSize - 1];
    }
    // Back to an earlier entry: the walk starts again from the first.
    if (count > 0)
      FileArcGetIndexedFilename(name, count / 2);
  }
  if (MemCheck() != 0)
    abort();
  // The lookup by name walks the directory on its own, damaged or not.
  FileArcAttach(size ? data : &none, (int32_t)size);
  FileArcGetFile(&member, "C:\\vorlanth\\vorlanth.lws", &memberSize);
  if (FileArcIsPresent() && FileArcGetIndexedFilename(name, 0) == 0)
    FileArcGetFile(&member, name, &memberSize);
  if (MemCheck() != 0)
    abort();
  FileArcFree();
  return 0;
}
