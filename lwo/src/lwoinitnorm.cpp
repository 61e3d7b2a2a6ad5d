// Vertex normals: the average of the face normals of every triangle that uses
// the point, each face normal made worldScale long. The averages are not made
// unit length again, and there is no smoothing angle: every triangle counts.
#include "lwoparse.h"
#include "mem.h"

#include <cmath>

// Face normals are worked out a batch of triangles at a time, then added to
// their points in triangle order. Neighbouring triangles share points, so
// adding each face normal as soon as it is known would make every triangle
// wait on the square root and divisions of the one before it. In a batch the
// faces are independent and the scaling runs over plain arrays, so the
// processor overlaps them. The arithmetic and the order of the additions are
// those of one triangle at a time, and so are the results.
enum { FACE_BATCH = 256 };

struct FaceBatch {
  float x[FACE_BATCH], y[FACE_BATCH], z[FACE_BATCH];
};

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

// Entry i of the batch: the cross product of the edges of triangle v,
// positions from points (+ deltas for a morphed shape).
template <bool withDeltas>
static void crossProduct(const int32_t *v, const float *points, const float *deltas,
                         FaceBatch *batch, int32_t i)
{
  float ax, ay, az, bx, by, bz, cx, cy, cz;
  corner<withDeltas>(points, deltas, v[0], &ax, &ay, &az);
  corner<withDeltas>(points, deltas, v[1], &bx, &by, &bz);
  corner<withDeltas>(points, deltas, v[2], &cx, &cy, &cz);
  float e1x = bx - ax, e1y = by - ay, e1z = bz - az;
  float e2x = cx - ax, e2y = cy - ay, e2z = cz - az;
  batch->x[i] = e1y * e2z - e1z * e2y;
  batch->y[i] = e1z * e2x - e1x * e2z;
  batch->z[i] = e1x * e2y - e1y * e2x;
}

// Makes the first `count` entries `scale` long. The length is taken in double
// precision; a zero length counts as 1, and a world scale of 0 makes normals
// of length 0, not a division by zero.
static void scaleFaces(FaceBatch *batch, int32_t count, float scale)
{
  for (int32_t i = 0; i < count; i++) {
    float x = batch->x[i], y = batch->y[i], z = batch->z[i];
    float length = (float)sqrt((double)x * x + (double)y * y + (double)z * z);
    if (length == 0.0f)
      length = 1.0f;
    float divisor = length / scale;
    batch->x[i] = divisor != 0.0f ? x / divisor : 0.0f;
    batch->y[i] = divisor != 0.0f ? y / divisor : 0.0f;
    batch->z[i] = divisor != 0.0f ? z / divisor : 0.0f;
  }
}

// Accumulates into `normals` (zero on entry) the face normals of the object's
// triangles, then divides each point's sum by its count of triangle corners.
template <bool withDeltas>
static void buildInto(float *normals, const float *deltas, const int32_t *counters)
{
  const float *points = initLwo->points;
  const LwoTriangle *triangles = initLwo->triangles;
  FaceBatch batch;
  for (int32_t first = 0; first < initLwo->triangleCount; first += FACE_BATCH) {
    int32_t count = initLwo->triangleCount - first;
    if (count > FACE_BATCH)
      count = FACE_BATCH;
    for (int32_t i = 0; i < count; i++)
      crossProduct<withDeltas>(triangles[first + i].vertex, points, deltas, &batch, i);
    scaleFaces(&batch, count, initLwo->worldScale);
    for (int32_t i = 0; i < count; i++) {
      const int32_t *v = triangles[first + i].vertex;
      for (int k = 0; k < 3; k++) {
        normals[v[k] * 3 + 0] += batch.x[i];
        normals[v[k] * 3 + 1] += batch.y[i];
        normals[v[k] * 3 + 2] += batch.z[i];
      }
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
