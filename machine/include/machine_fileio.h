// The IOP's remote file service, as the program calls it.
//
// "host:NAME" and names without a device ("C:\vorlanth\vorlanth.lws",
// "Objects\ship.lwo") are served from the host folder; any other device is
// not found. Handles start at 1; failures are negative.
#pragma once

// Open flags, with the console's values.
enum {
  FIO_O_RDONLY = 0x0001,
  FIO_O_WRONLY = 0x0002,
  FIO_O_RDWR = 0x0003,
  FIO_O_APPEND = 0x0100,
  FIO_O_CREAT = 0x0200,
  FIO_O_TRUNC = 0x0400
};

enum { FIO_SEEK_SET = 0, FIO_SEEK_CUR = 1, FIO_SEEK_END = 2 };

// Failure results (negated errno values, as the service returns them).
enum {
  FIO_ENOENT = -2,   // no such file, or a device this machine does not serve
  FIO_EIO = -5,
  FIO_EBADF = -9,
  FIO_EACCES = -13,
  FIO_EINVAL = -22,
  FIO_EMFILE = -24
};

int fileio_init(void);
int fio_open(const char *name, int flags);
int fio_close(int fd);
int fio_read(int fd, void *buffer, int size);
int fio_write(int fd, const void *buffer, int size);
int fio_lseek(int fd, int offset, int whence);
