// The screen-edge passes: which side of each edge is inside, the cut points,
// triangles crossing several edges, and the clip rectangle itself.
#include "rendertest.h"

#include <random>

// The cut point on the edge from I (inside) to O (outside) at coordinate
// `axis` = K, in exact arithmetic: the other coordinate truncated toward zero.
static ScreenVertex cutRef(const ScreenVertex &in, const ScreenVertex &out, int axis, int k)
{
  double ic = axis ? in.y : in.x, oc = axis ? out.y : out.x;
  double t = (ic - k) / (ic - oc);
  double other = (axis ? in.x : in.y) + t * ((axis ? out.x : out.y) - (axis ? in.x : in.y));
  EXPECT_GT(std::fabs(other - std::round(other)), 0.01) << "choose a cut off the integers";
  ScreenVertex p = in;
  (axis ? p.y : p.x) = k;
  (axis ? p.x : p.y) = (int32_t)std::trunc(other);
  p.z = (float)(in.z + t * (out.z - in.z));
  p.u = (float)(in.u + t * (out.u - in.u));
  p.v = (float)(in.v + t * (out.v - in.v));
  return p;
}

// Mirrors a left-edge case onto the other edges of (-100, -100, 100, 100).
static ScreenVertex onEdge(int edge, int32_t x, int32_t y, float z, float u, float v)
{
  switch (edge) {
  case 0: return sv(x, y, z, u, v);    // left
  case 1: return sv(y, x, z, u, v);    // top
  case 2: return sv(-x, y, z, u, v);   // right
  default: return sv(y, -x, z, u, v);  // bottom
  }
}

TEST(RenderClip, EachEdgeCutsWithPointsOnTheBound)
{
  for (int edge = 0; edge < 4; edge++) {
    SCOPED_TRACE(edge);
    renderSetUp();
    PS2DrawSetClip(-100, -100, 100, 100);
    int axis = edge & 1, k = edge < 2 ? -100 : 100;
    // One vertex outside: two triangles (I1, I2, P(I1, O)), (P(I2, O), I2, P(I1, O)),
    // I1 the inside vertex farther from the edge; -8.67 truncates to -8.
    ScreenVertex o = onEdge(edge, -160, 13, 0.1f, 0, 0);
    ScreenVertex i1 = onEdge(edge, 20, -52, 0.5f, 1, 0), i2 = onEdge(edge, -40, 70, 0.9f, 0, 1);
    auto out = runTriangles({i2, o, i1}, {0, 1, 2});
    ASSERT_EQ(out.size(), 6u);
    ScreenVertex p1 = cutRef(i1, o, axis, k), p2 = cutRef(i2, o, axis, k);
    EXPECT_EQ(axis ? p1.x : p1.y, -8);
    EXPECT_TRUE(sameTriangle(&out[0], i1, i2, p1));
    EXPECT_TRUE(sameTriangle(&out[3], p2, i2, p1));
    // Two outside: (I, P(I, O1), P(I, O2)).
    ScreenVertex in = onEdge(edge, 50, 23, 0.3f, 1, 1);
    ScreenVertex o1 = onEdge(edge, -170, -41, 0.6f, 0, 0), o2 = onEdge(edge, -130, 84, 0.2f, 0.5f, 0);
    out = runTriangles({o2, in, o1}, {0, 1, 2});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_TRUE(sameTriangle(&out[0], in, cutRef(in, o1, axis, k), cutRef(in, o2, axis, k)));
    // Wholly outside: gone.
    EXPECT_EQ(runTriangles({o, o1, o2}, {0, 1, 2}).size(), 0u);
  }
}

TEST(RenderClip, LeftAndTopEdgesAreInsideRightAndBottomOutside)
{
  renderSetUp(512, 224);
  ScreenVertex a = sv(0, 0, 0.5f), b = sv(100, 50, 0.5f), c = sv(30, 200, 0.5f);
  auto out = runTriangles({a, b, c}, {0, 1, 2});
  ASSERT_EQ(out.size(), 3u);  // on the left and top edges: untouched
  EXPECT_TRUE(sameTriangle(&out[0], a, b, c));
  EXPECT_EQ(RenderGetStats()->trianglesClipped, 0);
  // A vertex on the right edge is outside: cut, the cut points on x = 512.
  ScreenVertex d = sv(512, 100, 0.5f, 1, 1), e = sv(400, 10, 0.5f), f = sv(420, 200, 0.5f);
  out = runTriangles({d, e, f}, {0, 1, 2});
  ASSERT_EQ(out.size(), 6u);
  int onEdge = 0;
  for (auto &v : out) {
    EXPECT_LE(v.x, 512);
    if (v.x == 512) {
      EXPECT_EQ(v.y, 100);
      EXPECT_FLOAT_EQ(v.u, 1.0f);
      onEdge++;
    }
  }
  EXPECT_EQ(onEdge, 3);  // P(I1, O) twice, P(I2, O) once
  // Likewise the bottom edge.
  out = runTriangles({sv(100, 224, 0.5f), sv(10, 100, 0.5f), sv(200, 150, 0.5f)}, {0, 1, 2});
  EXPECT_EQ(out.size(), 6u);
  // A vertex on the right edge and the top: single precision puts the cut
  // point from (-175, 271) at y = 86.99998, a pixel above the rectangle
  // once truncated; it stays on its edge instead.
  PS2DrawSetClip(-200, 87, 164, 400);
  out = runTriangles({sv(-175, 271, 0.5f), sv(164, 87, 0.5f), sv(-100, 300, 0.5f)}, {0, 1, 2});
  ASSERT_EQ(out.size(), 6u);
  for (auto &v : out)
    EXPECT_GE(v.y, 87);
}

// Checks containment and area of what one triangle becomes.
static void checkClipped(const std::vector<ScreenVertex> &in, const std::vector<ScreenVertex> &out,
                         int x1, int y1, int x2, int y2)
{
  double area = 0;
  for (size_t i = 0; i < out.size(); i++) {
    ASSERT_GE(out[i].x, x1); ASSERT_LE(out[i].x, x2);
    ASSERT_GE(out[i].y, y1); ASSERT_LE(out[i].y, y2);
    if (i % 3 == 0)
      area += triangleArea(&out[i]);
    // u and v were set linear in the position: the cut points keep them so,
    // within the two pixels that truncation may cost (a cut point of the left
    // pass truncates y, one of the right pass cut from it may again).
    EXPECT_NEAR(out[i].u, out[i].x / 1000.0, 0.0021);
    EXPECT_NEAR(out[i].v, out[i].y / 1000.0, 0.0021);
  }
  double want = clippedArea(in.data(), x1, y1, x2, y2);
  // Truncation moves a cut point by up to two pixels; the area changes by at
  // most that times the outline, which lies within the rectangle's.
  EXPECT_NEAR(area, want, 2.0 * ((x2 - x1) + (y2 - y1) + 1));
}

static ScreenVertex linearUV(int32_t x, int32_t y, float z)
{
  return sv(x, y, z, x / 1000.0f, y / 1000.0f);
}

TEST(RenderClip, CrossingTwoAndFourEdges)
{
  renderSetUp(512, 224);
  std::vector<ScreenVertex> two = {linearUV(-50, 50, 0.5f), linearUV(50, -50, 0.5f),
                                   linearUV(160, 160, 0.5f)};
  auto out = runTriangles(two, {0, 1, 2});
  EXPECT_GE(out.size(), 6u);
  checkClipped(two, out, 0, 0, 512, 224);
  std::vector<ScreenVertex> four = {linearUV(256, -300, 0.5f), linearUV(-300, 500, 0.5f),
                                    linearUV(800, 500, 0.5f)};
  out = runTriangles(four, {0, 1, 2});
  EXPECT_GE(out.size(), 9u);
  EXPECT_LE(out.size(), 3u * 16);
  checkClipped(four, out, 0, 0, 512, 224);
}

TEST(RenderClip, SetClipTakesSixteenBitsAndOrdersThePairs)
{
  renderSetUp(512, 224);
  PS2DrawSetClip(512, 224, 0, 0);
  auto out = runTriangles({sv(600, 100, 0.5f), sv(400, 10, 0.5f), sv(420, 200, 0.5f)}, {0, 1, 2});
  ASSERT_EQ(out.size(), 6u);
  for (auto &v : out)
    EXPECT_LE(v.x, 512);
  // 65536 + n is n in 16 bits; 40000 is negative and comes first.
  PS2DrawSetClip(65536 + 10, 65536 + 20, 40000, 40000 - 65536 + 100);
  out = runTriangles({sv(-40, -40, 0.5f), sv(40, -30, 0.5f), sv(-30, 40, 0.5f)}, {0, 1, 2});
  ASSERT_FALSE(out.empty());
  for (auto &v : out) {
    EXPECT_LE(v.x, 10);
    EXPECT_LE(v.y, 20);
  }
}

// Random triangles through the passes: every vertex inside, the area what the
// exact clip of the triangle gives.
TEST(RenderClip, RandomTrianglesStayInsideAndKeepTheirArea)
{
  renderSetUp(512, 224);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> px(-700, 1200), py(-500, 800), rect(-50, 300);
  for (int round = 0; round < 3000; round++) {
    int x1 = 0, y1 = 0, x2 = 512, y2 = 224;
    if (round % 3 == 2) {  // other rectangles too, some with negative corners
      x1 = rect(rng), y1 = rect(rng);
      x2 = x1 + rect(rng) + 60, y2 = y1 + rect(rng) + 60;
    }
    PS2DrawSetClip(x1, y1, x2, y2);
    std::vector<ScreenVertex> t = {linearUV(px(rng), py(rng), 0.5f), linearUV(px(rng), py(rng), 0.5f),
                                   linearUV(px(rng), py(rng), 0.5f)};
    auto out = runTriangles(t, {0, 1, 2});
    SCOPED_TRACE(round);
    checkClipped(t, out, x1, y1, x2, y2);
    if (HasFailure())
      return;
  }
}
