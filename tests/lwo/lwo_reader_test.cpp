// The LWO2 reader: form checks, the chunk walk with its reordering, points,
// polygons split into fans, tags, surfaces, clips, and what it does with
// files that lie about their sizes and indices.
#include "lwo_builder.h"

TEST_F(LwoTest, RefusesWhatIsNotFacePolygons)
{
  std::string points = Pnts(SquarePoints());
  EXPECT_EQ(Load(Form({points, Pols({{0, 1, 2}})}, "LWOB")), LWO_ERR_FAILED);
  EXPECT_NE(console.find("Error : test.lwo is not a LWO2 file (LW 6.X+) !"), std::string::npos);

  const char *noFace = "Error : test.lwo has a bad polyCount definitions ! (Nurbs & Bones are not supported..)";
  EXPECT_EQ(Load(Form({points})), LWO_ERR_FAILED);
  EXPECT_NE(console.find(noFace), std::string::npos);
  EXPECT_EQ(Load(Form({points, Pols({{0, 1, 2, 3}}, "PTCH")})), LWO_ERR_FAILED);
  EXPECT_NE(console.find(noFace), std::string::npos);
  // The last POLS decides, even when an earlier one holds faces.
  EXPECT_EQ(Load(Form({points, Pols({{0, 1, 2}}), Pols({{0, 1, 2}}, "BONE")})), LWO_ERR_FAILED);
  EXPECT_NE(console.find(noFace), std::string::npos);

  // A layer without polygons is refused the same way.
  EXPECT_EQ(Load(Form({Layr(0, ""), Layr(1, ""), points, Pols({{0, 1, 2}})})), LWO_ERR_FAILED);
  EXPECT_NE(console.find(noFace), std::string::npos);

  // Too short to hold a form type at all.
  EXPECT_EQ(Load("FORM"), LWO_ERR_FAILED);
  EXPECT_EQ(LwoLoadMemory(nullptr, "x", "", 0, 1.0f), LWO_ERR_NULL);
  EXPECT_EQ(LwoLoad(object, nullptr, 1.0f), LWO_ERR_NULL);
}

// Two layers and a file-wide part: each layer loads with its own points,
// polygons, maps and tags, the surfaces and clips of the whole file, and the
// number, name, parent and pivot of its LAYR.
TEST_F(LwoTest, LoadsTheLayerAskedFor)
{
  std::string file = Form({Tags({"A", "B"}),
                           Layr(4, "top", {1, 2, 3}), Pnts({0, 0, 0, 1, 0, 0, 0, 1, 0}),
                           Pols({{0, 1, 2}}), Ptag({{0, 1}}),
                           Layr(0, "base", {0, 0, 0}, 4), Pnts(SquarePoints()),
                           Vmap("TXUV", "uv", {{3, {0.5f, 0.25f}}}), Pols({{0, 1, 2, 3}, {3, 2, 1}}),
                           Surf("B", {Colr(0, 1, 0)})});
  ASSERT_EQ(Load(file, 1.0f, 4), LWO_OK) << console;
  EXPECT_EQ(object->vertexCount, 3);
  EXPECT_EQ(object->polygonCount, 1);
  EXPECT_EQ(object->uvMapCount, 0);
  EXPECT_EQ(object->surfaces[1].triCount, 1);
  EXPECT_EQ(object->surfaces[1].color[1], 255);
  EXPECT_EQ(object->layer, 4);
  EXPECT_STREQ(object->layerName, "top");
  EXPECT_EQ(object->layerParent, -1);
  EXPECT_EQ(object->layerPivot[2], 3.0f);  // as the file gives it

  ASSERT_EQ(Load(file, 1.0f, 0), LWO_OK) << console;
  EXPECT_EQ(object->vertexCount, 4);
  EXPECT_EQ(object->polygonCount, 2);
  EXPECT_EQ(object->triangleCount, 3);
  ASSERT_EQ(object->uvMapCount, 1);
  EXPECT_EQ(object->uvMaps[0].vertexUV[3].u, 0.5f);
  EXPECT_EQ(object->surfaces[0].triCount, 3);  // no tags in this layer: surface 0
  EXPECT_EQ(object->layerParent, 4);
  EXPECT_STREQ(object->layerName, "base");
  EXPECT_EQ(console.find("Warning"), std::string::npos) << console;

  // The first layer in the file when none is named; a number the file does not have.
  ASSERT_EQ(Load(file), LWO_OK);
  EXPECT_EQ(object->layer, 4);
  EXPECT_EQ(Load(file, 1.0f, 2), LWO_ERR_FAILED);
  EXPECT_NE(console.find("Error : test.lwo has no layer 2 (-18) !"), std::string::npos) << console;

  LwoLayerInfo layers[4];
  ASSERT_EQ(LwoListLayers(file.data(), (int32_t)file.size(), layers, 4), 2);
  EXPECT_EQ(layers[0].number * 10 + layers[1].number, 40);
  EXPECT_EQ(layers[1].parent, 4);
  EXPECT_EQ(layers[0].pivot[1], 2.0f);
  EXPECT_STREQ(layers[1].name, "base");
  EXPECT_EQ(LwoListLayers(file.data(), (int32_t)file.size(), nullptr, 0), 2);
}

// A file of one layer is that layer, whatever number a scene gives it; chunks
// before the first LAYR belong to the first layer; a LAYR cut short still loads.
TEST_F(LwoTest, OneLayerFilesAndBrokenLayerChunks)
{
  std::string points = Pnts(SquarePoints());
  ASSERT_EQ(Load(Form({Layr(3, "only"), points, Pols({{0, 1, 2}})}), 1.0f, 0), LWO_OK);
  EXPECT_EQ(object->layer, 3);
  ASSERT_EQ(Load(Form({points, Pols({{0, 1, 2}})}), 1.0f, 7), LWO_OK);
  EXPECT_EQ(object->layer, 0);

  std::string early = Form({points, Layr(2, "a"), Pols({{0, 1, 2, 3}}), Layr(5, "b"),
                            Pnts({0, 0, 0, 1, 1, 1, 2, 2, 2}), Pols({{0, 1, 2}})});
  ASSERT_EQ(Load(early, 1.0f, 2), LWO_OK) << console;
  EXPECT_EQ(object->vertexCount, 4);
  EXPECT_EQ(object->triangleCount, 2);
  ASSERT_EQ(Load(early, 1.0f, 5), LWO_OK) << console;
  EXPECT_EQ(object->vertexCount, 3);

  ASSERT_EQ(Load(Form({Chunk("LAYR", Bytes().u2(6)), points, Pols({{0, 1, 2}})}), 1.0f, 6), LWO_OK);
  EXPECT_EQ(object->layer, 6);
  EXPECT_NE(console.find("Warning : test.lwo : its LAYR chunk of 2 bytes is cut short"),
            std::string::npos) << console;
  // Two layers, one of them only a cut LAYR: the other is still found.
  ASSERT_EQ(Load(Form({Chunk("LAYR", Bytes().u1(1)), Layr(1, "x"), points, Pols({{0, 1, 2}})}),
                 1.0f, 1), LWO_OK) << console;
  EXPECT_EQ(object->vertexCount, 4);
}

TEST_F(LwoTest, LoadsFromTheHostDeviceAndReportsMissingFiles)
{
  WriteHostFile(dir.path + "/objects/tri.lwo",
                Form({Pnts({1, 2, 3, 4, 5, 6, 7, 8, 9}), Pols({{0, 1, 2}})}));
  memset(object, 0, sizeof *object);
  ASSERT_EQ(LwoLoad(object, "C:\\objects\\TRI.lwo", 0.5f), LWO_OK);
  EXPECT_STREQ(object->name, "C:\\objects\\TRI.lwo");
  EXPECT_EQ(object->worldScale, 0.5f);
  EXPECT_EQ(object->opacity, 100.0f);
  EXPECT_EQ(LwoLoad(object, "objects\\missing.lwo", 1.0f), LWO_ERR_LOAD);
  EXPECT_NE(console.find("Error while loading objects\\missing.lwo !"), std::string::npos);
  // A name longer than the record holds is cut to 191 characters.
  std::string longName(300, 'n');
  EXPECT_EQ(LwoLoad(object, longName.c_str(), 1.0f), LWO_ERR_LOAD);
  EXPECT_EQ(strlen(object->name), 191u);
}

TEST_F(LwoTest, PointsAreStoredWithZNegatedAndWholeOnly)
{
  ASSERT_EQ(Load(Form({Pnts({1, 2, 3, 4, 5, 6, 7, 8, 9}), Pols({{0, 1, 2}})})), LWO_OK);
  ASSERT_EQ(object->vertexCount, 3);
  EXPECT_EQ(object->points[0], 1.0f);
  EXPECT_EQ(object->points[1], 2.0f);
  EXPECT_EQ(object->points[2], -3.0f);
  EXPECT_EQ(object->basePoints[8], -9.0f);
  EXPECT_EQ(console.find("Warning"), std::string::npos);

  // 40 bytes: three whole points, four bytes left unread and reported.
  std::string pnts = Chunk("PNTS", Bytes().raw(Pnts({1, 2, 3, 4, 5, 6, 7, 8, 9}).substr(8)).u4(0));
  ASSERT_EQ(Load(Form({pnts, Pols({{0, 1, 2}})})), LWO_OK);
  EXPECT_EQ(object->vertexCount, 3);
  EXPECT_NE(console.find("Warning : test.lwo : ignored 4 trailing bytes"), std::string::npos);
}

TEST_F(LwoTest, PolygonsBecomeFansAroundTheirFirstPoint)
{
  std::vector<float> xyz(10 * 3, 0.0f);
  Bytes flagged;  // a count word with flag bits set is still a triangle
  flagged.id("FACE").u2(0x8003).u2(7).u2(8).u2(9);
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{0, 1, 2, 3}, {4, 5, 6, 7, 8}, {4, 7}, {9}}),
                       Chunk("POLS", flagged)})),
            LWO_OK);
  // The second POLS chunk is the one that remains (the last one counted).
  ASSERT_EQ(object->polygonCount, 1);
  ASSERT_EQ(object->triangleCount, 1);
  EXPECT_EQ(object->triangles[0].vertex[0], 7);
  EXPECT_EQ(object->triangles[0].vertex[2], 9);

  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{0, 1, 2, 3}, {4, 5, 6, 7, 8}, {4, 7}, {9}})})), LWO_OK);
  ASSERT_EQ(object->triangleCount, 2 + 3 + 1 + 1);
  std::vector<std::vector<int32_t>> expected = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7},
                                                {4, 7, 8}, {4, 4, 7}, {9, 9, 9}};
  for (size_t t = 0; t < expected.size(); t++) {
    const LwoTriangle &tri = object->triangles[t];
    EXPECT_EQ(std::vector<int32_t>(tri.vertex, tri.vertex + 3), expected[t]) << "triangle " << t;
  }
  EXPECT_EQ(object->polygons[1].firstTriangle, 2);
  EXPECT_EQ(object->polygons[1].triCount, 3);
  EXPECT_EQ(object->triangles[6].polygon, 3);
}

TEST_F(LwoTest, PointIndicesOfBothWidths)
{
  // 65,537 points so that index 65,536 (FF 01 00 00) exists.
  std::vector<float> xyz(65537 * 3, 0.0f);
  xyz[65536 * 3] = 42.0f;
  xyz[5 * 3] = 5.0f;
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{5, 0xFF00, 65536}})})), LWO_OK);
  ASSERT_EQ(object->triangleCount, 1);
  EXPECT_EQ(object->triangles[0].vertex[0], 5);
  EXPECT_EQ(object->triangles[0].vertex[1], 0xFF00);
  EXPECT_EQ(object->triangles[0].vertex[2], 65536);
  EXPECT_EQ(object->points[object->triangles[0].vertex[2] * 3], 42.0f);
}

TEST_F(LwoTest, TagsAndPtagMakeSurfacesWhateverTheChunkOrder)
{
  // "Surface" is 8 bytes with its terminator (no pad), "Wall" 5 plus a pad: 14 bytes.
  std::string tags = Chunk("TAGS", Bytes().raw(std::string("Surface\0Wall\0\0", 14)));
  std::vector<float> xyz(6 * 3, 0.0f);
  // PTAG written after POLS, TAGS between them: PTAG is read first, then TAGS, then POLS.
  ASSERT_EQ(Load(Form({Pnts(xyz), Pols({{0, 1, 2}, {1, 2, 3, 4}, {3, 4, 5}}), tags,
                       Ptag({{1, 1}, {2, 7}})})),
            LWO_OK);
  ASSERT_EQ(object->surfaceCount, 2);
  EXPECT_STREQ(object->surfaces[0].name, "Surface");
  EXPECT_STREQ(object->surfaces[1].name, "Wall");
  EXPECT_EQ(object->polygons[0].surface, 0);  // named by no entry
  EXPECT_EQ(object->polygons[1].surface, 1);
  EXPECT_EQ(object->polygons[2].surface, 7);  // no such surface: never drawn
  EXPECT_EQ(SurfaceTriangles(0), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(SurfaceTriangles(1), (std::vector<int32_t>{1, 2, 3, 1, 3, 4}));
}

TEST_F(LwoTest, SurfaceColourSmoothingAndImageBlocks)
{
  Block colour;
  colour.projection = 0;
  colour.axis = 2;
  Block late;  // IMAG before PROJ: the surface stays untextured
  late.imageFirst = true;
  Block reflection;
  reflection.channel = "REFL";
  reflection.projection = 1;  // cylindrical
  ASSERT_EQ(Load(Form({Tags({"A", "B", "C", "D"}), Pnts(SquarePoints()), Pols({{0, 1, 2, 3}}),
                       Clip(1, "maps/wood.tga"),
                       Surf("A", {Colr(1.0f, 0.5f, 0.0f), Sub("SMAN", Bytes().f4(0.0f)), Blok(colour)}),
                       Surf("B", {Colr(2.0f, -1.0f, 0.999f), Sub("SMAN", Bytes().f4(1.5f)), Blok(late)}),
                       Surf("C", {Blok(reflection)}),
                       Surf("Nobody", {Colr(1, 1, 1)})})),
            LWO_OK);
  const LwoSurface *s = object->surfaces;
  EXPECT_EQ(std::vector<int>(s[0].color, s[0].color + 3), (std::vector<int>{255, 127, 0}));
  EXPECT_EQ(s[0].smoothing, 0);
  EXPECT_EQ(s[0].projection, LWO_PROJ_PLANAR);
  EXPECT_EQ(s[0].axis, 2);
  EXPECT_EQ(s[0].texture, &object->clips[0]);
  // Out-of-range components are held to 0..255 (254.745 truncates to 254).
  EXPECT_EQ(std::vector<int>(s[1].color, s[1].color + 3), (std::vector<int>{255, 0, 254}));
  EXPECT_EQ(s[1].smoothing, 1);
  EXPECT_EQ(s[1].projection, LWO_PROJ_NONE);
  EXPECT_EQ(s[2].reflection, 1);
  EXPECT_EQ(s[2].projection, LWO_PROJ_CYLINDRICAL);
  EXPECT_EQ(object->needNormals, 1);
  EXPECT_EQ(s[3].texture, nullptr);
  EXPECT_NE(console.find("ignored 1 unknown surfaces"), std::string::npos);
}

// A surface that reflects a spherical map names its image with RIMG (chrome
// in real objects); it draws as an environment map like an image block of
// channel REFL, and only when it reflects and its options ask for the map.
TEST_F(LwoTest, ReflectionMapsOfSurfaces)
{
  auto refl = [](float amount) { return Sub("REFL", Bytes().f4(amount).vx(0)); };
  auto rfop = [](uint32_t options) { return Sub("RFOP", Bytes().u2(options)); };
  std::string rimg = Sub("RIMG", Bytes().vx(1));
  Block block;
  ASSERT_EQ(Load(Form({Tags({"Chrome", "Traced", "Dull", "Block"}), Pnts(SquarePoints()),
                       Pols({{0, 1, 2}}), Clip(1, "maps/chrome.tga"),
                       Surf("Chrome", {rimg, refl(0.25f), rfop(3)}),
                       Surf("Traced", {refl(0.25f), rfop(1), rimg}),
                       Surf("Dull", {rfop(2), rimg}),
                       Surf("Block", {Blok(block), refl(1), rfop(2), rimg})})),
            LWO_OK)
      << console;
  const LwoSurface *s = object->surfaces;
  EXPECT_EQ(s[0].reflection, 1);
  EXPECT_EQ(s[0].projection, LWO_PROJ_SPHERICAL);
  EXPECT_EQ(s[0].texture, &object->clips[0]);
  EXPECT_EQ(object->needNormals, 1);
  EXPECT_EQ(s[1].texture, nullptr);  // ray tracing and the backdrop only
  EXPECT_EQ(s[2].texture, nullptr);  // nothing reflected
  EXPECT_EQ(s[3].reflection, 0);     // the image block's image comes first
  EXPECT_EQ(s[3].projection, LWO_PROJ_PLANAR);
}

TEST_F(LwoTest, StillNamesAreRewrittenAndRegistered)
{
  ASSERT_EQ(Load(Form({Tags({"A"}), Pnts(SquarePoints()), Pols({{0, 1, 2}}),
                       Clip(3, "C:maps/wood.tga"), Clip(1, "maps/set.2/a.tga"), Clip(2, "a/b.tga"),
                       Chunk("CLIP", Bytes().u4(4).raw(Sub("ISEQ", Bytes().u1(0).u1(0).u2(0))))})),
            LWO_OK);
  ASSERT_EQ(object->clipCount, 4);
  // The registry lower-cases the names it is given.
  EXPECT_STREQ(object->clips[2].name, "c:maps\\wood.tga");
  EXPECT_STREQ(object->clips[0].name, "maps\\set.2/a.tga");
  EXPECT_STREQ(object->clips[1].name, "a\\\\b.tga");
  EXPECT_STREQ(object->clips[3].name, "");  // an image sequence is not loaded
  int registered = 0;
  for (TexEntry *e = TexGetFirst(); e; e = e->next)
    registered++;
  EXPECT_EQ(registered, 3);

  // A surface whose image is the unloaded clip is drawn flat, and smooth.
  Block block;
  ASSERT_EQ(Load(Form({Tags({"A"}), Pnts(SquarePoints()), Pols({{0, 1, 2}}),
                       Chunk("CLIP", Bytes().u4(1).raw(Sub("ISEQ", Bytes().u4(0)))),
                       Surf("A", {Blok(block)})})),
            LWO_OK);
  EXPECT_NE(console.find("Error : test.lwo (A) -> texture problem !"), std::string::npos);
  EXPECT_EQ(object->surfaces[0].texture, nullptr);
  EXPECT_EQ(object->surfaces[0].smoothing, 1);
}

TEST_F(LwoTest, ARecordLoadedTwiceHoldsOnlyTheSecondObject)
{
  std::string big = Form({Tags({"A", "B"}), Pnts(SquarePoints()), Pols({{0, 1, 2, 3}})});
  std::string small = Form({Pnts({5, 5, 5, 6, 6, 6, 7, 7, 7}), Pols({{2, 1, 0}})});
  ASSERT_EQ(Load(big), LWO_OK);
  ASSERT_EQ(LwoLoadMemory(object, "again.lwo", small.data(), (int32_t)small.size(), 1.0f), LWO_OK);
  EXPECT_EQ(object->vertexCount, 3);
  EXPECT_EQ(object->points[0], 5.0f);
  EXPECT_EQ(object->surfaceCount, 0);
  EXPECT_EQ(object->triangleCount, 1);
  EXPECT_EQ(console.find("extra PNTS"), std::string::npos);
}
