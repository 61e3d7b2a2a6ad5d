// The vertex stage: projection, the divide by w, screen positions, and
// environment coordinates; non-finite and huge projections.
#include "rendertest.h"

#include "machine.h"

static VertexBuffer buildPoints(std::vector<ScreenVertex> &store, const std::vector<float> &points,
                                const float *normals = nullptr)
{
  VertexBuffer vb = {store.data(), (int32_t)store.size(), 0};
  EXPECT_EQ(BuildVertexBuffer(points.data(), normals, &vb, (int32_t)points.size() / 3),
            (int32_t)points.size() / 3);
  return vb;
}

// Identity matrices: w comes out as z + 1 once the stage sets the factor of z
// in w, so a point is in front of the near plane from z = -1 - 1/16 on.
TEST(RenderVertex, DividesOnlyInFrontAndTruncatesTowardZero)
{
  renderSetUp(512, 224);
  std::vector<ScreenVertex> store(8);
  std::vector<float> points = {
      10, 20, -3,             // w = -2: divided
      10.7f, -3.9f, -1.0625f, // w = -1/16, on the near plane: divided
      -0.5f, 0.5f, -5,        // w = -4: -0.125 and 0.125 truncate to 0
      7.5f, 8.2f, -1,         // w = 0: behind, undivided
      10.7f, -3.9f, 1,        // w = 2: behind, undivided (never mirrored)
  };
  VertexBuffer vb = buildPoints(store, points);
  EXPECT_EQ(vb.count, 5);
  EXPECT_EQ(MatrixGet(MATRIX_PROJECTION)->m[11], 1.0f);  // the change stays in the matrix
  const ScreenVertex *r = store.data();
  EXPECT_EQ(r[0].x, 251); EXPECT_EQ(r[0].y, 102); EXPECT_FLOAT_EQ(r[0].z, -1.5f);
  EXPECT_EQ(r[1].x, 85); EXPECT_EQ(r[1].y, 174); EXPECT_FLOAT_EQ(r[1].z, -17.0f);
  EXPECT_EQ(r[2].x, 256); EXPECT_EQ(r[2].y, 112); EXPECT_FLOAT_EQ(r[2].z, -1.25f);
  EXPECT_EQ(r[3].x, 263); EXPECT_EQ(r[3].y, 120); EXPECT_EQ(r[3].z, 1.0f);
  EXPECT_EQ(r[4].x, 266); EXPECT_EQ(r[4].y, 109); EXPECT_EQ(r[4].z, -1.0f);
  // The point before the divide is kept.
  EXPECT_FLOAT_EQ(r[0].hx, 10); EXPECT_FLOAT_EQ(r[0].hy, 20);
  EXPECT_FLOAT_EQ(r[0].hz, -3); EXPECT_FLOAT_EQ(r[0].hw, -2);

  // The centre follows the surface: PAL height, and an odd width shifted down.
  WindowGet()->width = 513;
  WindowGet()->height = 256;
  buildPoints(store, points);
  EXPECT_EQ(r[0].x, 251);
  EXPECT_EQ(r[0].y, 118);
}

TEST(RenderVertex, EnvironmentCoordinatesFromNormalsSurviveALaterBuildWithout)
{
  renderSetUp(512, 224);
  MatrixMode(MATRIX_MODELVIEW);
  MatrixTranslate(0, 12, -36);  // the normal takes the translation too
  std::vector<ScreenVertex> store(3);
  std::vector<float> points = {0, 0, 0, 100, 0, 0, 0, 100, 0};
  std::vector<float> normals = {0, 12, 96, 0, 0, 60, 0, -12, 36};
  buildPoints(store, points, normals.data());
  EXPECT_FLOAT_EQ(store[0].eu, 0.5f);
  EXPECT_FLOAT_EQ(store[0].ev, 0.2f);
  EXPECT_FLOAT_EQ(store[1].eu, 0.2f);
  EXPECT_FLOAT_EQ(store[2].eu, 0.0f);
  EXPECT_FLOAT_EQ(store[2].ev, 0.0f);

  VertexBuffer vb = buildPoints(store, points);  // no normals: eu, ev kept
  EXPECT_FLOAT_EQ(store[0].eu, 0.5f);
  EXPECT_FLOAT_EQ(store[0].ev, 0.2f);

  // With the environment flag, u and v come from eu and ev, on both windings
  // (one of which is culled).
  std::vector<ScreenVertex> out(RENDER_PIECES_MAX * 3);
  TriangleBuffer tb = {out.data(), RENDER_PIECES_MAX};
  int32_t tris[6] = {0, 1, 2, 0, 2, 1}, n = 0;
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, tris, 2, 0, &tb, &n, 1), 2);
  EXPECT_EQ(n, 1);
  EXPECT_FLOAT_EQ(store[0].u, 0.75f);
  EXPECT_FLOAT_EQ(store[0].v, 0.6f);
  EXPECT_FLOAT_EQ(store[1].u, 0.6f);
  EXPECT_TRUE(sameTriangle(&out[0], store[0], store[1], store[2]));
}

// A damaged file (NaN), a point just behind the near plane and a huge one:
// every screen position is a defined, saturated integer, and triangles on NaN
// points go.
TEST(RenderVertex, NonFiniteAndHugeProjectionsAreDefined)
{
  renderSetUp(512, 224);
  std::string console;
  MachineCaptureConsole(&console);
  std::vector<ScreenVertex> store(6);
  std::vector<float> points = {
      NAN, 0, -1.5f,               // damaged
      1000, -1000, -1.06f,         // w = -0.06: behind the near plane, undivided
      1e30f, -1e30f, -2,           // w = -1, huge
      10, 10, -1.5f,               // on the screen: (236, 92), (176, 92), (236, 32)
      40, 10, -1.5f,
      10, 40, -1.5f,
  };
  buildPoints(store, points);
  EXPECT_TRUE(std::isnan(store[0].z));
  EXPECT_EQ(store[1].x, 1256);
  EXPECT_EQ(store[1].y, -888);
  EXPECT_GT(store[1].z, 1.0f);
  EXPECT_EQ(store[2].x, 256 - RENDER_COORD_LIMIT);
  EXPECT_EQ(store[2].y, RENDER_COORD_LIMIT);

  VertexBuffer vb = {store.data(), 6, 6};
  std::vector<ScreenVertex> out(RENDER_TRIANGLES * 3);
  TriangleBuffer tb = {out.data(), RENDER_TRIANGLES};
  // Both windings of each, so the facing test cannot hide the far points.
  int32_t tris[] = {0, 3, 4, 0, 4, 3, 1, 3, 4, 1, 4, 3, 2, 3, 5, 2, 5, 3, 1, 2, 3, 1, 3, 2};
  int32_t n = 0;
  for (int round = 0; round < 2; round++) {  // said once, however often it happens
    EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, tris, 8, 0, &tb, &n, 0), 8);
    EXPECT_GT(n, 0);
  }
  EXPECT_EQ(RenderGetStats()->trianglesBad, 4);
  for (int32_t i = 0; i < 3 * n; i++) {
    EXPECT_TRUE(out[i].x >= 0 && out[i].x <= 512 && out[i].y >= 0 && out[i].y <= 224);
    EXPECT_FALSE(std::isnan(out[i].z));
  }
  MachineCaptureConsole(nullptr);
  EXPECT_EQ(countOf(console, "damaged point"), 1);
}
