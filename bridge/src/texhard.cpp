// The video-memory texture pool: a table of entries placing textures back to
// back, in the order they are added, without alignment between them.
#include "texhard.h"

#include <climits>

// Module state: written only by TexHardAdd and TexHardReset.
static TexHardSlot texHard[TEXHARD_SLOTS];
static int texHardCount;  // entries in use, from index 0 upwards
static int offset;        // pool offset at which the next texture starts

int32_t TexHardAdd(int *slot, const void *pixels, int width, int height, int bitsPerPixel)
{
  if (!slot || !pixels)
    return TEXHARD_ERR_NULL;
  if (texHardCount >= TEXHARD_SLOTS)
    return TEXHARD_ERR_FULL;
  if (width < 0 || height < 0 || bitsPerPixel < 0)
    return TEXHARD_ERR_FULL;
  // Whole bytes per pixel: a 4-bit texture takes no room in these books.
  // NOTE: the size is checked against the room left below INT_MAX before it
  // is added, so a huge texture cannot wrap the offset round.
  int64_t pixelCount = (int64_t)width * height;
  int64_t bytesPerPixel = bitsPerPixel >> 3;
  if (bytesPerPixel && pixelCount > ((int64_t)INT_MAX - offset) / bytesPerPixel)
    return TEXHARD_ERR_FULL;
  int64_t bytes = pixelCount * bytesPerPixel;

  *slot = texHardCount;
  TexHardSlot *entry = &texHard[texHardCount];
  entry->pixels = pixels;
  entry->offset = offset;
  entry->width = width;
  entry->height = height;
  entry->bitsPerPixel = bitsPerPixel;
  offset += (int)bytes;
  texHardCount++;
  return TEXHARD_OK;
}

int32_t TexHardGetPoolOffset(int slot)
{
  if (slot < 0 || slot >= texHardCount)
    return -1;
  return texHard[slot].offset;
}

void TexHardPoolDefrag(void)
{
}

int32_t TexHardDelete(int *slot)
{
  if (!slot)
    return TEXHARD_ERR_NULL;
  return TEXHARD_OK;
}

int TexHardGetCount(void)
{
  return texHardCount;
}

int TexHardGetNextOffset(void)
{
  return offset;
}

const TexHardSlot *TexHardGetSlot(int slot)
{
  if (slot < 0 || slot >= texHardCount)
    return nullptr;
  return &texHard[slot];
}

void TexHardReset(void)
{
  texHardCount = 0;
  offset = 0;
}
