// Playback and object drawing on hand-made records: the rules that keep a
// damaged or unusual scene from drawing garbage or reading outside its data.
#include "gsregs.h"
#include "lws.h"
#include "machine.h"
#include "matrix.h"
#include "mem.h"
#include "ps2screen.h"
#include "tex.h"
#include "testkit.h"
#include "window.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// One triangle facing the camera, flat red, 10 units in front of it.
struct Triangle {
  float points[9] = {-1, -1, 0, 1, -1, 0, 0, 1, 0};
  int32_t indices[3] = {0, 2, 1};
  LwoSurface surface = {};
  LwoObject object = {};
  Triangle()
  {
    surface.color[0] = 255;
    surface.triCount = 1;
    surface.triIndices = indices;
    object.vertexCount = 3;
    object.points = points;
    object.surfaceCount = 1;
    object.surfaces = &surface;
    object.opacity = 100.0f;
    object.worldScale = 1.0f;
  }
};

// A constant envelope.
LwsEnvelope constant(float value, LwsKey *key)
{
  *key = LwsKey{};
  key->value = value;
  key->shape = LWS_SHAPE_LINEAR;
  LwsEnvelope envelope = {};
  envelope.keys = key;
  envelope.keyCount = 1;
  return envelope;
}

class Playback : public ::testing::Test {
protected:
  void SetUp() override
  {
    MemFreeAll();
    MemInit();
    MachineForTest(".");
    MatrixInit();
  }
};

TEST_F(Playback, LwoEnableRefusesMorphTargetsAndClampsOpacity)
{
  Triangle t;
  EXPECT_EQ(LwoEnable(nullptr, 0), LWO_ERR_NULL);
  t.object.isMorphTarget = 1;
  EXPECT_EQ(LwoEnable(&t.object, 0), LWO_ERR_MORPH_TARGET);
  EXPECT_FLOAT_EQ(t.object.opacity, 100.0f);  // untouched
  t.object.isMorphTarget = 0;
  EXPECT_EQ(LwoEnable(&t.object, 0), LWO_OK);
  EXPECT_FLOAT_EQ(t.object.opacity, 1.0f);
  t.object.opacity = -0.5f;
  EXPECT_EQ(LwoEnable(&t.object, 1), LWO_OK);  // another mode neither blends nor draws
  EXPECT_FLOAT_EQ(t.object.opacity, -0.5f);
  EXPECT_EQ(LwoEnable(&t.object, 0), LWO_OK);
  EXPECT_FLOAT_EQ(t.object.opacity, 0.0f);
  EXPECT_EQ(LwoApplyTransf(nullptr, 0), LWO_ERR_NULL);
}

// An item's point p goes to position + R * S * (p - pivot), R = heading *
// pitch * bank with bank applied first.
TEST_F(Playback, LwoApplyTransfPlacesAboutThePivotBankFirst)
{
  MatrixMode(MATRIX_MODELVIEW);
  MatrixLoadIdentity();
  // (1, 0, 1) less the pivot (1, 0, 0) is (0, 0, 1); scaled by 2, then a
  // heading of 90 degrees turns +Z to +X: (2, 0, 0), then moved by (0, 0, 5).
  LwoTransform a = {{0, 0, 5}, {0, 90, 0}, {2, 2, 2}, {1, 0, 0}};
  LwoApplyTransf(&a, 1.0f);
  Vector3 in = {1, 0, 1}, out;
  MatrixVectMult(&out, &in, MatrixGet(MATRIX_MODELVIEW));
  EXPECT_NEAR(out.x, 2, 1e-5);
  EXPECT_NEAR(out.y, 0, 1e-5);
  EXPECT_NEAR(out.z, 5, 1e-5);
  // Bank 90 turns +X to +Y, then pitch 90 turns +Y to +Z: (0, 0, 1). Pitch
  // first would leave +X alone and bank would give (0, 1, 0).
  MatrixLoadIdentity();
  LwoTransform b = {{0, 0, 0}, {90, 0, 90}, {1, 1, 1}, {0, 0, 0}};
  LwoApplyTransf(&b, 1.0f);
  in = {1, 0, 0};
  MatrixVectMult(&out, &in, MatrixGet(MATRIX_MODELVIEW));
  EXPECT_NEAR(out.x, 0, 1e-5);
  EXPECT_NEAR(out.y, 0, 1e-5);
  EXPECT_NEAR(out.z, 1, 1e-5);
}

// A 512 x 256 screen looking down -Z from the origin, no model-view.
static void viewOnScreen(void)
{
  PS2ScreenInit();
  WindowGet()->width = 512;
  WindowGet()->height = 256;
  MatrixMode(MATRIX_PROJECTION);
  MatrixFrustum(-1, 1, -1, 1, 1, 1e14f);
  MatrixScale(256, 128, 1);
  MatrixMode(MATRIX_MODELVIEW);
  MatrixLoadIdentity();
}

// The UV register values sent while `object` is drawn.
static std::vector<uint64_t> drawnUV(LwoObject *object)
{
  MachineRecord(1);
  LwoEnable(object, 0);
  std::vector<uint64_t> uv;
  for (const MachineGsWriteRec &w : MachineGetRecording()->gsWrites)
    if (w.address == 0x03)
      uv.push_back(w.value);
  MachineRecord(0);
  return uv;
}

// A reflective surface of an object with several surfaces is mapped from
// that object's own normals, whatever object was drawn before it.
TEST_F(Playback, ReflectiveSurfacesOfSeveralSurfaceObjectsUseTheirOwnNormals)
{
  viewOnScreen();
  alignas(16) static uint32_t texels[16 * 16];
  for (int i = 0; i < 256; i++)
    texels[i] = 0xFF000000u | (uint32_t)i;
  TexEntry sky = {};
  sky.width = sky.height = 16;
  sky.pixels = (uint8_t *)texels;
  // A square 5 in front: one triangle flat, one reflective (both windings).
  float points[12] = {-1, -1, -5, 1, -1, -5, 1, 1, -5, -1, 1, -5};
  float normals[12] = {0, 10, 60, 0, -20, 30, 0, 50, -40, 0, 0, 90};
  int32_t flatTris[6] = {0, 1, 2, 0, 2, 1}, shinyTris[6] = {0, 2, 3, 0, 3, 2};
  LwoSurface surfaces[2] = {};
  surfaces[0].triCount = 2, surfaces[0].triIndices = flatTris;
  surfaces[1].triCount = 2, surfaces[1].triIndices = shinyTris;
  surfaces[1].projection = LWO_PROJ_SPHERICAL, surfaces[1].reflection = 1;
  surfaces[1].texture = &sky;
  LwoObject two = {};
  two.vertexCount = 4, two.points = points, two.normals = normals;
  two.surfaceCount = 2, two.surfaces = surfaces;
  // Another object with a single reflective surface and other normals.
  float otherNormals[12] = {0, 100, 100, 0, 100, 100, 0, 100, 100, 0, 100, 100};
  LwoObject one = two;
  one.normals = otherNormals;
  one.surfaceCount = 1, one.surfaces = &surfaces[1];

  std::vector<uint64_t> first = drawnUV(&two);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_FALSE(first[0] == first[1] && first[1] == first[2]);  // the normals differ
  drawnUV(&one);
  EXPECT_EQ(drawnUV(&two), first);
}

// One batch as the GS received it: textured or not, the flat colour, and
// the UV register values of its corners, sorted.
struct DrawnBatch {
  bool textured;
  uint64_t rgbaq;
  std::vector<uint64_t> uv;
};

static std::vector<DrawnBatch> drawnBatches(LwoObject *object)
{
  MachineRecord(1);
  LwoEnable(object, 0);
  std::vector<DrawnBatch> batches;
  for (const MachineGsWriteRec &w : MachineGetRecording()->gsWrites) {
    if (w.address == GS_PRIM)
      batches.push_back({GsGet(w.value, GsPRIM.TME) != 0, 0, {}});
    else if (w.address == GS_RGBAQ && !batches.empty())
      batches.back().rgbaq = w.value;
    else if (w.address == GS_UV && !batches.empty())
      batches.back().uv.push_back(w.value);
  }
  MachineRecord(0);
  for (DrawnBatch &b : batches)
    std::sort(b.uv.begin(), b.uv.end());
  return batches;
}

// UV register values of texels (u, v), sorted: 4 fraction bits, V at bit 16.
static std::vector<uint64_t> texelWords(std::vector<std::pair<int, int>> texels)
{
  std::vector<uint64_t> words;
  for (const auto &t : texels)
    words.push_back((uint64_t)t.first * 16 | (uint64_t)t.second * 16 << 16);
  std::sort(words.begin(), words.end());
  return words;
}

// Each kind of surface draws from its own points and coordinates: a flat
// surface in its colour even with an image; a planar one the object's points
// with its own uv; a UV-mapped one its map's seam points with the map's
// coordinates (reflective or not); a reflective one coordinates from the
// normals. Every surface is one triangle in both windings, so one is drawn.
TEST_F(Playback, EachSurfaceKindDrawsItsOwnPointsAndCoordinates)
{
  viewOnScreen();
  alignas(16) static uint32_t texels[16 * 16];
  TexEntry image = {};
  image.width = image.height = 16;
  image.pixels = (uint8_t *)texels;
  // A square 5 in front; point 4 exists only as the UV map's seam copy.
  float points[12] = {-1, -1, -5, 1, -1, -5, 1, 1, -5, -1, 1, -5};
  float seamPoints[15] = {-1, -1, -5, 1, -1, -5, 1, 1, -5, -1, 1, -5, 1, 1, -5};
  // No model-view: a corner's environment coordinates are 0.5 + n.z / 240
  // and 0.5 + n.y / 240, here texels (12, 6), (4, 10), (8, 8), (10, 12).
  float normals[12] = {0, -30, 60, 0, 30, -60, 0, 0, 0, 0, 60, 30};
  // Planar coordinates: texels (4, 8), (8, 4), (12, 2), (2, 14).
  float planar[8] = {0.25f, 0.5f, 0.5f, 0.25f, 0.75f, 0.125f, 0.125f, 0.875f};
  // The map's: texels (1, 1), (3, 3), (5, 5), (7, 7), (9, 11).
  float flatUV[10] = {0.0625f, 0.0625f, 0.1875f, 0.1875f, 0.3125f, 0.3125f,
                      0.4375f, 0.4375f, 0.5625f, 0.6875f};
  LwoUVMap map = {};
  map.baseCount = 4;
  map.totalCount = map.flatCount = 5;
  map.seamPoints = seamPoints;
  map.flatUV = flatUV;
  int32_t tris[5][6] = {{0, 1, 2, 0, 2, 1}, {0, 1, 2, 0, 2, 1}, {0, 3, 4, 0, 4, 3},
                        {1, 2, 3, 1, 3, 2}, {1, 3, 4, 1, 4, 3}};
  LwoSurface surfaces[5] = {};
  for (int k = 0; k < 5; k++) {
    surfaces[k].triCount = 2;
    surfaces[k].triIndices = tris[k];
    surfaces[k].texture = &image;
    surfaces[k].uv = planar;
    surfaces[k].uvCount = 4;
  }
  surfaces[0].color[0] = 10, surfaces[0].color[1] = 20, surfaces[0].color[2] = 30;
  surfaces[1].projection = LWO_PROJ_PLANAR;
  surfaces[2].projection = LWO_PROJ_UV, surfaces[2].uvMap = &map;
  surfaces[3].projection = LWO_PROJ_SPHERICAL, surfaces[3].reflection = 1;
  surfaces[4].projection = LWO_PROJ_UV, surfaces[4].uvMap = &map, surfaces[4].reflection = 1;
  LwoObject object = {};
  object.vertexCount = 4, object.points = points, object.normals = normals;
  object.surfaceCount = 5, object.surfaces = surfaces;

  std::vector<DrawnBatch> drawn = drawnBatches(&object);
  ASSERT_EQ(drawn.size(), 5u);
  EXPECT_FALSE(drawn[0].textured);
  EXPECT_EQ(GsGet(drawn[0].rgbaq, GsRGBAQ.R), 10u);
  EXPECT_EQ(GsGet(drawn[0].rgbaq, GsRGBAQ.G), 20u);
  EXPECT_EQ(GsGet(drawn[0].rgbaq, GsRGBAQ.B), 30u);
  for (int k = 1; k < 5; k++)
    EXPECT_TRUE(drawn[k].textured) << "surface " << k;
  EXPECT_EQ(drawn[1].uv, texelWords({{4, 8}, {8, 4}, {12, 2}}));
  EXPECT_EQ(drawn[2].uv, texelWords({{1, 1}, {7, 7}, {9, 11}}));
  EXPECT_EQ(drawn[3].uv, texelWords({{4, 10}, {8, 8}, {10, 12}}));
  EXPECT_EQ(drawn[4].uv, texelWords({{3, 3}, {7, 7}, {9, 11}}));
}

// Items as the parser leaves them, with the faults playback must survive:
// an item without channels, a parent that does not exist, a morph target
// that does not exist, a parent loop, and no camera at all.
TEST_F(Playback, UntrustedScenesPlayWithoutReadingOutside)
{
  Triangle a, b;
  LwoObject nullA = {}, nullB = {};
  nullA.isNull = nullB.isNull = 1;
  LwsKey keys[9];
  LwsEnvelope channels[9];
  const float motion[9] = {0, 0, 10, 0, 0, 0, 1, 1, 1};
  for (int k = 0; k < 9; k++)
    channels[k] = constant(motion[k], &keys[k]);

  LwsBlock items[4] = {};
  items[0].object = &a.object;  // no channels at all, parent 99, morph target 42
  items[0].parentIndex = 99;
  items[0].morphTarget = 42;
  items[1].object = &b.object;  // parent chain 3 -> 4 -> 3 ...
  items[1].channels = channels;
  items[1].channelCount = 9;
  items[1].parentIndex = 3;
  items[2].object = &nullA;
  items[2].parentIndex = 4;
  items[3].object = &nullB;
  items[3].parentIndex = 3;
  for (int i = 0; i < 3; i++)
    items[i].next = &items[i + 1];

  LwsScene scene = {};
  scene.objectList = &items[0];
  scene.itemCount = 4;
  scene.objectCount = 4;
  for (int i = 0; i < 4; i++) {
    scene.items[i] = &items[i];
    scene.objects[i] = items[i].object;
  }
  scene.lastFrame = 60;
  scene.framesPerSecond = 30;
  scene.worldScale = 1;
  scene.zoomFactor = 3.2f;
  scene.frameWidth = 640;
  scene.frameHeight = 480;
  scene.halfWidth = 256;
  scene.halfHeight = 128;
  scene.playPosition = 0.5f;

  EXPECT_EQ(LwsEnable(nullptr), LWS_ERR_NULL);
  EXPECT_EQ(LwsEnable(&scene), LWS_OK);
  EXPECT_FLOAT_EQ(LwsGetTime(), 1.0f);
  // Missing channels read as 0, missing scale channels as 1.
  EXPECT_FLOAT_EQ(a.object.transform.scale[0], 1.0f);
  EXPECT_FLOAT_EQ(a.object.transform.rotation[1], 0.0f);
  EXPECT_FLOAT_EQ(b.object.transform.position[2], 10.0f);
  EXPECT_FLOAT_EQ(b.object.transform.scale[1], 1.0f);
  EXPECT_EQ(a.object.ownTransform, 0);
  EXPECT_TRUE(std::isfinite(MatrixGet(MATRIX_MODELVIEW)->m[0]));
}

}  // namespace
