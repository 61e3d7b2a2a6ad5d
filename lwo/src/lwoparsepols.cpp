// POLS and PTAG.
//
//   POLS: type (ID), then polygons: U2 point count (6 high flag bits), that
//         many VX point indices
//   PTAG: type (ID), then entries: VX polygon, U2 tag
#include "lwoparse.h"

// Triangles a polygon of n points gives: a fan of n - 2, or one degenerate
// triangle for a line or a single point.
static int32_t fanSize(int32_t n)
{
  return n >= 3 ? n - 2 : 1;
}

static int32_t validPoints(const int32_t *points, int32_t n, int32_t vertexCount)
{
  for (int32_t i = 0; i < n; i++)
    if (points[i] >= vertexCount)
      return 0;
  return 1;
}

// Adds polygon p's triangles at t: (first, k, k + 1) around the first point;
// (a, a, b) for two points and (a, a, a) for one.
static int32_t addFan(LwoTriangle *tri, int32_t p, const int32_t *points, int32_t n)
{
  int32_t made = 0;
  if (n == 0)
    return 0;
  if (n < 3) {
    tri->polygon = p;
    tri->vertex[0] = points[0];
    tri->vertex[1] = points[0];
    tri->vertex[2] = points[n - 1];
    return 1;
  }
  for (int32_t k = 1; k + 1 < n; k++, made++) {
    tri[made].polygon = p;
    tri[made].vertex[0] = points[0];
    tri[made].vertex[1] = points[k];
    tri[made].vertex[2] = points[k + 1];
  }
  return made;
}

// Counts the polygons (at most polygonCount) and triangles of the chunk at the
// cursor, leaving the cursor where it was.
static void countChunk(int32_t *polygons, int32_t *triangles)
{
  const uint8_t *start = lwoPtr;
  int32_t overrun = lwoOverrun;
  int32_t n;
  *polygons = 0;
  *triangles = 0;
  while (lwoLeft() > 0 && *polygons < lwoCurr->polygonCount && lwoSkipPolygon(&n) == 0) {
    (*polygons)++;
    *triangles += n > 0 ? fanSize(n) : 0;
  }
  lwoPtr = start;
  lwoOverrun = overrun;
}

// Polygons are split into triangles at once. Polygons are numbered from 0 in
// every FACE chunk; with one layer the last one (the one the pre-scan counted)
// is what remains. A polygon naming a point that does not exist gets no
// triangles; one cut by the end of the chunk is not read.
int32_t LwoParsePoly(void)
{
  if (LwoGetUINT32() != ID_FACE)
    return 0;
  static int32_t points[LWO_MAX_POLY_POINTS];
  int32_t polygonTotal, triangleTotal;
  if (lwoPtr - 4 == lwoScanPols.data) {
    polygonTotal = lwoCurr->polygonCount;
    triangleTotal = lwoScanPols.triangles;
  } else {
    countChunk(&polygonTotal, &triangleTotal);
  }
  // Filled below; the room left by polygons that give no triangles is zeroed.
  LwoTriangle *triangles = (LwoTriangle *)lwoAllocUninit(triangleTotal, sizeof(LwoTriangle));
  if (!triangles)
    return lwoNoMemory();
  lwoCurr->triangles = triangles;
  // Locals: the stores into the arrays would otherwise make the compiler
  // fetch the object's fields again for every polygon.
  LwoPolygon *polygons = lwoCurr->polygons;
  int32_t vertexCount = lwoCurr->vertexCount;
  for (int32_t p = 0; p < lwoCurr->polygonCount; p++) {
    polygons[p].firstTriangle = 0;
    polygons[p].triCount = 0;
  }
  int32_t t = 0, n;
  for (int32_t p = 0; p < polygonTotal; p++) {
    lwoReadPolygon(points, &n);
    polygons[p].firstTriangle = t;
    if (!validPoints(points, n, vertexCount)) {
      lwoIgnored.pointRefs++;
      continue;
    }
    int32_t made = addFan(triangles + t, p, points, n);
    polygons[p].triCount = made;
    t += made;
  }
  lwoCurr->triangleCount = t;
  if (t < triangleTotal)
    memset(triangles + t, 0, sizeof(LwoTriangle) * (size_t)(triangleTotal - t));
  return 0;
}

// Only surface tags are used; parts and smoothing groups are skipped whole.
// A tag at or past surfaceCount leaves its polygon on no surface.
void LwoParsePolyGetSurf(void)
{
  if (LwoGetUINT32() != ID_SURF)
    return;
  LwoPolygon *polygons = lwoCurr->polygons;
  uint32_t polygonCount = (uint32_t)lwoCurr->polygonCount;
  // Whole entries while the longest (4-byte VX, U2) fits, then the rest.
  const uint8_t *p = lwoPtr;
  while (lwoEnd - p >= 6) {
    uint32_t polygon = lwoPeekVX(&p);
    uint32_t tag = lwoPeekU2(p);
    p += 2;
    if (polygon >= polygonCount) {
      lwoIgnored.polygonRefs++;
      continue;
    }
    polygons[polygon].surface = (int32_t)tag;
  }
  lwoPtr = p;
  while (lwoLeft() > 0) {
    uint32_t polygon = LwoGetVX();
    uint32_t tag = LwoGetUINT16();
    if (lwoOverrun)
      break;
    if (polygon >= (uint32_t)lwoCurr->polygonCount) {
      lwoIgnored.polygonRefs++;
      continue;
    }
    lwoCurr->polygons[polygon].surface = (int32_t)tag;
  }
}
