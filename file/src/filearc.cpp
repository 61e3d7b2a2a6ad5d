// The data archive. Reading archives arrives with the archive tool; until
// then no archive is ever held and every load goes to the host device.
#include "filearc.h"

int32_t FileArcInit(const char *path)
{
  (void)path;
  return ARC_ERR_NONE;
}

int32_t FileArcFree(void)
{
  return ARC_ERR_NONE;
}

int32_t FileArcIsPresent(void)
{
  return 0;
}

int32_t FileArcGetFile(void **data, const char *name, int32_t *size)
{
  (void)data;
  (void)name;
  (void)size;
  return ARC_ERR_NONE;
}

int32_t FileArcGetNodeCount(int32_t *count)
{
  (void)count;
  return ARC_ERR_NONE;
}

int32_t FileArcGetIndexedFilename(char *name, int32_t index)
{
  (void)name;
  (void)index;
  return ARC_ERR_NONE;
}
