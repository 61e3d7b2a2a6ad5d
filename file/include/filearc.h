// The data archive: one file holding every data file of the show.
//
// Layout (integers 32-bit little-endian, offsets from the start of the file):
//   0   "DAT1"
//   4   node count
//   8   entries, each: advance, storage type (0 stored, 1 packed), stored size,
//       unused word, data offset, zero-terminated name (at most 191 characters)
#pragma once
#include <cstdint>

enum {
  ARC_ERR_NONE = -1,        // no archive held, or it cannot be opened
  ARC_ERR_NO_MEMORY = -5,
  ARC_ERR_SIGNATURE = -7,   // the image does not start with "DAT1"
  ARC_ERR_MISSING = -8      // no member of that name
};

int32_t FileArcInit(const char *path);
int32_t FileArcFree(void);
int32_t FileArcIsPresent(void);
int32_t FileArcGetFile(void **data, const char *name, int32_t *size);
int32_t FileArcGetNodeCount(int32_t *count);
int32_t FileArcGetIndexedFilename(char *name, int32_t index);
