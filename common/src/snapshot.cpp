// The snapshot hook.
#include "snapshot.h"

#include <cstdio>

#include "console.h"
#include "fileio.h"

// Module state: written only by the operations below.
static SnapshotCodec snapshotCodec;            // registered function, or null
static char fileName[SNAPSHOT_NAME_SIZE];      // last name SnapshotGetFileName built

char *SnapshotGetFileName(void)
{
  const char *directory = FileIOGetCurrentDirectory();
  // A directory too long for the buffer cuts the name short rather than overrun it.
  snprintf(fileName, sizeof fileName, "%sHalvek.TGA", directory ? directory : "");
  return fileName;
}

int32_t SnapshotRegisterCodec(SnapshotCodec codec)
{
  ConsoleAdd("Registering snapshot codec..");
  snapshotCodec = codec;
  return SNAPSHOT_OK;
}

int32_t SnapshotSave(const char *name, const uint8_t *pixels, int32_t width, int32_t height)
{
  if (!snapshotCodec)
    return SNAPSHOT_ERR_NO_CODEC;
  snapshotCodec(name, pixels, width, height);
  return SNAPSHOT_OK;
}
