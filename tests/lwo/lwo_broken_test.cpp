// Files that lie: sizes past their containers, indices past the arrays, more
// maps than the tables hold. None may make the reader step outside the file
// or an array; each is refused with a message or loads without the bad parts.
#include "lwo_builder.h"

TEST_F(LwoTest, SizesPastTheirContainer)
{
  std::string good = Form({Tags({"A"}), Pnts(SquarePoints()), Pols({{0, 1, 2, 3}})});
  ASSERT_EQ(Load(good), LWO_OK);

  // A chunk that claims more than the file holds ends the load.
  std::string cut = good.substr(0, good.size() - 3);
  EXPECT_EQ(Load(cut), LWO_ERR_FAILED);
  EXPECT_NE(console.find("Error : test.lwo is cut short"), std::string::npos);

  // A file that ends inside a chunk header: the whole chunks are read.
  EXPECT_EQ(Load(good + "PTA"), LWO_OK);
  EXPECT_NE(console.find("ignored 3 trailing bytes"), std::string::npos);

  // A sub-chunk running past its SURF: reading stops at the SURF's end and
  // the next chunk is read normally.
  std::string surf = Chunk("SURF", Bytes().s0("A").s0("").raw(Colr(1, 0, 0)).id("SMAN").u2(400).f4(1));
  ASSERT_EQ(Load(Form({Tags({"A"}), Pnts(SquarePoints()), surf, Pols({{0, 1, 2, 3}})})), LWO_OK);
  EXPECT_EQ(object->surfaces[0].color[0], 255);
  EXPECT_EQ(object->triangleCount, 2);

  // A polygon cut by the end of its chunk is not read (nor counted).
  std::string pols = Pols({{0, 1, 2}, {0, 1, 2, 3}});
  pols = Chunk("POLS", pols.substr(8, pols.size() - 8 - 2));
  ASSERT_EQ(Load(Form({Pnts(SquarePoints()), pols})), LWO_OK);
  EXPECT_EQ(object->polygonCount, 1);
  EXPECT_EQ(object->triangleCount, 1);
}

TEST_F(LwoTest, IndicesPastTheArraysAreIgnored)
{
  Block block;
  block.image = 9;  // no such clip
  ASSERT_EQ(Load(Form({Tags({"A", "B"}), Pnts(SquarePoints()),
                       Pols({{0, 1, 2}, {0, 2, 4}, {0, 2, 3}}),
                       Ptag({{0, 1}, {99, 1}}),
                       Chunk("CLIP", Bytes().u4(0).raw(Sub("STIL", Bytes().s0("zero.tga")))),
                       Clip(5, "five.tga"),
                       Vmap("TXUV", "uv", {{0, {0.5f, 0.5f}}, {40, {1, 1}}}),
                       Vmad("uv", {{1, 0, 0.1f, 0.1f}, {1, 50, 1, 1}, {60, 0, 1, 1}}),
                       Vmad("nomap", {{1, 0, 0, 0}}),
                       Surf("B", {Blok(block)})})),
            LWO_OK);
  EXPECT_EQ(object->polygonCount, 3);
  EXPECT_EQ(object->polygons[1].triCount, 0);  // names point 4 of 4
  EXPECT_EQ(object->triangleCount, 2);
  EXPECT_EQ(object->polygons[0].surface, 1);
  EXPECT_EQ(object->clipCount, 2);
  EXPECT_EQ(object->clips[0].name[0], 0);
  EXPECT_EQ(object->clips[1].name[0], 0);
  EXPECT_EQ(object->surfaces[1].texture, nullptr);
  ASSERT_EQ(object->uvMapCount, 1);
  EXPECT_EQ(object->uvMaps[0].vertexUV[0].u, 0.5f);
  ASSERT_EQ(object->uvMaps[0].discCount, 1);
  EXPECT_EQ(object->uvMaps[0].discUV[0].vertex, 1);
  // One line for all of it.
  EXPECT_NE(console.find("Warning : test.lwo : ignored 3 bad point indices, 2 bad polygon indices, "
                         "2 bad clip indices, 1 unknown UV maps"),
            std::string::npos)
      << console;
}

TEST_F(LwoTest, MapsOverTheTablesAreSkippedAndLongNamesCut)
{
  std::vector<std::string> chunks = {Pnts(SquarePoints()), Pols({{0, 1, 2}})};
  for (int i = 0; i < LWO_MAX_UV_MAPS + 2; i++)
    chunks.push_back(Vmap("TXUV", "uv" + std::to_string(i), {{0, {1, 1}}}));
  for (int i = 0; i < LWO_MAX_ENDOMORPHS + 3; i++)
    chunks.push_back(Vmap("MORF", "m" + std::to_string(i), {{0, {1, 1, 1}}}));
  std::string longName(250, 'x');
  chunks[2] = Vmap("TXUV", longName, {{0, {1, 1}}});
  ASSERT_EQ(Load(Form(chunks)), LWO_OK);
  EXPECT_EQ(object->uvMapCount, LWO_MAX_UV_MAPS);
  EXPECT_EQ(object->endomorphCount, LWO_MAX_ENDOMORPHS);
  EXPECT_EQ(std::string(object->uvMaps[0].name), longName.substr(0, 191));
  EXPECT_STREQ(object->uvMaps[1].name, "uv1");
  EXPECT_STREQ(object->endomorphs[63].name, "m63");
  EXPECT_NE(console.find("has more than 32 UV maps"), std::string::npos);
  EXPECT_NE(console.find("has more than 64 endomorphs"), std::string::npos);
}

TEST_F(LwoTest, VertexMapsReadTheirValuesAndSkipOtherKinds)
{
  std::vector<float> xyz(8 * 3, 0.0f);
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{0, 1, 2}}),
                       Vmap("WGHT", "weights", {{0, {1}}}),
                       Vmap("TXUV", "abcd", {{0, {0.25f, 0.75f}}, {5, {1, 0.5f}}}),
                       Vmap("MORF", "Smile", {{2, {0.5f, 0, 1}}}),
                       Vmap("MORF", "Frown", {{3, {0, 1, 0}}}),
                       Vmad("abcd", {{1, 0, 0.1f, 0.2f}, {2, 0, 0.3f, 0.4f}}),
                       Vmad("abcd", {{0, 0, 0.5f, 0.6f}}),
                       Vmad("abcd", {{0, 0, 0, 0}}, "MORF")})),
            LWO_OK);
  ASSERT_EQ(object->uvMapCount, 1);
  const LwoUVMap &map = object->uvMaps[0];
  EXPECT_STREQ(map.name, "abcd");
  EXPECT_EQ(map.vertexUV[0].u, 0.25f);
  EXPECT_EQ(map.vertexUV[0].v, 0.75f);
  EXPECT_EQ(map.vertexUV[5].u, 1.0f);
  EXPECT_EQ(map.vertexUV[4].u, 0.0f);
  // Both VMAD chunks of the map are kept, in file order.
  ASSERT_EQ(map.discCount, 3);
  EXPECT_EQ(map.discUV[0].vertex, 1);
  EXPECT_EQ(map.discUV[1].u, 0.3f);
  EXPECT_EQ(map.discUV[2].v, 0.6f);
  ASSERT_EQ(object->endomorphCount, 2);
  EXPECT_STREQ(object->endomorphs[0].name, "Smile");
  EXPECT_EQ(object->endomorphs[0].deltas[6], 0.5f);
  EXPECT_EQ(object->endomorphs[0].deltas[8], -1.0f);
  EXPECT_EQ(object->endomorphs[0].weight, 0.0f);
  EXPECT_EQ(object->endomorphs[1].deltas[10], 1.0f);
  EXPECT_NE(console.find("Warning : UVMAP mapping AND EndoMorph used simultaneously are not supported !"),
            std::string::npos);

  // A vertex map before the points has nothing to index.
  ASSERT_EQ(Load(Form({Vmap("TXUV", "early", {{0, {1, 1}}}), Pnts(xyz), Pols({{0, 1, 2}})})), LWO_OK);
  EXPECT_EQ(object->uvMapCount, 0);
  EXPECT_NE(console.find("1 vertex maps before the points"), std::string::npos);
}
