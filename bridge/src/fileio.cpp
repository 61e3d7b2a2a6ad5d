// Host file I/O: thin calls into the IOP's remote file service.
#include "fileio.h"
#include "machine_fileio.h"

#include <cstring>

// Returned by FileIOGetCurrentDirectory; rewritten on every call.
static char currentDirectory[192];

int32_t FileIOInit(void)
{
  fileio_init();
  return 0;
}

int FileIOOpen(const char *name, int mode)
{
  if (mode == FILEIO_READ)
    return fio_open(name, FIO_O_RDONLY);
  if (mode == FILEIO_WRITE)
    // NOTE: the truncate flag matters: without it, writing a shorter file over
    // a longer one would leave the old file's tail behind the new bytes.
    return fio_open(name, FIO_O_WRONLY | FIO_O_CREAT | FIO_O_TRUNC);
  return 0;
}

int FileIOClose(int handle)
{
  return fio_close(handle);
}

int FileIORead(int handle, void *buffer, int size)
{
  return fio_read(handle, buffer, size);
}

int FileIOWrite(int handle, const void *buffer, int size)
{
  return fio_write(handle, buffer, size);
}

int FileIOGetSize(int handle)
{
  int position = fio_lseek(handle, 0, FIO_SEEK_CUR);
  int size = fio_lseek(handle, 0, FIO_SEEK_END);
  fio_lseek(handle, position, FIO_SEEK_SET);
  return size;
}

char *FileIOGetCurrentDirectory(void)
{
  currentDirectory[0] = 0;
  return currentDirectory;
}
