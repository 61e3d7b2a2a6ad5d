// Real objects made by other people: every LWO2 file loads or is refused with
// the message its kind calls for, the other object formats are refused
// cleanly, and what loads agrees with assimp on polygons and surfaces.
#include "lwo_builder.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

static std::vector<std::string> FilesIn(const std::string &folder)
{
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The files refused by design, with the message that says why.
static const char *ExpectedRefusal(const std::string &name)
{
  static const std::pair<const char *, const char *> refused[] = {
      {"assimp_hierarchy.lwo", "has more than 1 layer !"},
      {"nangtani_box2-uv.lwo", "has more than 1 layer !"},
      {"nangtani_box3-uv-layers.lwo", "has more than 1 layer !"},
      {"nangtani_box4-uv-layers.lwo", "has more than 1 layer !"},
      {"nangtani_srcbox_box3-uv-layers.lwo", "has more than 1 layer !"},
      {"assimp_Subdivision.lwo", "has a bad polyCount definitions !"},  // PTCH polygons only
  };
  for (const auto &r : refused)
    if (name == r.first)
      return r.second;
  return nullptr;
}

class LwoCorpus : public LwoTest {
 protected:
  int32_t LoadFile(const std::string &folder, const std::string &name)
  {
    MachineForTest(folder);
    TexFreeAll();
    MemFreeAll();
    MemInit();
    TexInit();
    object = static_cast<LwoObject *>(MemAlloc(sizeof(LwoObject)));
    console.clear();
    return LwoLoad(object, name.c_str(), 1.0f);
  }
};

TEST_F(LwoCorpus, EveryLwo2FileLoadsOrIsRefusedForItsKind)
{
  REQUIRE_CORPUS();
  std::string folder = CorpusDir() + "/lwo2";
  int loaded = 0;
  for (const std::string &name : FilesIn(folder)) {
    SCOPED_TRACE(name);
    int32_t result = LoadFile(folder, name);
    const char *refusal = ExpectedRefusal(name);
    if (refusal) {
      EXPECT_EQ(result, LWO_ERR_FAILED);
      EXPECT_NE(console.find("Error : " + name + " " + refusal), std::string::npos) << console;
      continue;
    }
    ASSERT_EQ(result, LWO_OK) << console;
    loaded++;
    EXPECT_GT(object->triangleCount, 0);
    int32_t drawn = 0;
    for (int32_t s = 0; s < object->surfaceCount; s++)
      drawn += object->surfaces[s].triCount;
    EXPECT_LE(drawn, object->triangleCount);
  }
  EXPECT_GE(loaded, 40);
}

TEST_F(LwoCorpus, OtherObjectFormatsAreRefused)
{
  REQUIRE_CORPUS();
  std::string folder = CorpusDir() + "/other-lwo";
  for (const std::string &name : FilesIn(folder)) {
    SCOPED_TRACE(name);
    int32_t result = LoadFile(folder, name);
    EXPECT_EQ(result, LWO_ERR_FAILED);
    EXPECT_NE(console.find("Error : " + name), std::string::npos) << console;
  }
}

// Surface names with at least one polygon: assimp makes a material only for
// the surfaces its meshes use.
static std::set<std::string> UsedSurfaces(const LwoObject *object)
{
  std::set<std::string> names;
  for (int32_t s = 0; s < object->surfaceCount; s++)
    if (object->surfaces[s].triCount > 0)
      names.insert(object->surfaces[s].name);
  return names;
}

TEST_F(LwoCorpus, PolygonsAndSurfacesAgreeWithAssimp)
{
  REQUIRE_CORPUS();
  std::string folder = CorpusDir() + "/lwo2";
  int compared = 0;
  for (const std::string &name : FilesIn(folder)) {
    SCOPED_TRACE(name);
    if (ExpectedRefusal(name) || LoadFile(folder, name) != LWO_OK)
      continue;
    Assimp::Importer importer;
    const aiScene *scene = importer.ReadFile(folder + "/" + name, 0);
    if (!scene) {
      // assimp refuses sciecode_sign.lwo ("Invalid SURF.BLOCK chunk length"):
      // its last surface's BLOK claims more bytes than the SURF has. Reading
      // stops at the SURF's end here, so the object loads.
      EXPECT_EQ(name, "sciecode_sign.lwo");
      continue;
    }
    unsigned faces = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; m++)
      faces += scene->mMeshes[m]->mNumFaces;
    EXPECT_EQ((unsigned)object->polygonCount, faces);
    std::set<std::string> materials;
    for (unsigned m = 0; m < scene->mNumMaterials; m++) {
      aiString materialName;
      scene->mMaterials[m]->Get(AI_MATKEY_NAME, materialName);
      materials.insert(materialName.C_Str());
    }
    EXPECT_EQ(UsedSurfaces(object), materials);
    compared++;
  }
  EXPECT_GE(compared, 35);
}
