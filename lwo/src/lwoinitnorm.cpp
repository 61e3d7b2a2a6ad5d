// Vertex normals: the average of the face normals of every triangle that uses
// the point, each face normal made worldScale long. The averages are not made
// unit length again, and there is no smoothing angle: every triangle counts.
#include "lwoparse.h"
#include "mem.h"

#include <cmath>

// Accumulates into `normals` the face normals of the object's triangles with
// positions points (+ deltas for a morphed shape), then averages them.
template <bool withDeltas>
static void buildInto(float *normals, const float *deltas, int32_t *counters)
{
  const float *points = initLwo->points;
  float scale = initLwo->worldScale;
  for (int32_t i = 0; i < initLwo->vertexCount; i++)
    counters[i] = 0;
  for (int32_t t = 0; t < initLwo->triangleCount; t++) {
    const int32_t *v = initLwo->triangles[t].vertex;
    float p[3][3];
    for (int k = 0; k < 3; k++)
      for (int c = 0; c < 3; c++)
        p[k][c] = withDeltas ? points[v[k] * 3 + c] + deltas[v[k] * 3 + c] : points[v[k] * 3 + c];
    float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                  e1[0] * e2[1] - e1[1] * e2[0]};
    float length = (float)sqrt((double)n[0] * n[0] + (double)n[1] * n[1] + (double)n[2] * n[2]);
    if (length == 0.0f)
      length = 1.0f;
    // A world scale of 0 makes normals of length 0, not a division by zero.
    float divisor = length / scale;
    float face[3];
    for (int c = 0; c < 3; c++)
      face[c] = divisor != 0.0f ? n[c] / divisor : 0.0f;
    for (int k = 0; k < 3; k++) {
      for (int c = 0; c < 3; c++)
        normals[v[k] * 3 + c] += face[c];
      counters[v[k]]++;
    }
  }
  for (int32_t i = 0; i < initLwo->vertexCount; i++)
    if (counters[i] > 0)
      for (int c = 0; c < 3; c++)
        normals[i * 3 + c] /= (float)counters[i];
}

int32_t LwoObjBuildNormals(void)
{
  int32_t *counters = (int32_t *)lwoAlloc(initLwo->vertexCount, sizeof(int32_t));
  if (!counters)
    return lwoNoMemory();
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
