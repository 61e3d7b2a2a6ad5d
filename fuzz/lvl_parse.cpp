// Fuzz target for the level reader: any bytes as a level description file,
// parsed in place (exactly `size` bytes, so a read past them is caught).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "lvl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  if (size > (size_t)INT32_MAX)
    return 0;
  LvlRecord level{};
  strcpy(level.directory, "C:\\levels\\");
  FileData file{};
  file.data = const_cast<uint8_t *>(data);
  file.size = (int32_t)size;
  if (LvlParse(&level, &file) != LVL_OK)
    abort();
  // Every string of the record is still terminated inside its field.
  const char *fields[] = {level.directory, level.fileName, level.name,
                          level.world, level.texture, level.camera};
  for (const char *field : fields)
    if (!memchr(field, 0, LVL_NAME_SIZE))
      abort();
  return 0;
}
