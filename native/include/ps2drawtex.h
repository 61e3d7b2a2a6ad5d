// Texture upload: one texture at a time into the texture area of GS memory.
#pragma once
#include <cstdint>

// Image data goes by DMA in chunks of at most this many quadwords (256 KiB).
enum { TEX_CHUNK_QWC = 16384 };

// Status codes of PS2DrawTexCheck.
enum {
  PS2TEX_OK = 0,
  PS2TEX_ERR_NULL = -2,       // no pixels
  PS2TEX_ERR_SIZE = -22       // empty, wider than 512, taller than 1024, or past the end of GS memory
};

// The GS size exponent for `size` texels: how often size - 1 (in 16 bits) can
// be halved before it reaches 0 (256 -> 8, 257 -> 9, 1 -> 0, 0 -> 16).
int PS2DrawTexGetWH(uint16_t size);
// Whether a texture of this size fits the texture area as the upload places
// it (rows 512 texels apart, up to the end of GS memory). PS2TEX_OK or a code above.
int32_t PS2DrawTexCheck(uint16_t texWidth, uint16_t texHeight, const void *pixels);
// Copies texWidth x texHeight 32-bit pixels (R, G, B, A bytes) to the texture
// area and flushes the texture cache. A texture that PS2DrawTexCheck refuses
// is not sent at all.
void PS2DrawTexUpload(uint16_t texWidth, uint16_t texHeight, const void *pixels);
