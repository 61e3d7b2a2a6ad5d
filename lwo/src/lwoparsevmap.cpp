// VMAP and VMAD: per-point values.
//
//   VMAP: type (ID), dimension (U2), name (S0), entries: VX point, dimension x F4
//   VMAD: type (ID), dimension (U2), name (S0), entries: VX point, VX polygon,
//         dimension x F4
//
// Two types are used: TXUV (texture coordinates, read as two F4) and MORF
// (endomorph offsets, read as three F4). The dimension field is not looked at.
#include "lwoparse.h"
#include "console.h"
#include "mem.h"

#include <cstring>

// A TXUV map: one u, v per point; points it does not list keep 0, 0.
static int32_t lwoParseUV(void)
{
  if (lwoCurr->uvMapCount >= LWO_MAX_UV_MAPS) {
    ConsoleAdd(LWO_MSG_UV_MAPS, lwoFile->name, LWO_MAX_UV_MAPS);
    lwoIgnored.extraMaps++;
    return 0;
  }
  LwoUVMap *map = &lwoCurr->uvMaps[lwoCurr->uvMapCount];
  lwoGetName(map->name);
  map->vertexUV = (LwoUV *)lwoAlloc(lwoCurr->vertexCount, sizeof(LwoUV));
  if (!map->vertexUV)
    return lwoNoMemory();
  // Whole entries while the longest (4-byte VX, two F4) fits, then the rest.
  const uint8_t *p = lwoPtr;
  while (lwoEnd - p >= 12) {
    uint32_t point = lwoPeekVX(&p);
    float u = lwoPeekF4(p), v = lwoPeekF4(p + 4);
    p += 8;
    if (point >= (uint32_t)lwoCurr->vertexCount) {
      lwoIgnored.pointRefs++;
      continue;
    }
    map->vertexUV[point].u = u;
    map->vertexUV[point].v = v;
  }
  lwoPtr = p;
  while (lwoLeft() > 0) {
    uint32_t point = LwoGetVX();
    float u = lwoGetFloat();
    float v = lwoGetFloat();
    if (lwoOverrun)
      break;
    if (point >= (uint32_t)lwoCurr->vertexCount) {
      lwoIgnored.pointRefs++;
      continue;
    }
    map->vertexUV[point].u = u;
    map->vertexUV[point].v = v;
  }
  lwoCurr->uvMapCount++;
  return 0;
}

// One MORF entry: the offset of a point that exists, z negated like the
// points; an entry naming no point is counted and skipped.
static void storeDelta(LwoEndomorph *morph, uint32_t point, const float d[3])
{
  if (point >= (uint32_t)lwoCurr->vertexCount) {
    lwoIgnored.pointRefs++;
    return;
  }
  morph->deltas[point * 3 + 0] = d[0];
  morph->deltas[point * 3 + 1] = d[1];
  morph->deltas[point * 3 + 2] = -d[2];
}

// A MORF map: the offset of each listed point in the fully morphed shape,
// z negated like the points.
static int32_t lwoParseMORF(void)
{
  if (lwoCurr->endomorphCount >= LWO_MAX_ENDOMORPHS) {
    ConsoleAdd(LWO_MSG_ENDOMORPHS, lwoFile->name, LWO_MAX_ENDOMORPHS);
    lwoIgnored.extraMaps++;
    return 0;
  }
  LwoEndomorph *morph = &lwoCurr->endomorphs[lwoCurr->endomorphCount];
  lwoGetName(morph->name);
  morph->deltas = (float *)lwoAlloc((int64_t)lwoCurr->vertexCount * 3, sizeof(float));
  if (!morph->deltas)
    return lwoNoMemory();
  // Whole entries while the longest (4-byte VX, three F4) fits, then the rest.
  const uint8_t *p = lwoPtr;
  while (lwoEnd - p >= 16) {
    uint32_t point = lwoPeekVX(&p);
    float d[3] = {lwoPeekF4(p), lwoPeekF4(p + 4), lwoPeekF4(p + 8)};
    p += 12;
    storeDelta(morph, point, d);
  }
  lwoPtr = p;
  while (lwoLeft() > 0) {
    uint32_t point = LwoGetVX();
    float d[3] = {lwoGetFloat(), lwoGetFloat(), lwoGetFloat()};
    if (lwoOverrun)
      break;
    storeDelta(morph, point, d);
  }
  morph->weight = 0.0f;
  lwoCurr->endomorphCount++;
  return 0;
}

int32_t LwoParseVMAP(void)
{
  uint32_t type = LwoGetUINT32();
  LwoGetUINT16();  // dimension
  if (type != ID_TXUV && type != ID_MORF)
    return 0;  // weights, colours, selections, ...: skipped
  if (!lwoCurr->points) {
    lwoIgnored.earlyMaps++;
    return 0;
  }
  return type == ID_TXUV ? lwoParseUV() : lwoParseMORF();
}

static LwoUVMap *findUVMap(const char *name)
{
  for (int32_t m = 0; m < lwoCurr->uvMapCount; m++)
    if (strcmp(lwoCurr->uvMaps[m].name, name) == 0)
      return &lwoCurr->uvMaps[m];
  return nullptr;
}

// VMAD TXUV: per-polygon coordinates of seam points, kept in file order. A
// second VMAD for the same map adds its entries after the first one's.
static int32_t lwoParseDiscUV(void)
{
  char name[LWO_NAME_SIZE];
  lwoGetName(name);
  LwoUVMap *map = findUVMap(name);
  if (!map) {
    lwoIgnored.uvMapNames++;
    return 0;
  }
  // Each entry takes at least 12 bytes (two 2-byte VX and two F4).
  int64_t room = (int64_t)map->discCount + lwoLeft() / 12;
  LwoUV *disc = (LwoUV *)lwoAlloc(room, sizeof(LwoUV));
  if (!disc)
    return lwoNoMemory();
  if (map->discCount > 0)
    memcpy(disc, map->discUV, sizeof(LwoUV) * (size_t)map->discCount);
  int32_t count = map->discCount;
  while (lwoLeft() > 0 && count < room) {
    uint32_t point = LwoGetVX();
    uint32_t polygon = LwoGetVX();
    float u = lwoGetFloat();
    float v = lwoGetFloat();
    if (lwoOverrun)
      break;
    if (point >= (uint32_t)lwoCurr->vertexCount || polygon >= (uint32_t)lwoCurr->polygonCount) {
      lwoIgnored.pointRefs += point >= (uint32_t)lwoCurr->vertexCount;
      lwoIgnored.polygonRefs += polygon >= (uint32_t)lwoCurr->polygonCount;
      continue;
    }
    disc[count++] = LwoUV{(int32_t)point, (int32_t)polygon, u, v};
  }
  MemFree(map->discUV);
  map->discUV = disc;
  map->discCount = count;
  return 0;
}

int32_t LwoParseVMAD(void)
{
  uint32_t type = LwoGetUINT32();
  LwoGetUINT16();  // dimension
  if (type == ID_MORF) {
    ConsoleAdd(LWO_MSG_MORPH_VMAD);
    return 0;
  }
  if (type != ID_TXUV)
    return 0;
  return lwoParseDiscUV();
}
