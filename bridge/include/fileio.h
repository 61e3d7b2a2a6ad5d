// Host file I/O through the IOP's remote file service.
#pragma once
#include <cstdint>

enum { FILEIO_READ = 0, FILEIO_WRITE = 1 };

int32_t FileIOInit(void);
// Mode 0 opens for reading; mode 1 opens for writing, creating the file when
// it is absent and emptying it when it exists. Returns the service's handle
// (1 or more), a negative result, or 0 for any other mode.
int FileIOOpen(const char *name, int mode);
int FileIOClose(int handle);
int FileIORead(int handle, void *buffer, int size);
int FileIOWrite(int handle, const void *buffer, int size);
// The file's size, leaving the position where it was.
int FileIOGetSize(int handle);
// The current directory; the empty string on this machine.
char *FileIOGetCurrentDirectory(void);
