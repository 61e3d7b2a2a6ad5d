// PNTS and BBOX.
//
//   PNTS: points, each three F4 (x, y, z)
//   BBOX: six F4, the minimum and maximum corners
#include "lwoparse.h"

// Points are stored as (x, y, -z): the program's coordinates have z the other
// way round from LightWave's. Bytes past the last whole point are left unread.
int32_t LwoParseVert(void)
{
  if (lwoCurr->points) {
    // NOTE: one layer has one point list; the per-point arrays already made
    // (vertex maps) are sized by the first one, so a second one is not used.
    lwoIgnored.extraPoints++;
    return 0;
  }
  int32_t count = (int32_t)(lwoLeft() / 4 / 3);
  lwoIgnored.trailingBytes += (int32_t)(lwoLeft() % 12);
  float *points = (float *)lwoAllocUninit((int64_t)count * 3, sizeof(float));
  if (!points)
    return lwoNoMemory();
  // count whole points fit in the chunk: read without checks.
  const uint8_t *p = lwoPtr;
  for (int32_t i = 0; i < count; i++, p += 12) {
    points[i * 3 + 0] = lwoPeekF4(p);
    points[i * 3 + 1] = lwoPeekF4(p + 4);
    points[i * 3 + 2] = -lwoPeekF4(p + 8);
  }
  lwoPtr = p;
  lwoCurr->points = points;
  lwoCurr->vertexCount = count;
  return 0;
}

// The program keeps no bounds: the six values are read past.
void LwoParseBounBox(void)
{
  for (int i = 0; i < 6; i++)
    lwoGetFloat();
}
