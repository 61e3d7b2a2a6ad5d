// The bounded read cursor of the LWO2 reader. All multi-byte values of the
// format are big-endian.
#include "lwoparse.h"
#include "console.h"
#include "mem.h"

#include <cstring>

const uint8_t *lwoEnter(uint32_t size)
{
  const uint8_t *outer = lwoEnd;
  if (size > lwoLeft()) {
    lwoOverrun = 1;
    size = lwoLeft();
  }
  lwoEnd = lwoPtr + size;
  return outer;
}

void lwoLeave(const uint8_t *outerEnd)
{
  lwoPtr = lwoEnd;
  lwoEnd = outerEnd;
}

// S0: bytes up to a zero; a string whose length with the zero is odd is
// followed by one pad byte.
void lwoGetName(char *out)
{
  int32_t length = 0;
  for (;;) {
    if (lwoLeft() == 0) {
      lwoOverrun = 1;
      break;
    }
    uint8_t c = *lwoPtr++;
    if (c == 0)
      break;
    if (length < LWO_NAME_SIZE - 1)
      out[length] = (char)c;
    length++;
  }
  int32_t kept = length < LWO_NAME_SIZE - 1 ? length : LWO_NAME_SIZE - 1;
  out[kept] = 0;
  if (((length + 1) & 1) && lwoLeft() > 0)
    lwoPtr++;
}

int32_t lwoFindLast(const uint8_t *from, const uint8_t *to, uint32_t id)
{
  if (to - from < 4)
    return -1;
  uint8_t bytes[4] = {(uint8_t)(id >> 24), (uint8_t)(id >> 16), (uint8_t)(id >> 8), (uint8_t)id};
  for (int64_t at = (to - from) - 4; at >= 0; at--)
    if (memcmp(from + at, bytes, 4) == 0)
      return (int32_t)at;
  return -1;
}

void *lwoAlloc(int64_t count, int64_t size)
{
  if (count < 0 || size < 0 || (size > 0 && count > INT32_MAX / size))
    return nullptr;
  // A zero-length array still gets a block, so "no block" always means no room.
  int64_t bytes = count * size;
  return MemAlloc((int32_t)(bytes > 0 ? bytes : 1));
}

void *lwoAllocUninit(int64_t count, int64_t size)
{
  if (count < 0 || size < 0 || (size > 0 && count > INT32_MAX / size))
    return nullptr;
  int64_t bytes = count * size;
  return MemAllocUninit((int32_t)(bytes > 0 ? bytes : 1));
}

int32_t lwoNoMemory(void)
{
  ConsoleAdd(LWO_MSG_NO_MEMORY, lwoFile ? lwoFile->name : "object");
  return LWO_ERR_NO_MEMORY;
}
