// Triangle strips and the terrain builder.
#include "lwo_builder.h"
#include "textga.h"

static std::vector<int32_t> Strip(const LwoObject *object, int32_t s)
{
  const LwoStrip *strip = object->strips[s];
  return std::vector<int32_t>(strip->vertices, strip->vertices + strip->length);
}

TEST_F(LwoTest, StripsGrowFromTheLeastConnectedTriangle)
{
  std::vector<float> xyz(12 * 3, 0.0f);
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{0, 1, 2}, {2, 1, 3}})})), LWO_OK);
  LwoStripCreate(object);
  ASSERT_EQ(object->stripCount, 1);
  EXPECT_EQ(Strip(object, 0), (std::vector<int32_t>{0, 1, 2, 3}));
  LwoStripRelease(object);
  EXPECT_EQ(object->stripCount, 0);
  EXPECT_EQ(object->strips, nullptr);

  // Triangles sharing no edge: one strip each, in triangle order.
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{0, 1, 2}, {3, 4, 5}, {6, 7, 8}})})), LWO_OK);
  LwoStripCreate(object);
  ASSERT_EQ(object->stripCount, 3);
  EXPECT_EQ(Strip(object, 2), (std::vector<int32_t>{6, 7, 8}));

  // A hexagon's fan: the first triangle weighs 3, the others 4. A strip grows
  // only over its last edge, and edges keep the point order they were first
  // entered in ((2, 0) from the first triangle, (4, 0) from the third).
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{0, 1, 2, 3, 4, 5}})})), LWO_OK);
  LwoStripCreate(object);
  ASSERT_EQ(object->stripCount, 3);
  EXPECT_EQ(Strip(object, 0), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(Strip(object, 1), (std::vector<int32_t>{2, 0, 3, 4}));
  EXPECT_EQ(Strip(object, 2), (std::vector<int32_t>{4, 0, 5}));

  // More distinct edges than three per point: the edge table grows.
  std::vector<std::vector<uint32_t>> all;
  for (uint32_t a = 0; a < 12; a++)
    for (uint32_t b = a + 1; b < 12; b++)
      for (uint32_t c = b + 1; c < 12; c++)
        all.push_back({a, b, c});
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols(all)})), LWO_OK);
  LwoStripCreate(object);
  int32_t covered = 0;
  for (int32_t s = 0; s < object->stripCount; s++) {
    covered += object->strips[s]->length - 2;
    for (int32_t v : Strip(object, s)) {
      EXPECT_GE(v, 0);
      EXPECT_LT(v, 12);
    }
  }
  EXPECT_EQ(covered, 220);

  LwoObject empty{};
  LwoStripCreate(&empty);
  EXPECT_EQ(empty.stripCount, 0);
}

// An uncompressed 24-bit TGA whose red bytes are `heights`, bottom row first.
static std::string HeightTga(int width, int height, const std::vector<uint8_t> &heights)
{
  Bytes b;
  b.u1(0).u1(0).u1(2).u2(0).u2(0).u1(0).u2(0).u2(0);
  b.u1(width & 255).u1(width >> 8).u1(height & 255).u1(height >> 8).u1(24).u1(0);
  for (uint8_t h : heights)
    b.u1(0).u1(0).u1(h);  // B, G, R
  return b;
}

TEST_F(LwoTest, TerrainsFromHeightMaps)
{
  ASSERT_EQ(TexRegisterCodec("TGA", TgaLoad), TEX_OK);
  WriteHostFile(dir.path + "/one.tga", HeightTga(2, 2, {0, 0, 0, 0}));
  WriteHostFile(dir.path + "/three.tga", HeightTga(3, 2, {0, 100, 0, 0, 0, 255}));
  WriteHostFile(dir.path + "/line.tga", HeightTga(1, 3, {1, 2, 3}));
  WriteHostFile(dir.path + "/ground.tga", HeightTga(2, 2, {9, 9, 9, 9}));

  memset(object, 0, sizeof *object);
  ASSERT_EQ(LwoBuildTerrain(object, "one.tga", "ground.tga"), LWO_OK);
  EXPECT_EQ(object->vertexCount, 24);
  EXPECT_EQ(object->triangleCount, 8);
  ASSERT_EQ(object->surfaceCount, 1);
  const LwoSurface &s = object->surfaces[0];
  EXPECT_EQ(s.triCount, 8);
  EXPECT_EQ(std::vector<int32_t>(s.triIndices, s.triIndices + 6), (std::vector<int32_t>{0, 1, 2, 1, 2, 3}));
  EXPECT_EQ(std::vector<int32_t>(s.triIndices + 6, s.triIndices + 24), std::vector<int32_t>(18, 0));
  EXPECT_EQ(s.projection, LWO_PROJ_PLANAR);
  EXPECT_EQ(s.texture, &object->clips[0]);
  EXPECT_EQ(object->opacity, 100.0f);
  EXPECT_EQ(object->polygons, nullptr);
  // The height map is released again; the texture stays registered.
  EXPECT_EQ(TexGetFirst(), &object->clips[0]);
  EXPECT_EQ(TexGetFirst()->next, nullptr);

  memset(object, 0, sizeof *object);
  ASSERT_EQ(LwoBuildTerrain(object, "three.tga", "ground.tga"), LWO_OK);
  EXPECT_EQ(object->vertexCount, 36);
  float sx = 256.0f / 3 * 0.07f, sz = 256.0f / 2 * 0.12f;
  // Cell (0, 0): x from -1 to 0, z from -1 to 0; point 1 is above pixel (1, 0).
  EXPECT_EQ(Entry(object->points, 0), (std::vector<float>{-1 * sx, 0, -1 * sz}));
  EXPECT_EQ(Entry(object->points, 1), (std::vector<float>{0, 100 * 0.008f, -1 * sz}));
  EXPECT_EQ(Entry(object->points, 7), (std::vector<float>{1 * sx, 255 * 0.008f, 0}));
  EXPECT_EQ(object->surfaces[0].uv[2], 1.0f / 3);

  memset(object, 0, sizeof *object);
  ASSERT_EQ(LwoBuildTerrain(object, "line.tga", "ground.tga"), LWO_OK);
  EXPECT_EQ(object->triangleCount, 6);
  for (int32_t i = 0; i < object->vertexCount * 3; i++)
    EXPECT_EQ(object->points[i], 0.0f);

  // A height map that does not load: an empty terrain. A texture that does
  // not load: drawn untextured rather than with a record without pixels.
  memset(object, 0, sizeof *object);
  ASSERT_EQ(LwoBuildTerrain(object, "missing.tga", "ground.tga"), LWO_OK);
  EXPECT_EQ(object->vertexCount, 0);
  EXPECT_EQ(object->surfaces[0].triCount, 0);
  memset(object, 0, sizeof *object);
  ASSERT_EQ(LwoBuildTerrain(object, "one.tga", "nowhere.tga"), LWO_OK);
  EXPECT_EQ(object->surfaces[0].texture, nullptr);
  EXPECT_EQ(object->surfaces[0].projection, LWO_PROJ_NONE);
  EXPECT_EQ(object->triangleCount, 8);
  EXPECT_EQ(LwoBuildTerrain(nullptr, "one.tga", "ground.tga"), LWO_ERR_FAILED);
}
