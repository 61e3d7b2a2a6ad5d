// CRC-32 as zlib computes it (polynomial 0xEDB88320, reflected, inverted in
// and out), so the page's frame checksums match the desktop's.
#include "zlib.h"

#include <cstdint>

uLong crc32(uLong crc, const Bytef *bytes, uInt length)
{
  static uint32_t table[256];
  if (table[1] == 0) {
    for (uint32_t n = 0; n < 256; n++) {
      uint32_t c = n;
      for (int k = 0; k < 8; k++)
        c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  }
  uint32_t c = (uint32_t)crc ^ 0xFFFFFFFFu;
  if (!bytes)
    return 0;
  for (uInt i = 0; i < length; i++)
    c = table[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}
