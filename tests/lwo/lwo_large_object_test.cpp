// A large object read and prepared in full: point indices in both VX forms,
// n-gons, a morph and more triangles than one normal batch, its normals
// checked against a computation of their own from the file's numbers.
#include "lwo_builder.h"

#include <cmath>

namespace {

const uint32_t kPoints = 0xFF00 + 300;  // the last 300 need the long VX form

// Positions of the big object: a wavy sheet, so face normals differ.
float Coord(uint32_t i, int c)
{
  float x = (float)(i % 256), y = (float)(i / 256);
  return c == 0 ? x : c == 1 ? y : std::sin(x * 0.37f) * std::cos(y * 0.21f) * 3.0f;
}

// The normals of one shape worked out independently: positions from the
// file's own numbers (z negated as stored), in double precision, each face
// normal made unit length and then worldScale long, averaged over the
// corners that use each point.
std::vector<double> ReferenceNormals(const LwoObject *o, const std::vector<double> &deltas)
{
  auto position = [&](int32_t i, int c) {
    double stored = c == 2 ? -(double)Coord((uint32_t)i, 2) : (double)Coord((uint32_t)i, c);
    return stored + deltas[(size_t)i * 3 + c];
  };
  std::vector<double> sum((size_t)o->vertexCount * 3, 0.0);
  std::vector<int32_t> count((size_t)o->vertexCount, 0);
  for (int32_t t = 0; t < o->triangleCount; t++) {
    const int32_t *v = o->triangles[t].vertex;
    double e1[3], e2[3];
    for (int c = 0; c < 3; c++) {
      e1[c] = position(v[1], c) - position(v[0], c);
      e2[c] = position(v[2], c) - position(v[0], c);
    }
    double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                   e1[0] * e2[1] - e1[1] * e2[0]};
    double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; k++) {
      for (int c = 0; c < 3 && length > 0; c++)
        sum[(size_t)v[k] * 3 + c] += n[c] / length * o->worldScale;
      count[(size_t)v[k]]++;
    }
  }
  for (int32_t i = 0; i < o->vertexCount; i++)
    for (int c = 0; c < 3 && count[(size_t)i] > 0; c++)
      sum[(size_t)i * 3 + c] /= count[(size_t)i];
  return sum;
}

// The morph's deltas as the file gives them (MORF values for every seventh
// point), z negated as stored.
std::vector<double> MorphDeltas(void)
{
  std::vector<double> deltas((size_t)kPoints * 3, 0.0);
  for (uint32_t i = 0; i < kPoints; i += 7) {
    deltas[(size_t)i * 3 + 1] = 0.5;
    deltas[(size_t)i * 3 + 2] = -(double)(i % 3);
  }
  return deltas;
}

void ExpectNormals(const float *got, const std::vector<double> &want, const char *what)
{
  int32_t wrong = 0;
  for (size_t i = 0; i < want.size(); i++)
    if (!(std::fabs(got[i] - want[i]) <= 1e-5))
      if (wrong++ < 5)
        ADD_FAILURE() << what << " value " << i << ": " << got[i] << " instead of " << want[i];
  EXPECT_EQ(wrong, 0) << what;
}

TEST_F(LwoTest, LargeObjectMatchesATriangleAtATimePreparation)
{
  std::vector<float> xyz;
  for (uint32_t i = 0; i < kPoints; i++)
    for (int c = 0; c < 3; c++)
      xyz.push_back(Coord(i, c));
  // Triangles over the first rows, a few n-gons, and triangles whose
  // corners lie past 0xFF00; one polygon names a point that does not exist.
  std::vector<std::vector<uint32_t>> polygons;
  for (uint32_t y = 0; y < 6; y++)
    for (uint32_t x = 0; x < 255; x++) {
      uint32_t a = y * 256 + x;
      polygons.push_back({a, a + 1, a + 257});
      polygons.push_back({a, a + 257, a + 256});
    }
  polygons.push_back({2000, 2001, 2002, 2003, 2004, 2005, 2006});
  polygons.push_back({kPoints - 1, kPoints - 2, 0xFF00, 5});
  polygons.push_back({kPoints - 3, kPoints - 4, kPoints - 5});
  polygons.push_back({1, 2, kPoints});
  std::vector<std::pair<uint32_t, std::vector<float>>> morph, uv;
  for (uint32_t i = 0; i < kPoints; i += 7)
    morph.push_back({i, {0.0f, 0.5f, (float)(i % 3)}});
  for (uint32_t i = kPoints - 20; i < kPoints; i++)
    uv.push_back({i, {0.25f, 0.75f}});
  std::vector<std::pair<uint32_t, uint32_t>> tags;
  for (uint32_t p = 0; p < polygons.size(); p++)
    tags.push_back({p, 0});
  std::string file = Form({Tags({"A"}), Pnts(xyz), Vmap("TXUV", "UV", uv), Vmap("MORF", "Bend", morph),
                           Pols(polygons), Ptag(tags),
                           Surf("A", {Sub("SMAN", Bytes().f4(1.0f))})});
  ASSERT_EQ(Load(file, 0.5f), LWO_OK);

  ASSERT_EQ(object->vertexCount, (int32_t)kPoints);
  EXPECT_EQ(object->points[(kPoints - 1) * 3 + 2], -Coord(kPoints - 1, 2));
  EXPECT_EQ(object->triangleCount, 6 * 255 * 2 + 5 + 2 + 1);
  EXPECT_EQ(object->polygons[polygons.size() - 1].triCount, 0);  // names a missing point
  EXPECT_EQ(object->triangles[6 * 255 * 2 + 5].vertex[0], (int32_t)kPoints - 1);
  EXPECT_EQ(object->triangles[6 * 255 * 2 + 5].vertex[2], 0xFF00);
  EXPECT_EQ(object->uvMaps[0].vertexUV[kPoints - 1].v, 0.75f);
  EXPECT_EQ(object->endomorphs[0].deltas[7 * 3 + 1], 0.5f);
  EXPECT_EQ(object->endomorphs[0].deltas[7 * 3 + 2], -1.0f);
  EXPECT_EQ(object->surfaces[0].triCount, object->triangleCount);

  // The normals, the fully morphed shape's and the kept copy agree with an
  // independent computation.
  std::vector<double> base = ReferenceNormals(object, std::vector<double>((size_t)kPoints * 3, 0.0));
  std::vector<double> bent = ReferenceNormals(object, MorphDeltas());
  ExpectNormals(object->normals, base, "normals");
  ExpectNormals(object->endomorphs[0].morphNormals, bent, "morphed normals");
  ExpectNormals(object->baseNormals, base, "kept normals");
}

}  // namespace
