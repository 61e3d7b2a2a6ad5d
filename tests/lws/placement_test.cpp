// Hand-made scenes played to the picture: the marker's blue centre, red +X
// side and green +Y side must appear where LightWave shows them, through
// rotations, a pivot, parents, a chain under nulls and a turned camera.
#include "handscenes.h"

#include "lwsscene.h"
#include "matrix.h"
#include "ps2draw.h"
#include "ps2screen.h"
#include "render.h"
#include "window.h"

namespace {

// Camera space (LightWave's axes: X right, Y up, Z ahead) to the picture: the
// scene's projection on the PAL surface for a 640 x 480 frame at zoom 3.2,
// with the show's centre of projection one world unit (a tenth of a metre at
// world scale 10) ahead of the camera: x = 256 + 2.4 * 256 * X / (Z - 1),
// y = 128 - 3.2 * 128 * Y / (Z - 1), X, Y, Z in world units.
struct Spot {
  double x, y;
};

Spot project(V3 c)
{
  double X = 10 * c.x, Y = 10 * c.y, Z = 10 * c.z;
  return {256 + 614.4 * X / (Z - 1), 128 - 409.6 * Y / (Z - 1)};
}

Spot areaCentroid(const Spot *p)
{
  double a = 0, cx = 0, cy = 0;
  for (int i = 0; i < 4; i++) {
    const Spot &s = p[i], &t = p[(i + 1) % 4];
    double cross = s.x * t.y - t.x * s.y;
    a += cross;
    cx += (s.x + t.x) * cross;
    cy += (s.y + t.y) * cross;
  }
  return {cx / (3 * a), cy / (3 * a)};
}

// The inverse of HandRotate: heading, then pitch, then bank undone.
V3 unrotate(const double *hpb, V3 p)
{
  double h = -hpb[0] * M_PI / 180, a = -hpb[1] * M_PI / 180, b = -hpb[2] * M_PI / 180;
  V3 q = {p.x * cos(h) + p.z * sin(h), p.y, -p.x * sin(h) + p.z * cos(h)};
  V3 r = {q.x, q.y * cos(a) - q.z * sin(a), q.y * sin(a) + q.z * cos(a)};
  return {r.x * cos(b) - r.y * sin(b), r.x * sin(b) + r.y * cos(b), r.z};
}

class Placement : public LwsTest {
protected:
  // Plays the scene's first frame and returns the centroid and pixel count
  // of each marker colour: blue, red, green.
  void play(const std::vector<HandItem> &items, Spot centroid[3], int count[3])
  {
    Write("marker.lwo", MarkerObject());
    ASSERT_EQ(Load(HandScene(items).substr(9)), 0) << console;
    PS2ScreenInit();
    WindowGet()->width = 512;
    WindowGet()->height = 256;
    MatrixInit();
    PS2DrawSetColor(0, 0, 0);
    PS2DrawClear();
    PS2DrawSetClip(0, 0, 512, 256);
    scene->halfWidth = 256;
    scene->halfHeight = 128;
    ASSERT_EQ(LwsEnable(scene), 0);
    const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
    uint32_t target = (uint32_t)(ram->swapFlag ? ram->frameBufferB : ram->frameBufferA);
    const uint32_t colours[3] = {0xFF0000, 0x0000FF, 0x00FF00};  // as stored: B, R, G in bytes
    double sx[3] = {0, 0, 0}, sy[3] = {0, 0, 0};
    for (int k = 0; k < 3; k++)
      count[k] = 0;
    for (int y = 0; y < 256; y++)
      for (int x = 0; x < 512; x++) {
        uint32_t p = MachineReadGsPixel(target, 512, x, y) & 0xFFFFFF;
        for (int k = 0; k < 3; k++)
          if (p == colours[k]) {
            count[k]++;
            sx[k] += x + 0.5;
            sy[k] += y + 0.5;
          }
      }
    for (int k = 0; k < 3; k++)
      centroid[k] = {count[k] ? sx[k] / count[k] : -1, count[k] ? sy[k] / count[k] : -1};
  }

  // Plays the case and checks each square's centroid against where its
  // centre lands, worked out with LightWave's rules; returns the centroids.
  std::vector<Spot> check(const HandCase &c, const HandItem *camera = nullptr)
  {
    SCOPED_TRACE(c.name);
    Spot centroid[3];
    int count[3];
    play(c.items, centroid, count);
    size_t marker = 0;
    while (c.items[marker].add != Marker().add)
      marker++;
    const V3 centres[3] = {{0, 0, 0}, {1.5, 0, 0}, {0, 1.5, 0}};
    std::vector<Spot> seen;
    for (int k = 0; k < 3; k++) {
      // The square's outline in the picture, and the centroid of its area.
      const double corner[4][2] = {{-0.4, -0.4}, {-0.4, 0.4}, {0.4, 0.4}, {0.4, -0.4}};
      Spot outline[4];
      for (int i = 0; i < 4; i++) {
        V3 w = HandWorld(c.items, marker, {centres[k].x + corner[i][0], centres[k].y + corner[i][1], 0});
        if (camera)
          w = unrotate(camera->hpb, {w.x - camera->position[0], w.y - camera->position[1],
                                     w.z - camera->position[2]});
        outline[i] = project(w);
      }
      Spot want = areaCentroid(outline);
      EXPECT_GT(count[k], 200) << "square " << k;
      EXPECT_NEAR(centroid[k].x, want.x, 1.5) << "square " << k;
      EXPECT_NEAR(centroid[k].y, want.y, 1.5) << "square " << k;
      seen.push_back(centroid[k]);
    }
    return seen;
  }
};

}  // namespace

// At (0, 0, 8) before a camera at the origin with heading 0, the marker's +X
// side is on the right and its +Y side up: red at x = 256 + 614.4 * 15 / 79
// = 372.7, green at y = 128 - 409.6 * 15 / 79 = 50.2. Turned by 180 degrees
// of heading it shows its back, and red goes left, to 139.3.
TEST_F(Placement, UnrotatedAndTurnedHalfAround)
{
  std::vector<HandCase> cases = HandCases();
  std::vector<Spot> a = check(cases[0]);
  ASSERT_EQ(a.size(), 3u);
  EXPECT_NEAR(a[0].x, 256, 1);
  EXPECT_NEAR(a[1].x, 372.7, 1);
  EXPECT_NEAR(a[2].y, 50.2, 1);
  std::vector<Spot> b = check(cases[1]);
  ASSERT_EQ(b.size(), 3u);
  EXPECT_NEAR(b[1].x, 139.3, 1);
  EXPECT_NEAR(b[2].y, 50.2, 1);
}

// A null turned by heading, pitch and bank carries the marker one metre along
// its own X and half a metre along its Y; a two-level chain under a scaled
// null; a pivot off the origin: the pivot (the red square) stands at the
// item's position and the rest turns about it. Banked by 90 degrees, blue
// goes 1.5 m below it (y = 128 + 77.8) and green below left (x = 139.3).
TEST_F(Placement, ParentsChainsAndPivots)
{
  std::vector<HandCase> cases = HandCases();
  check(cases[2]);
  check(cases[3]);
  std::vector<Spot> p = check(cases[4]);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_NEAR(p[1].x, 256, 1);
  EXPECT_NEAR(p[1].y, 128, 1);
  EXPECT_NEAR(p[0].y, 205.8, 1);
  EXPECT_NEAR(p[2].x, 139.3, 1);
}

// A camera turned by heading, pitch and bank, looking at a marker nine
// metres ahead that is turned as the camera is: the marker is in the middle
// of the picture, its +X side straight to the right and its +Y side
// straight up.
TEST_F(Placement, TurnedCamera)
{
  HandCase c = HandCases()[5];
  std::vector<Spot> s = check(c, &c.items[1]);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_NEAR(s[0].x, 256, 1);
  EXPECT_NEAR(s[0].y, 128, 1);
  EXPECT_GT(s[1].x, 330);
  EXPECT_NEAR(s[1].y, 128, 1);
  EXPECT_NEAR(s[2].x, 256, 1);
  EXPECT_LT(s[2].y, 80);
}
