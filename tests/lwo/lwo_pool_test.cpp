// What a load leaves in the memory pool: nothing written past a block, and no
// temporary table kept per surface, however many surfaces an object has.
#include "lwo_builder.h"

namespace {

// A TAGS chunk that ends in the middle of its last string: the string still
// names a surface, and the names stay inside the surface table.
TEST_F(LwoTest, TagsEndingWithoutAZeroNameTheirLastSurface)
{
  std::string tags = Chunk("TAGS", Bytes().raw(std::string("Default\0Wall", 12)));
  std::string longTags = Chunk("TAGS", Bytes().raw(std::string("A\0", 2) + std::string(300, 'x')));
  ASSERT_EQ(Load(Form({tags, Pnts(SquarePoints()), Pols({{0, 1, 2}, {0, 2, 3}}),
                       Ptag({{1, 1}})})),
            LWO_OK);
  EXPECT_EQ(MemCheck(), 0);
  ASSERT_EQ(object->surfaceCount, 2);
  EXPECT_STREQ(object->surfaces[0].name, "Default");
  EXPECT_STREQ(object->surfaces[1].name, "Wall");
  EXPECT_EQ(SurfaceTriangles(1), (std::vector<int32_t>{0, 2, 3}));  // drawn with "Wall"

  // A last string longer than a name: cut to 191 characters, in its own surface.
  ASSERT_EQ(Load(Form({longTags, Pnts(SquarePoints()), Pols({{0, 1, 2}})})), LWO_OK);
  EXPECT_EQ(MemCheck(), 0);
  ASSERT_EQ(object->surfaceCount, 2);
  EXPECT_EQ(std::string(object->surfaces[1].name), std::string(LWO_NAME_SIZE - 1, 'x'));
}

// A grid of `quads` × 100 quads (two triangles each) on `surfaces` surfaces,
// polygon p on surface p % surfaces, every surface textured through the one
// UV map, with a seam entry on a few polygons. PTAG comes after POLS when
// `ptagLast`, as modellers write it, which the reader puts back in order.
std::string Grid(int32_t rows, int32_t surfaces, bool ptagLast)
{
  const int32_t columns = 100;
  std::vector<float> xyz;
  std::vector<std::pair<uint32_t, std::vector<float>>> uv;
  for (int32_t y = 0; y <= rows; y++)
    for (int32_t x = 0; x <= columns; x++) {
      xyz.insert(xyz.end(), {(float)x, (float)y, 0.0f});
      uv.push_back({(uint32_t)(y * (columns + 1) + x), {x / 100.0f, y / (float)rows}});
    }
  std::vector<std::vector<uint32_t>> polygons;
  std::vector<std::pair<uint32_t, uint32_t>> tags;
  std::vector<Disc> seams;
  for (int32_t y = 0; y < rows; y++)
    for (int32_t x = 0; x < columns; x++) {
      uint32_t a = (uint32_t)(y * (columns + 1) + x), p = (uint32_t)polygons.size();
      polygons.push_back({a, a + 1, a + columns + 2, a + columns + 1});
      tags.push_back({p, p % (uint32_t)surfaces});
      if (x == columns - 1)
        seams.push_back({a + 1, p, 1.0f, y / (float)rows});
    }
  std::vector<std::string> names;
  std::vector<std::string> chunks;
  for (int32_t s = 0; s < surfaces; s++)
    names.push_back("S" + std::to_string(s));
  Block block;
  block.projection = 5;
  block.uvMap = "grid";
  chunks = {Tags(names), Pnts(xyz), Vmap("TXUV", "grid", uv), Clip(1, "grid.tga")};
  if (!ptagLast)
    chunks.push_back(Ptag(tags));
  chunks.push_back(Pols(polygons));
  chunks.push_back(Vmad("grid", seams));
  if (ptagLast)
    chunks.push_back(Ptag(tags));
  for (const std::string &name : names)
    chunks.push_back(Surf(name, {Blok(block)}));
  return Form(chunks);
}

TEST_F(LwoTest, ManySurfaceUvObjectsKeepNoTemporaryTables)
{
  // 300 rows of 100 quads: 60,000 triangles. A table of 4 bytes a triangle
  // kept for each surface would take 240,000 bytes more per surface.
  const int32_t rows = 300, triangles = 60000;
  int32_t used[3] = {};
  const int32_t counts[3] = {1, 32, 64};
  for (int i = 0; i < 3; i++) {
    TexFreeAll();  // the clip records live in the pool about to be forgotten
    MemFreeAll();
    MemInit();
    TexInit();
    object = static_cast<LwoObject *>(MemAlloc(sizeof(LwoObject)));
    std::string file = Grid(rows, counts[i], true);
    int32_t before = MemGetPosition();
    ASSERT_EQ(Load(file), LWO_OK) << counts[i] << " surfaces\n" << console;
    EXPECT_EQ(console.find("drawing buffers"), std::string::npos) << console;
    used[i] = MemGetPosition() - before;
    EXPECT_EQ(MemCheck(), 0);
    ASSERT_EQ(object->triangleCount, triangles);
    // Every surface draws its share, and its seam corners (on the last
    // column) point at copies carrying u = 1.
    const LwoUVMap &map = object->uvMaps[0];
    EXPECT_EQ(map.totalCount, map.baseCount + rows) << counts[i];  // one corner a row
    for (int32_t s = 0; s < counts[i]; s++) {
      const LwoSurface &surface = object->surfaces[s];
      ASSERT_EQ(surface.uvMap, &map);
      EXPECT_NEAR(surface.triCount, triangles / counts[i], 2);
      for (int32_t k = 0; k < surface.triCount * 3; k++) {
        int32_t v = surface.triIndices[k];
        ASSERT_LT(v, map.totalCount);
        if (v >= map.baseCount) {
          ASSERT_EQ(map.flatUV[v * 2], 1.0f);
        }
      }
    }
  }
  // More surfaces cost their records and names, not a table each.
  EXPECT_LT(used[1] - used[0], 32 * 1024);
  EXPECT_LT(used[2] - used[0], 64 * 1024);
}

TEST_F(LwoTest, PtagAfterPolsIsReadInPlaceAndLoadsAlike)
{
  const int32_t rows = 30;
  std::string before = Grid(rows, 3, false), after = Grid(rows, 3, true);
  int32_t start = MemGetPosition();
  ASSERT_EQ(Load(before), LWO_OK);
  int32_t usedBefore = MemGetPosition() - start;
  std::vector<std::vector<int32_t>> tables;
  for (int32_t s = 0; s < 3; s++)
    tables.push_back(SurfaceTriangles(s));
  std::vector<float> flat(object->uvMaps[0].flatUV,
                          object->uvMaps[0].flatUV + object->uvMaps[0].flatCount * 2);

  start = MemGetPosition();
  ASSERT_EQ(Load(after), LWO_OK);
  // The reordering needs no copy of the chunks it moves.
  EXPECT_EQ(MemGetPosition() - start, usedBefore);
  EXPECT_EQ(MemCheck(), 0);
  for (int32_t s = 0; s < 3; s++)
    EXPECT_EQ(SurfaceTriangles(s), tables[s]) << s;
  EXPECT_EQ(std::vector<float>(object->uvMaps[0].flatUV,
                               object->uvMaps[0].flatUV + object->uvMaps[0].flatCount * 2),
            flat);
}

}  // namespace
