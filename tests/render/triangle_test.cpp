// The triangle stage: facing, texture coordinates, depth order and the
// depth cut at z = 1 with its cut points.
#include "rendertest.h"

TEST(RenderTriangle, FacingDropsOneWindingAndKeepsDegenerate)
{
  renderSetUp();
  // At equal z, D = -z * (twice the signed area in x right, y down): this
  // winding (clockwise on the screen) is dropped, the other kept.
  std::vector<ScreenVertex> r = {sv(0, 0, 0.5f), sv(100, 0, 0.5f), sv(0, 100, 0.5f),
                                 sv(10, 10, 0.5f), sv(20, 20, 0.5f), sv(40, 40, 0.5f)};
  EXPECT_EQ(runTriangles(r, {0, 1, 2}, false).size(), 0u);
  EXPECT_EQ(runTriangles(r, {0, 2, 1}, false).size(), 3u);
  EXPECT_EQ(RenderStatsGet()->trianglesCulled, 1);
  // Collinear points: D is exactly 0 in either winding, and the triangle stays.
  EXPECT_EQ(runTriangles(r, {3, 4, 5}, false).size(), 3u);
  EXPECT_EQ(runTriangles(r, {3, 5, 4}, false).size(), 3u);
}

TEST(RenderTriangle, TextureCoordinatesAreWrittenBeforeTheCull)
{
  renderSetUp();
  std::vector<ScreenVertex> r = {sv(0, 0, 0.5f), sv(100, 0, 0.5f), sv(0, 100, 0.5f),
                                 sv(100, 100, 0.5f), sv(0, 0, 3.0f), sv(50, 0, 3.0f),
                                 sv(0, 50, 3.0f)};
  for (auto &v : r)
    v.u = v.v = -7.0f;
  std::vector<float> uv = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f,
                           0.9f, 1.0f, 1.1f, 1.2f, 1.3f, 1.4f};
  VertexBuffer vb = {r.data(), 7, 7};
  std::vector<ScreenVertex> out(RENDER_PIECES_MAX * 3);
  TriangleBuffer tb = {out.data(), RENDER_PIECES_MAX};
  // (1, 3, 2) is culled; (4, 5, 6) lies wholly beyond z = 1; points 0 and 1
  // each belong to one culled and one drawn triangle.
  int32_t tris[] = {1, 3, 2, 4, 6, 5, 0, 2, 1};
  int32_t n = 0;
  EXPECT_EQ(BuildTriangleBuffer(&vb, uv.data(), tris, 3, 0, &tb, &n, 0), 3);
  EXPECT_EQ(n, 1);
  for (int i = 0; i < 7; i++) {
    EXPECT_FLOAT_EQ(r[i].u, uv[2 * i]) << i;
    EXPECT_FLOAT_EQ(r[i].v, uv[2 * i + 1]) << i;
  }
  EXPECT_TRUE(sameTriangle(&out[0], r[0], r[1], r[2]));

  // Neither coordinates nor the flag: u and v stay as they were.
  r[0].u = r[1].u = r[2].u = 5.0f;
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, &tris[6], 1, 0, &tb, &n, 0), 1);
  EXPECT_EQ(r[0].u, 5.0f);
  EXPECT_EQ(out[0].u, 5.0f);
}

// Equal screen positions keep the clip passes from reordering, so the
// record order is the depth order: falling z.
TEST(RenderTriangle, RecordsComeOutByFallingDepth)
{
  renderSetUp();
  std::vector<ScreenVertex> r = {sv(5, 5, 0.2f, 0.1f), sv(5, 5, 0.7f, 0.2f), sv(5, 5, 0.4f, 0.3f)};
  auto out = runTriangles(r, {0, 1, 2});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_FLOAT_EQ(out[0].z, 0.7f);
  EXPECT_FLOAT_EQ(out[1].z, 0.4f);
  EXPECT_FLOAT_EQ(out[2].z, 0.2f);
  EXPECT_FLOAT_EQ(out[0].u, 0.2f);
}

TEST(RenderTriangle, DepthCutCasesAndCutPoints)
{
  renderSetUp();
  PS2DrawSetClip(-30000, -30000, 30000, 30000);  // keep the screen edges out of it
  // Only F beyond: (M, N, Q_N) and (Q_N, M, Q_M); Q_N.x = 100 + trunc(-66.67).
  {
    ScreenVertex f = sv(100, 10, 3.0f, 1, 0), m = sv(0, 0, 0.5f, 0, 0), n = sv(0, 100, 0.0f, 0, 1);
    auto out = runTriangles({n, f, m}, {0, 1, 2});
    ASSERT_EQ(out.size(), 6u);
    ScreenVertex qn = sv(34, 70, 1.0f, 1.0f / 3, 2.0f / 3), qm = sv(20, 2, 1.0f, 0.2f, 0);
    EXPECT_TRUE(sameTriangle(&out[0], m, n, qn));
    EXPECT_TRUE(sameTriangle(&out[3], qn, m, qm));
    EXPECT_EQ(RenderStatsGet()->trianglesCut, 1);
  }
  // F and M beyond: (N, Q'_F, Q'_M); Q'_M.x = 101 + trunc(-50.5).
  {
    ScreenVertex f = sv(0, 0, 3.0f, 0, 0), m = sv(101, 0, 2.0f, 1, 0), n = sv(0, 100, 0.0f, 0, 1);
    auto out = runTriangles({m, n, f}, {0, 1, 2});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_TRUE(sameTriangle(&out[0], n, sv(0, 66, 1.0f, 0, 2.0f / 3), sv(51, 50, 1.0f, 0.5f, 0.5f)));
  }
  // M exactly at 1 counts as in front: still two triangles, Q_M on M.
  {
    ScreenVertex f = sv(100, 10, 3.0f), m = sv(0, 0, 1.0f), n = sv(0, 100, 0.0f);
    EXPECT_EQ(runTriangles({f, m, n}, {0, 1, 2}).size(), 6u);
  }
  // All in front: the same records. All beyond, or the largest exactly 1: nothing.
  ScreenVertex a = sv(0, 0, 0.9f), b = sv(100, 0, 0.1f), c = sv(0, 100, 0.99f);
  auto out = runTriangles({a, b, c}, {0, 1, 2});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(sameTriangle(&out[0], a, b, c));
  EXPECT_EQ(runTriangles({sv(0, 0, 1.5f), sv(100, 0, 2), sv(0, 100, 9)}, {0, 1, 2}).size(), 0u);
  EXPECT_EQ(runTriangles({sv(0, 0, 1.0f), sv(100, 0, 0.5f), sv(0, 100, 0)}, {0, 1, 2}).size(), 0u);
  EXPECT_EQ(RenderStatsGet()->trianglesNear, 2);
}
