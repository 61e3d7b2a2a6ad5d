// The snapshot hook: one replaceable function that saves a picture, and the
// file name snapshots are saved under. The show registers none and never saves.
#pragma once
#include <cstdint>

enum { SNAPSHOT_NAME_SIZE = 192 };

// Result codes of the snapshot hook.
enum { SNAPSHOT_OK = 0, SNAPSHOT_ERR_NO_CODEC = -1 };

// Saves width x height pixels of 4 bytes (R, G, B, A) under fileName.
typedef int32_t (*SnapshotCodec)(const char *fileName, const uint8_t *pixels, int32_t width,
                                 int32_t height);

// The host file layer's current directory followed by "Halvek.TGA", in a
// buffer of this module that the next call overwrites.
char *SnapshotGetFileName(void);
// Stores the function, replacing an earlier one.
int32_t SnapshotRegisterCodec(SnapshotCodec codec);
// Hands its arguments unchanged to the registered function, whose result is
// not examined; SNAPSHOT_ERR_NO_CODEC when none is registered.
int32_t SnapshotSave(const char *fileName, const uint8_t *pixels, int32_t width, int32_t height);
