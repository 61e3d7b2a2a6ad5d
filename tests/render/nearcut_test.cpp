// Triangles reaching behind the camera, drawn through the whole chain (vertex
// stage, triangle stage, the GS model) and compared pixel by pixel with an
// independent reference that cuts the triangle in view space, in doubles,
// projects what is left and fills it.
#include "rendertest.h"

#include <random>

#include "ps2draw.h"
#include "ps2screen.h"
#include "testkit.h"

namespace {

struct P3 {
  double x, y, z;
};
struct P2 {
  double x, y;
};

// The scene's projection for a 640 x 480 frame at zoom 3.2 on a PAL surface:
// screen x = 256 + 2.4 * 256 * x / (z + 1), y = 128 + 3.2 * 128 * y / (z + 1).
const double kSx = 2.4 * 256, kSy = 3.2 * 128;

void sceneProjection(void)
{
  MatrixMode(MATRIX_PROJECTION);
  MatrixLoadIdentity();
  MatrixFrustum(-4.0f / 3 / 3.2f, 4.0f / 3 / 3.2f, -1 / 3.2f, 1 / 3.2f, 1.0f, 1e14f);
  MatrixScale(256, 128, 1);
  MatrixMode(MATRIX_MODELVIEW);
  MatrixLoadIdentity();
}

// The reference: the part of the triangle with z + 1 <= -1/16 (in front of
// the near plane), projected; empty when none is, or when it runs
// anticlockwise on the screen (its back faces the camera).
std::vector<P2> referencePolygon(const P3 *t)
{
  std::vector<P3> kept;
  const double limit = -1.0 - RENDER_NEAR_W;
  for (int i = 0; i < 3; i++) {
    const P3 &a = t[i], &b = t[(i + 1) % 3];
    bool aIn = a.z <= limit, bIn = b.z <= limit;
    if (aIn)
      kept.push_back(a);
    if (aIn != bIn) {
      double s = (limit - a.z) / (b.z - a.z);
      kept.push_back({a.x + s * (b.x - a.x), a.y + s * (b.y - a.y), limit});
    }
  }
  std::vector<P2> poly;
  for (const P3 &p : kept)
    poly.push_back({256 + kSx * p.x / (p.z + 1), 128 + kSy * p.y / (p.z + 1)});
  double area = 0;
  for (size_t i = 0; i < poly.size(); i++)
    area += poly[i].x * poly[(i + 1) % poly.size()].y - poly[(i + 1) % poly.size()].x * poly[i].y;
  if (area < 0)
    poly.clear();
  return poly;
}

bool insideConvex(const std::vector<P2> &poly, double x, double y)
{
  if (poly.size() < 3)
    return false;
  for (size_t i = 0; i < poly.size(); i++) {
    const P2 &a = poly[i], &b = poly[(i + 1) % poly.size()];
    if ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) < 0)
      return false;
  }
  return true;
}

double distanceToOutline(const std::vector<P2> &poly, double x, double y)
{
  double best = 1e300;
  for (size_t i = 0; i < poly.size(); i++) {
    const P2 &a = poly[i], &b = poly[(i + 1) % poly.size()];
    double dx = b.x - a.x, dy = b.y - a.y, len = dx * dx + dy * dy;
    double s = len > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len : 0;
    s = s < 0 ? 0 : s > 1 ? 1 : s;
    best = std::min(best, std::hypot(x - a.x - s * dx, y - a.y - s * dy));
  }
  return best;
}

uint32_t drawnAt(int x, int y)
{
  const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
  int32_t target = ram->swapFlag ? ram->frameBufferB : ram->frameBufferA;
  return MachineReadGsPixel((uint32_t)target, 512, x, y) & 0xFFFFFF;
}

// How far from the reference's outline a pixel may differ: screen positions
// are truncated toward zero (up to a pixel in x and in y, 1.42 across) and
// the GS samples a pixel at its corner where the reference takes its centre
// (0.71 across).
const double kEdge = 2.2;

// Draws the triangle with the show's stages and counts the pixels where the
// picture and the reference disagree away from the reference's outline.
struct Outcome {
  int reference, drawn, wrong;
};

Outcome drawAndCompare(const P3 *t)
{
  std::vector<float> points;
  for (int i = 0; i < 3; i++)
    points.insert(points.end(), {(float)t[i].x, (float)t[i].y, (float)t[i].z});
  std::vector<ScreenVertex> store(3), out(RENDER_PIECES_MAX * 3);
  VertexBuffer vb = {store.data(), 3, 0};
  TriangleBuffer tb = {out.data(), RENDER_PIECES_MAX};
  BuildVertexBuffer(points.data(), nullptr, &vb, 3);
  int32_t tri[3] = {0, 1, 2}, n = 0;
  BuildTriangleBuffer(&vb, nullptr, tri, 1, 0, &tb, &n, 0);
  PS2DrawSetColor(0, 0, 0);
  PS2DrawClear();
  PS2DrawTriangleBuffer(out.data(), n, 255, 255, 255);

  std::vector<P2> poly = referencePolygon(t);
  Outcome o = {0, 0, 0};
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 512; x++) {
      bool want = insideConvex(poly, x + 0.5, y + 0.5), got = drawnAt(x, y) != 0;
      o.reference += want;
      o.drawn += got;
      if (want != got && (poly.empty() || distanceToOutline(poly, x + 0.5, y + 0.5) > kEdge))
        o.wrong++;
    }
  return o;
}

}  // namespace

// Random triangles with one or two corners behind the camera, both windings:
// the covered pixels agree with the reference except along the edges, so the
// part in front is drawn whole and nothing behind the camera is drawn,
// mirrored or otherwise; the winding that shows its back draws nothing.
TEST(RenderNearCut, TrianglesReachingBehindMatchAReferenceCutInViewSpace)
{
  MachineForTest(".");
  PS2ScreenInit();
  renderSetUp(512, 256);
  sceneProjection();
  std::mt19937 rng(12);
  std::uniform_real_distribution<double> lateral(-12, 12), ahead(-40, -1.2), behind(-0.9, 15);
  int tried = 0, covered = 0;
  for (int round = 0; round < 120; round++) {
    P3 t[3];
    int behindCount = 1 + round % 2;
    for (int i = 0; i < 3; i++)
      t[i] = {lateral(rng), lateral(rng) * 0.5, i < behindCount ? behind(rng) : ahead(rng)};
    for (int winding = 0; winding < 2; winding++) {
      if (winding)
        std::swap(t[1], t[2]);
      Outcome o = drawAndCompare(t);
      SCOPED_TRACE(::testing::Message() << "round " << round << " winding " << winding);
      EXPECT_EQ(o.wrong, 0) << o.reference << " pixels wanted, " << o.drawn << " drawn";
      tried++;
      covered += o.reference > 200;
    }
    if (HasFailure())
      return;
  }
  EXPECT_GT(covered, tried / 4);  // most triangles really show on the screen
}
