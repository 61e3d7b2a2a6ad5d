// Whole-file loading, from the archive when one is held, else from the host.
#include "file.h"
#include "console.h"
#include "fileio.h"
#include "filearc.h"
#include "mem.h"
#include "settings.h"

#include <cstdio>
#include <cstring>

// Repairs two short forms of a Windows path, in place:
//   "\vorlanth\x.lws" -> "C:\vorlanth\x.lws"   (a path without its drive)
//   "C:vorlanth\x.lws" -> "C:\vorlanth\x.lws"  (a drive without its backslash)
// A drive followed by '/' ("C:/vorlanth/x.lws") already has its separator:
// the archive's names treat '/' as '\', and so does the host device.
// NOTE: the caller's buffer is taken to hold FILE_NAME_SIZE bytes; a repair
// that would not fit there is not made.
static void repairName(char *name)
{
  size_t length = strlen(name);
  if (name[0] == '\\' && length + 2 < FILE_NAME_SIZE) {
    memmove(name + 2, name, length + 1);
    name[0] = 'C';
    name[1] = ':';
    length += 2;
  }
  if (length >= 2 && name[1] == ':' && name[2] != '\\' && name[2] != '/' &&
      length + 1 < FILE_NAME_SIZE) {
    memmove(name + 3, name + 2, length - 1);
    name[2] = '\\';
  }
}

static void clearRecord(FileData *file)
{
  file->size = 0;
  file->data = nullptr;
}

// Opens `name`, or else the second-chance name; the handle, or below 1.
static int openEither(const char *name, const char *second)
{
  int handle = FileIOOpen(name, FILEIO_READ);
  if (handle < 1 && second[0])
    handle = FileIOOpen(second, FILEIO_READ);
  return handle;
}

static int32_t loadFromHost(FileData *file, const char *name, const char *second)
{
  int handle = openEither(name, second);
  if (handle < 1) {
    clearRecord(file);
    ConsoleAdd(FILE_MSG_OPEN, name);
    return FILE_ERR_NOT_FOUND;
  }
  int size = FileIOGetSize(handle);
  // The read fills the block, so it is not zero-filled first; whatever a
  // short read leaves is zeroed below, as a zero-filled block would have it.
  void *block = size >= 0 ? MemAllocUninit(size) : nullptr;
  if (!block) {
    FileIOClose(handle);
    clearRecord(file);
    ConsoleAdd(FILE_MSG_NO_MEMORY);
    return FILE_ERR_NO_MEMORY;
  }
  int got = FileIORead(handle, block, size);
  if (got < 0)
    got = 0;
  if (got < size)
    memset((uint8_t *)block + got, 0, (size_t)(size - got));
  FileIOClose(handle);
  file->size = size;
  file->data = block;
  return FILE_OK;
}

// What a failed archive lookup leaves and returns. A member that is there
// but has no room in the pool (-5) or is damaged (-9) keeps its own code, so
// the loader's message and its caller do not call it missing.
static int32_t archiveFailure(FileData *file, int32_t result)
{
  clearRecord(file);
  if (result == ARC_ERR_NO_MEMORY) {
    ConsoleAdd(FILE_MSG_NO_MEMORY);
    return FILE_ERR_NO_MEMORY;
  }
  ConsoleAdd(FILE_MSG_ARCHIVE, file->name);
  return result == ARC_ERR_DAMAGED ? FILE_ERR_DAMAGED : FILE_ERR_NOT_IN_ARCHIVE;
}

// The record's name from the archive, else the second-chance name; a member
// found under the first name but not handed over gets no second try, which
// would only add a false "Missing file" line.
static int32_t loadFromArchive(FileData *file, const char *second)
{
  void *data = nullptr;
  int32_t size = 0;
  int32_t result = FileArcGetFile(&data, file->name, &size);
  bool found = result == ARC_ERR_NO_MEMORY || result == ARC_ERR_DAMAGED;
  if (result != 0 && !found && second[0])
    result = FileArcGetFile(&data, second, &size);
  if (result != 0)
    return archiveFailure(file, result);
  file->size = size;
  file->data = data;
  return FILE_OK;
}

int32_t FileLoad(FileData *file, char *name)
{
  if (!file || !name)
    return FILE_ERR_NULL;
  repairName(name);
  // NOTE: a caller may pass the record's own name buffer; memmove keeps that
  // copy well defined, where a formatted copy onto itself would not be.
  size_t length = strnlen(name, FILE_NAME_SIZE - 1);
  memmove(file->name, name, length);
  file->name[length] = 0;

  // The second chance: the name below the base directory of setting 0. A name
  // that does not fit with the base in front gets no second chance.
  char base[FILE_NAME_SIZE];
  char second[FILE_NAME_SIZE];
  SettingsGetValue(SETTINGS_BASE_DIRECTORY, base);
  base[FILE_NAME_SIZE - 1] = 0;
  int written = snprintf(second, sizeof second, "%s\\%s", base, file->name);
  if (written < 0 || written >= (int)sizeof second)
    second[0] = 0;

  if (FileArcIsPresent() == 1)
    return loadFromArchive(file, second);
  return loadFromHost(file, file->name, second);
}

int32_t FileWrite(const FileData *file)
{
  if (!file)
    return FILE_ERR_NULL;
  int handle = FileIOOpen(file->name, FILEIO_WRITE);
  if (handle < 1) {
    ConsoleAdd(FILE_MSG_WRITE);
    return FILE_ERR_WRITE;
  }
  if (file->data && file->size > 0)
    FileIOWrite(handle, file->data, file->size);
  FileIOClose(handle);
  return FILE_OK;
}

int32_t FileFree(FileData *file)
{
  if (!file)
    return FILE_ERR_NULL;
  if (file->data) {
    MemFree(file->data);
    clearRecord(file);
  }
  return FILE_OK;
}
