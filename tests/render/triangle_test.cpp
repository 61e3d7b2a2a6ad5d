// The triangle stage: facing, texture coordinates, depth order and the cut
// at the near plane with its cut points.
#include "rendertest.h"

TEST(RenderTriangle, FacingDropsOneWindingAndKeepsDegenerate)
{
  renderSetUp();
  // At equal z, D = -z * (twice the signed area in x right, y down): this
  // winding (clockwise on the screen, as LightWave shows a polygon's visible
  // side) is kept, the other dropped.
  std::vector<ScreenVertex> r = {sv(0, 0, 0.5f), sv(100, 0, 0.5f), sv(0, 100, 0.5f),
                                 sv(10, 10, 0.5f), sv(20, 20, 0.5f), sv(40, 40, 0.5f)};
  EXPECT_EQ(runTriangles(r, {0, 1, 2}, false).size(), 3u);
  EXPECT_EQ(runTriangles(r, {0, 2, 1}, false).size(), 0u);
  EXPECT_EQ(RenderGetStats()->trianglesCulled, 1);
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
  // (1, 2, 3) is culled; (4, 5, 6) lies wholly behind; points 0 and 1 each
  // belong to one culled and one drawn triangle.
  int32_t tris[] = {1, 2, 3, 4, 5, 6, 0, 1, 2};
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

// A record as the vertex stage leaves it under the scene's projection, from
// its undivided x, y and w (z + w = -1 there): divided only in front.
static ScreenVertex hv(float hx, float hy, float hw, float u = 0, float v = 0)
{
  ScreenVertex r = {};
  r.hx = hx, r.hy = hy, r.hz = -1.0f - hw, r.hw = hw;
  float d = hw <= -RENDER_NEAR_W ? hw : 1.0f;
  r.x = 256 + (int32_t)(hx / d);
  r.y = 112 + (int32_t)(hy / d);
  r.z = -r.hz / d;
  r.u = u, r.v = v;
  return r;
}

// Cut points lie on the near plane w = -1/16 (stored z = 1 - 16 = -15), at
// the fraction of the edge worked out by hand from the corners' w, and only
// they are divided; the corner behind never reaches the list.
TEST(RenderTriangle, NearCutCasesAndCutPoints)
{
  renderSetUp(512, 224);
  PS2DrawSetClip(-30000, -30000, 30000, 30000);  // keep the screen edges out of it
  ScreenVertex back = hv(10, 0, 1, 1, 0);      // behind: w = 1
  ScreenVertex near = hv(0, -50, -1, 0, 0);    // in front: (256, 162)
  ScreenVertex far = hv(-100, 20, -2, 0, 1);   // in front: (306, 102)
  // By falling w: F = back, M = near, N = far. Only F behind: (M, N, Q_N)
  // and (Q_N, M, Q_M). F to N: s = (31/16) / 3, hx = -28.958, hy = 7.083,
  // divided by -1/16: (256 + 463, 112 - 113). F to M: s = (15/16) / 2,
  // hx = 4.6875, hy = -26.5625: (256 - 75, 112 + 425).
  ScreenVertex qFar = sv(719, -1, -15.0f, 31.0f / 48, 1 - 31.0f / 48);
  ScreenVertex qNear = sv(181, 537, -15.0f, 15.0f / 32, 0);
  {
    auto out = runTriangles({near, back, far}, {0, 1, 2});
    ASSERT_EQ(out.size(), 6u);
    EXPECT_TRUE(sameTriangle(&out[0], near, far, qFar));
    EXPECT_TRUE(sameTriangle(&out[3], qFar, near, qNear));
    EXPECT_EQ(RenderGetStats()->trianglesCut, 1);
  }
  // Only N in front: (N, Q_F, Q_M). F behind at w = 3: F to N, s = (15/16) / 4,
  // hx = -23.4375, hy = -33.59375: (256 + 375, 112 + 537).
  {
    ScreenVertex farBack = hv(-100, 20, 3, 0, 1);
    auto out = runTriangles({farBack, near, back}, {0, 1, 2});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_TRUE(sameTriangle(&out[0], near, sv(631, 649, -15.0f, 0, 15.0f / 64), qNear));
  }
  // A corner exactly on the plane counts as in front and is not moved.
  {
    ScreenVertex on = hv(1, 2, -RENDER_NEAR_W);
    auto out = runTriangles({on, near, far}, {0, 1, 2});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_TRUE(sameTriangle(&out[0], on, near, far));
  }
  // All in front: the same records by falling z. All behind: nothing.
  ScreenVertex a = sv(0, 0, 0.9f), b = sv(100, 0, 0.1f), c = sv(0, 100, 0.99f);
  auto out = runTriangles({a, b, c}, {0, 1, 2});
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(sameTriangle(&out[0], a, b, c));
  EXPECT_EQ(runTriangles({sv(0, 0, 1.5f), sv(100, 0, 2), sv(0, 100, 9)}, {0, 1, 2}).size(), 0u);
  EXPECT_EQ(runTriangles({hv(1, 2, -0.05f), hv(50, 0, 0), hv(0, 80, 2)}, {0, 1, 2}).size(), 0u);
  EXPECT_EQ(RenderGetStats()->trianglesNear, 2);
}

// A triangle reaching behind the camera is kept or culled by the side it
// shows the camera, not by the mirrored screen positions of its corners
// behind: of the two windings exactly the one facing the camera stays.
TEST(RenderTriangle, FacingOfATriangleReachingBehind)
{
  renderSetUp(512, 224);
  // A floor under the camera: y = -2 in view space, from 1 behind to 20 in
  // front; the identity model-view and the scene's projection.
  MatrixMode(MATRIX_PROJECTION);
  MatrixFrustum(-1, 1, -1, 1, 1, 1e14f);
  MatrixScale(256, 112, 1);
  std::vector<float> points = {-5, -2, 1, 5, -2, 1, 0, -2, -20};
  std::vector<ScreenVertex> store(3);
  VertexBuffer vb = {store.data(), 3, 0};
  ASSERT_EQ(BuildVertexBuffer(points.data(), nullptr, &vb, 3), 3);
  std::vector<ScreenVertex> out(RENDER_PIECES_MAX * 3);
  TriangleBuffer tb = {out.data(), RENDER_PIECES_MAX};
  // View-space x grows to the left of the picture (in front, w is negative):
  // corner 0 lies to the right, corner 1 to the left, corner 2 ahead, so
  // (0, 1, 2) runs clockwise on the screen and shows the floor's top.
  int32_t up[3] = {0, 1, 2}, down[3] = {0, 2, 1}, n = 0;
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, up, 1, 0, &tb, &n, 0), 1);
  EXPECT_GT(n, 0);
  for (int32_t i = 0; i < 3 * n; i++)
    EXPECT_GT(out[i].y, 112) << "the floor stays below the horizon";
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, down, 1, 0, &tb, &n, 0), 1);
  EXPECT_EQ(n, 0);
  // Moved 30 ahead, wholly in front, the screen test keeps the same winding.
  for (int i = 0; i < 3; i++)
    points[3 * i + 2] -= 30;
  ASSERT_EQ(BuildVertexBuffer(points.data(), nullptr, &vb, 3), 3);
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, up, 1, 0, &tb, &n, 0), 1);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, down, 1, 0, &tb, &n, 0), 1);
  EXPECT_EQ(n, 0);
}
