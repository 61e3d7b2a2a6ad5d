// The video-memory texture pool: the books of where each texture would lie in
// video memory, one after another. On this machine it moves no pixels; textured
// drawing uploads each texture just before use.
#pragma once
#include <cstdint>

enum { TEXHARD_SLOTS = 256 };

// Result codes of the texture pool.
enum {
  TEXHARD_OK = 0,
  TEXHARD_ERR_FULL = -1,  // every entry is in use, or the pool's offset would overflow
  TEXHARD_ERR_NULL = -2   // null slot or pixels
};

// One texture's entry.
struct TexHardSlot {
  const void *pixels;
  int32_t offset;        // bytes from the start of the pool
  int32_t width, height, bitsPerPixel;
};

// Adds a texture at the pool's current end and writes its entry's index into
// *slot. Refuses it (nothing changes) when all entries are used.
int32_t TexHardAdd(int *slot, const void *pixels, int width, int height, int bitsPerPixel);
// The pool offset of entry `slot`, or -1 when there is no such entry.
int32_t TexHardGetPoolOffset(int slot);
void TexHardPoolDefrag(void);
// Entries are never given back: the entry stays as it is.
int32_t TexHardDelete(int *slot);

// Books of the pool, for tests and diagnostics.
int TexHardGetCount(void);
int TexHardGetNextOffset(void);
const TexHardSlot *TexHardGetSlot(int slot);  // null when there is no such entry
// Empties the pool (power-on state), for tests.
void TexHardReset(void);
