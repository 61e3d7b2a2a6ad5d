// Preparation for drawing: normals, morphs, planar and UV-map coordinates
// with seam copies.
#include "lwo_builder.h"

#include <cmath>

static std::string Smooth(const std::string &name)
{
  return Surf(name, {Sub("SMAN", Bytes().f4(1.0f))});
}

TEST_F(LwoTest, NormalsAreWorldScaleLongAndAveragedOverSharedPoints)
{
  // File z is negated on load, so the triangle is given with z = 0 and its
  // face normal in stored coordinates is (0, 0, 1).
  std::string tri = Form({Tags({"A"}), Pnts({0, 0, 0, 1, 0, 0, 0, 1, 0}), Pols({{0, 1, 2}}), Smooth("A")});
  ASSERT_EQ(Load(tri, 1.0f), LWO_OK);
  EXPECT_EQ(Entry(object->normals, 0), (std::vector<float>{0, 0, 1}));
  ASSERT_EQ(Load(tri, 0.1f), LWO_OK);
  EXPECT_NEAR(Entry(object->normals, 2)[2], 0.1f, 1e-7);
  ASSERT_NE(object->baseNormals, nullptr);
  EXPECT_EQ(object->baseNormals[2], object->normals[2]);

  // Point 0 is shared by a triangle facing +x and one facing +y (stored
  // coordinates), and one degenerate triangle (0, 0, 0) that adds a zero
  // normal three times: (2, 0, 0) + (0, 2, 0) over five.
  std::string shared = Form({Tags({"A"}),
                             Pnts({0, 0, 0, 0, 1, 0, 0, 0, -1, 1, 0, 0}),
                             Pols({{0, 1, 2}, {0, 2, 3}, {0, 0, 0}}), Smooth("A")});
  ASSERT_EQ(Load(shared, 2.0f), LWO_OK);
  std::vector<float> n0 = Entry(object->normals, 0);
  EXPECT_NEAR(n0[0], 0.4f, 1e-6);
  EXPECT_NEAR(n0[1], 0.4f, 1e-6);
  EXPECT_NEAR(n0[2], 0.0f, 1e-6);
  EXPECT_NEAR(Entry(object->normals, 1)[0], 2.0f, 1e-6);

  // No surface asks for smoothing or reflection: no normals kept.
  ASSERT_EQ(Load(Form({Tags({"A"}), Pnts({0, 0, 0, 1, 0, 0, 0, 1, 0}), Pols({{0, 1, 2}})})), LWO_OK);
  EXPECT_EQ(object->needNormals, 0);
  EXPECT_EQ(object->baseNormals, nullptr);
  EXPECT_EQ(Entry(object->normals, 0), (std::vector<float>{0, 0, 0}));
}

TEST_F(LwoTest, EndomorphsBlendByNameAndWeight)
{
  std::string file = Form({Tags({"A"}), Pnts({0, 0, 0, 1, 0, 0, 0, 1, 0}), Pols({{0, 1, 2}}),
                           Vmap("MORF", "Smile", {{1, {1, 0, 0}}}),
                           Vmap("MORF", "Head.Frown", {{1, {0, 2, 0}}}),
                           Vmap("MORF", "Head.Blink", {{2, {0, 0, 4}}})});
  ASSERT_EQ(Load(file), LWO_OK);
  LwoSetEndoMorphAmount(object, "Head.Smile", 1.0f);  // the map has no prefix
  LwoSetEndoMorphAmount(object, "Head.Frown", 0.5f);  // exact
  LwoSetEndoMorphAmount(object, "Blink", 1.0f);       // no prefix does not match a prefixed map
  LwoSetEndoMorphAmount(object, "Nobody", 1.0f);
  EXPECT_EQ(object->endomorphs[0].weight, 1.0f);
  EXPECT_EQ(object->endomorphs[1].weight, 0.5f);
  EXPECT_EQ(object->endomorphs[2].weight, 0.0f);
  lwoEndoMorphPrepare(object);
  EXPECT_EQ(object->points[3], 2.0f);
  EXPECT_EQ(object->points[4], 1.0f);
  EXPECT_EQ(object->points[8], 0.0f);
  // The blend starts from the loaded shape every time.
  lwoEndoMorphPrepare(object);
  EXPECT_EQ(object->points[3], 2.0f);
}

TEST_F(LwoTest, MorphTargetsBlendOnlyWhatBothHave)
{
  ASSERT_EQ(Load(Form({Tags({"A"}), Pnts({0, 0, 0, 2, 0, 0, 0, 2, 0, 4, 4, 0}), Pols({{0, 1, 2}}),
                       Smooth("A")})),
            LWO_OK);
  LwoObject *target = static_cast<LwoObject *>(MemAlloc(sizeof(LwoObject)));
  ASSERT_EQ(LwoLoadMemory(target, "t.lwo", nullptr, 0, 1.0f), LWO_ERR_FAILED);
  std::string small = Form({Pnts({10, 0, 0, 12, 0, 0, 10, 2, 0}), Pols({{0, 1, 2}})});
  memset(target, 0, sizeof *target);
  ASSERT_EQ(LwoLoadMemory(target, "t.lwo", small.data(), (int32_t)small.size(), 1.0f), LWO_OK);
  EXPECT_EQ(LwoMorphInit(object, nullptr, 0.5f), LWO_ERR_NULL);
  ASSERT_EQ(LwoMorphInit(object, target, 0.5f), LWO_OK);
  EXPECT_EQ(object->points[0], 5.0f);
  EXPECT_EQ(object->points[9], 4.0f);  // the target has no fourth point
  EXPECT_EQ(object->normals[2], object->baseNormals[2]);  // the target keeps no normals
  ASSERT_EQ(LwoMorphInit(object, target, 1.0f), LWO_OK);
  EXPECT_EQ(object->points[3], 12.0f);
  ASSERT_EQ(LwoMorphInit(object, target, 0.0f), LWO_OK);
  EXPECT_EQ(object->points[3], 2.0f);
  EXPECT_EQ(LwoSetDissolve(object, 0.25f), LWO_OK);
  EXPECT_EQ(object->opacity, 0.25f);
}

TEST_F(LwoTest, PlanarCoordinatesOnEachAxisAndBadBoxes)
{
  // Stored points (1, -1, 5), (0, 0.5, -1), (10, 0, 0): file z is the negation.
  std::string points = Pnts({1, -1, -5, 0, 0.5f, 1, 10, 0, 0});
  Block z, x, y, box, zero, bad, cyl;
  z.axis = 2;
  z.size[0] = z.size[1] = z.size[2] = 2;
  x = z;
  x.axis = 0;
  box.axis = 2;
  box.size[0] = box.size[1] = box.size[2] = 4;
  box.centre[0] = 10;
  zero = z;
  zero.size[1] = 0;
  bad = z;
  bad.axis = 7;
  cyl = z;
  cyl.projection = 1;
  y = z;  // u from x, v from the file's z, about a centre off the origin
  y.axis = 1;
  y.centre[2] = 1;
  ASSERT_EQ(Load(Form({Tags({"Z", "X", "Box", "Zero", "Bad", "Cyl", "Y"}), points,
                       Pols({{0, 1, 2}}), Clip(1, "wood.tga"),
                       Surf("Z", {Blok(z)}), Surf("X", {Blok(x)}), Surf("Box", {Blok(box)}),
                       Surf("Zero", {Blok(zero)}), Surf("Bad", {Blok(bad)}), Surf("Cyl", {Blok(cyl)}),
                       Surf("Y", {Blok(y)})})),
            LWO_OK);
  const LwoSurface *s = object->surfaces;
  EXPECT_EQ(Entry(s[0].uv, 0, 2), (std::vector<float>{1, 0}));
  EXPECT_EQ(Entry(s[1].uv, 1, 2), (std::vector<float>{1, 0.75f}));
  EXPECT_EQ(Entry(s[2].uv, 2, 2), (std::vector<float>{0.5f, 0.5f}));
  // A size of 0 gives coordinate 0, never an infinity or a NaN.
  EXPECT_EQ(Entry(s[3].uv, 0, 2), (std::vector<float>{1, 0}));
  EXPECT_EQ(Entry(s[4].uv, 0, 2), (std::vector<float>{0, 0}));
  EXPECT_EQ(s[5].projection, LWO_PROJ_CYLINDRICAL);
  EXPECT_EQ(Entry(s[5].uv, 0, 2), (std::vector<float>{0, 0}));
  // On Y: u = x / 2 + 0.5; v = 0.5 + (Z - 1) / 2 for the file's Z (-5, 1, 0).
  EXPECT_EQ(Entry(s[6].uv, 0, 2), (std::vector<float>{1, -2.5f}));
  EXPECT_EQ(Entry(s[6].uv, 1, 2), (std::vector<float>{0.5f, 0.5f}));
  EXPECT_EQ(Entry(s[6].uv, 2, 2), (std::vector<float>{5.5f, 0}));
  for (int32_t k = 0; k < object->surfaceCount; k++)
    for (int32_t i = 0; i < s[k].uvCount * 2; i++)
      EXPECT_TRUE(std::isfinite(s[k].uv[i]));
}

TEST_F(LwoTest, UvMapSeamsGetCopiesOfTheirOwn)
{
  // Polygon 7 is the quad (3, 4, 5, 6); seven triangles before it.
  std::vector<float> xyz(8 * 3, 0.0f);
  xyz[3 * 3] = 3.0f;
  std::vector<std::vector<uint32_t>> polygons(7, {0, 1, 2});
  polygons.push_back({3, 4, 5, 6});
  polygons.push_back({3, 0, 1});
  Block uv;
  uv.projection = 5;
  uv.uvMap = "txuv";
  ASSERT_EQ(Load(Form({Tags({"A"}), Pnts(xyz), Pols(polygons), Clip(1, "skin.tga"),
                       Vmap("TXUV", "txuv", {{3, {0.5f, 0.5f}}, {4, {1, 0}}}),
                       Vmad("txuv", {{3, 7, 0.25f, 1.0f}}), Surf("A", {Blok(uv)})})),
            LWO_OK);
  const LwoSurface &s = object->surfaces[0];
  ASSERT_EQ(s.projection, LWO_PROJ_UV);
  ASSERT_EQ(s.uvMap, &object->uvMaps[0]);
  const LwoUVMap &map = *s.uvMap;
  EXPECT_EQ(map.baseCount, 8);
  ASSERT_EQ(map.totalCount, 10);
  EXPECT_EQ(map.flatCount, 10);
  std::vector<int32_t> tris = SurfaceTriangles(0);
  EXPECT_EQ(std::vector<int32_t>(tris.begin() + 21, tris.begin() + 27),
            (std::vector<int32_t>{8, 4, 5, 9, 5, 6}));
  EXPECT_EQ(tris[27], 3);  // polygon 8 keeps point 3 with its VMAP coordinates
  for (int32_t copy = 8; copy < 10; copy++) {
    EXPECT_EQ(map.seamPoints[copy * 3], 3.0f);
    EXPECT_EQ(map.flatUV[copy * 2], 0.25f);
    EXPECT_EQ(map.flatUV[copy * 2 + 1], 1.0f);
  }
  EXPECT_EQ(map.flatUV[3 * 2], 0.5f);
  EXPECT_EQ(map.flatUV[4 * 2], 1.0f);
}

TEST_F(LwoTest, SurfacesSharingAUvMapKeepOneNumbering)
{
  // Two quads on two surfaces, both on map "uv"; each has a seam at its point 0.
  std::vector<float> xyz(6 * 3, 0.0f);
  Block uv;
  uv.projection = 5;
  uv.uvMap = "uv";
  Block lost = uv;
  lost.uvMap = "nomap";
  ASSERT_EQ(Load(Form({Tags({"A", "B", "C"}), Pnts(xyz), Pols({{0, 1, 2, 3}, {0, 3, 4, 5}, {0, 1, 2}}),
                       Ptag({{1, 1}, {2, 2}}), Clip(1, "skin.tga"),
                       Vmap("TXUV", "uv", {{0, {0.5f, 0.5f}}}),
                       Vmad("uv", {{0, 0, 0.1f, 0.1f}, {0, 1, 0.9f, 0.9f}}),
                       Surf("A", {Blok(uv)}), Surf("B", {Blok(uv)}), Surf("C", {Blok(lost)})})),
            LWO_OK);
  const LwoUVMap &map = object->uvMaps[0];
  ASSERT_EQ(map.totalCount, 6 + 4);
  // Surface A's copies are 6 and 7, B's 8 and 9; each still draws its own.
  EXPECT_EQ(SurfaceTriangles(0), (std::vector<int32_t>{6, 1, 2, 7, 2, 3}));
  EXPECT_EQ(SurfaceTriangles(1), (std::vector<int32_t>{8, 3, 4, 9, 4, 5}));
  EXPECT_EQ(map.flatUV[7 * 2], 0.1f);
  EXPECT_EQ(map.flatUV[8 * 2], 0.9f);
  EXPECT_EQ(map.flatUV[9 * 2], 0.9f);
  for (const LwoSurface *s = object->surfaces; s < object->surfaces + 2; s++)
    for (int32_t i = 0; i < s->triCount * 3; i++)
      EXPECT_LT(s->triIndices[i], map.totalCount);
  // A map name that names no map: drawn in the flat colour, no map to read.
  EXPECT_EQ(object->surfaces[2].projection, LWO_PROJ_NONE);
  EXPECT_EQ(object->surfaces[2].uvMap, nullptr);
}

// An image block of channel REFL makes the surface reflective; its image is
// taken only when the surface has none yet, so of a colour image and a
// reflection image the first one read stays, whatever its kind.
TEST_F(LwoTest, AReflectionImageNeverReplacesAnImageAlreadySet)
{
  Block colour;
  colour.projection = 0;  // planar
  colour.image = 1;
  Block chrome;
  chrome.channel = "REFL";
  chrome.projection = 1;  // cylindrical
  chrome.image = 2;
  std::string common = Tags({"A"}) + Pnts(SquarePoints()) + Pols({{0, 1, 2, 3}}) +
                       Clip(1, "wood.tga") + Clip(2, "chrome.tga");
  ASSERT_EQ(Load(Form({common, Surf("A", {Blok(colour), Blok(chrome)})})), LWO_OK);
  const LwoSurface *s = &object->surfaces[0];
  EXPECT_EQ(s->reflection, 1);
  EXPECT_EQ(s->texture, &object->clips[0]);
  EXPECT_EQ(s->projection, LWO_PROJ_PLANAR);
  EXPECT_EQ(object->needNormals, 1);

  ASSERT_EQ(Load(Form({common, Surf("A", {Blok(chrome), Blok(colour)})})), LWO_OK);
  s = &object->surfaces[0];
  EXPECT_EQ(s->reflection, 1);
  EXPECT_EQ(s->texture, &object->clips[1]);
  EXPECT_EQ(s->projection, LWO_PROJ_CYLINDRICAL);
}

// The normals of a triangle's corners: its unit face normal times `scale`,
// worked out here in double precision.
static std::vector<double> FaceNormal(const std::vector<double> &a, const std::vector<double> &b,
                                      const std::vector<double> &c, double scale)
{
  double u[3], v[3];
  for (int i = 0; i < 3; i++) {
    u[i] = b[i] - a[i];
    v[i] = c[i] - a[i];
  }
  double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  return {n[0] / length * scale, n[1] / length * scale, n[2] / length * scale};
}

// The endomorph blend adds each morphed shape's own normals, weighted, to
// the base normals; an object-to-object morph mixes both objects' normals.
TEST_F(LwoTest, MorphsBlendNormalsToo)
{
  // File z is negated on load: the triangle faces +z in stored coordinates,
  // and the morph lifts its third corner to stored z = 1.
  ASSERT_EQ(Load(Form({Tags({"A"}), Pnts({0, 0, 0, 1, 0, 0, 0, 1, 0}), Pols({{0, 1, 2}}),
                       Vmap("MORF", "Lift", {{2, {0, 0, -1}}}), Smooth("A")}),
                 2.0f),
            LWO_OK);
  std::vector<double> flat = FaceNormal({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 2.0);
  std::vector<double> lifted = FaceNormal({0, 0, 0}, {1, 0, 0}, {0, 1, 1}, 2.0);
  ASSERT_NE(object->endomorphs[0].morphNormals, nullptr);
  for (int v = 0; v < 3; v++)
    for (int c = 0; c < 3; c++) {
      EXPECT_NEAR(object->baseNormals[v * 3 + c], flat[c], 1e-6);
      EXPECT_NEAR(object->endomorphs[0].morphNormals[v * 3 + c], lifted[c], 1e-6);
    }
  LwoSetEndoMorphAmount(object, "Lift", 0.5f);
  lwoEndoMorphPrepare(object);
  for (int v = 0; v < 3; v++)
    for (int c = 0; c < 3; c++)
      EXPECT_NEAR(object->normals[v * 3 + c], flat[c] + 0.5 * lifted[c], 1e-6) << v << " " << c;
  EXPECT_NEAR(object->points[2 * 3 + 2], 0.5f, 1e-7);

  // Object to object: a target facing +x, a quarter of the way.
  LwoObject *target = static_cast<LwoObject *>(MemAlloc(sizeof(LwoObject)));
  std::string side = Form({Tags({"A"}), Pnts({0, 0, 0, 0, 1, 0, 0, 0, -1}), Pols({{0, 1, 2}}), Smooth("A")});
  ASSERT_EQ(LwoLoadMemory(target, "t.lwo", side.data(), (int32_t)side.size(), 2.0f), LWO_OK);
  std::vector<double> facing = FaceNormal({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, 2.0);
  ASSERT_EQ(LwoMorphInit(object, target, 0.25f), LWO_OK);
  for (int v = 0; v < 3; v++)
    for (int c = 0; c < 3; c++)
      EXPECT_NEAR(object->normals[v * 3 + c], 0.75 * flat[c] + 0.25 * facing[c], 1e-6);
}

// LwoFree lets go of every array and leaves no pointer to them behind, so
// that drawing or freeing the record again touches nothing.
TEST_F(LwoTest, FreeLeavesNothingToReach)
{
  Block uv;
  uv.projection = 5;
  uv.uvMap = "uv";
  ASSERT_EQ(Load(Form({Tags({"A", "B"}), Pnts(SquarePoints()), Pols({{0, 1, 2, 3}, {0, 1, 2}}),
                       Ptag({{1, 1}}), Clip(1, "skin.tga"), Vmap("TXUV", "uv", {{0, {0.5f, 0.5f}}}),
                       Vmad("uv", {{0, 0, 0.1f, 0.1f}}), Vmap("MORF", "M", {{1, {1, 0, 0}}}),
                       Surf("A", {Blok(uv), Sub("SMAN", Bytes().f4(1.0f))})})),
            LWO_OK);
  ASSERT_NE(object->uvMaps[0].seamPoints, nullptr);
  ASSERT_NE(object->endomorphs[0].morphNormals, nullptr);
  LwoSurface *surfaces = object->surfaces;
  EXPECT_EQ(LwoFree(nullptr), LWO_ERR_NULL);
  ASSERT_EQ(LwoFree(object), LWO_OK);
  EXPECT_EQ(surfaces[0].triIndices, nullptr);
  EXPECT_EQ(surfaces[1].triIndices, nullptr);
  const void *left[] = {object->surfaces, object->points, object->basePoints, object->normals,
                        object->baseNormals, object->polygons, object->triangles,
                        object->uvMaps[0].flatUV, object->uvMaps[0].vertexUV,
                        object->uvMaps[0].discUV, object->uvMaps[0].seamPoints,
                        object->endomorphs[0].deltas, object->endomorphs[0].morphNormals};
  for (const void *pointer : left)
    EXPECT_EQ(pointer, nullptr);
  EXPECT_EQ(LwoFree(object), LWO_OK);
  EXPECT_EQ(LwoEnable(object, 0), LWO_OK);  // nothing left to draw
}
