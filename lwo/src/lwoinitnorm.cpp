// Vertex normals: the average of the face normals of every triangle that uses
// the point, each face normal made worldScale long. The averages are not made
// unit length again, and there is no smoothing angle: every triangle counts.
#include "lwoparse.h"
#include "mem.h"

#include <cmath>

// Face normals are worked out a batch of triangles at a time, then added to
// their points in triangle order. Neighbouring triangles share points, so
// adding each face normal as soon as it is known would make every triangle
// wait on the square root and divisions of the one before it; a batch of
// independent faces keeps the processor busy. The sums, and so the results,
// are the same as one triangle at a time.
enum { FACE_BATCH = 256 };

// The face normal of triangle v made `scale` long, positions from points
// (+ deltas for a morphed shape). The length is taken in double precision.
// One corner's position: the point, plus its offset for a morphed shape.
// Read into plain values rather than a small array: the copies into an array
// were read back in wider pieces than they were written, which stalls.
template <bool withDeltas>
static void corner(const float *points, const float *deltas, int32_t i, float *x, float *y,
                   float *z)
{
  *x = withDeltas ? points[i * 3 + 0] + deltas[i * 3 + 0] : points[i * 3 + 0];
  *y = withDeltas ? points[i * 3 + 1] + deltas[i * 3 + 1] : points[i * 3 + 1];
  *z = withDeltas ? points[i * 3 + 2] + deltas[i * 3 + 2] : points[i * 3 + 2];
}

// The face normal of triangle v made `scale` long, positions from points
// (+ deltas for a morphed shape). The length is taken in double precision.
template <bool withDeltas>
static void faceNormal(const int32_t *v, const float *points, const float *deltas, float scale,
                       float *face)
{
  float ax, ay, az, bx, by, bz, cx, cy, cz;
  corner<withDeltas>(points, deltas, v[0], &ax, &ay, &az);
  corner<withDeltas>(points, deltas, v[1], &bx, &by, &bz);
  corner<withDeltas>(points, deltas, v[2], &cx, &cy, &cz);
  float e1x = bx - ax, e1y = by - ay, e1z = bz - az;
  float e2x = cx - ax, e2y = cy - ay, e2z = cz - az;
  float n[3] = {e1y * e2z - e1z * e2y, e1z * e2x - e1x * e2z, e1x * e2y - e1y * e2x};
  float length = (float)sqrt((double)n[0] * n[0] + (double)n[1] * n[1] + (double)n[2] * n[2]);
  if (length == 0.0f)
    length = 1.0f;
  // A world scale of 0 makes normals of length 0, not a division by zero.
  float divisor = length / scale;
  for (int c = 0; c < 3; c++)
    face[c] = divisor != 0.0f ? n[c] / divisor : 0.0f;
}

// Accumulates into `normals` (zero on entry) the face normals of the object's
// triangles, then divides each point's sum by its count of triangle corners.
template <bool withDeltas>
static void buildInto(float *normals, const float *deltas, const int32_t *counters)
{
  const float *points = initLwo->points;
  const LwoTriangle *triangles = initLwo->triangles;
  float scale = initLwo->worldScale;
  float faces[FACE_BATCH][3];
  for (int32_t first = 0; first < initLwo->triangleCount; first += FACE_BATCH) {
    int32_t count = initLwo->triangleCount - first;
    if (count > FACE_BATCH)
      count = FACE_BATCH;
    for (int32_t i = 0; i < count; i++)
      faceNormal<withDeltas>(triangles[first + i].vertex, points, deltas, scale, faces[i]);
    for (int32_t i = 0; i < count; i++) {
      const int32_t *v = triangles[first + i].vertex;
      for (int k = 0; k < 3; k++)
        for (int c = 0; c < 3; c++)
          normals[v[k] * 3 + c] += faces[i][c];
    }
  }
  for (int32_t i = 0; i < initLwo->vertexCount; i++)
    if (counters[i] > 0)
      for (int c = 0; c < 3; c++)
        normals[i * 3 + c] /= (float)counters[i];
}

int32_t LwoObjBuildNormals(void)
{
  // Every shape has the same triangles, so the corner counts serve them all.
  int32_t *counters = (int32_t *)lwoAlloc(initLwo->vertexCount, sizeof(int32_t));
  if (!counters)
    return lwoNoMemory();
  for (int32_t t = 0; t < initLwo->triangleCount; t++)
    for (int k = 0; k < 3; k++)
      counters[initLwo->triangles[t].vertex[k]]++;
  buildInto<false>(initLwo->normals, nullptr, counters);
  for (int32_t m = 0; m < initLwo->endomorphCount; m++) {
    LwoEndomorph *morph = &initLwo->endomorphs[m];
    morph->morphNormals = (float *)lwoAlloc((int64_t)initLwo->vertexCount * 3, sizeof(float));
    if (!morph->morphNormals)
      return lwoNoMemory();
    buildInto<true>(morph->morphNormals, morph->deltas, counters);
  }
  MemFree(counters);
  return 0;
}
