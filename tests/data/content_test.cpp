// The generated scene, objects and pictures: read back by an independent
// importer and by plain walks over their bytes, and checked against the
// rules the show's readers rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "contentkit.h"
#include "datagen.h"
#include "testkit.h"

namespace fs = std::filesystem;

static std::vector<std::string> contentFiles(const char *extension)
{
  std::vector<std::string> out;
  for (const auto &e : fs::directory_iterator(ContentDir() + "/vorlanth"))
    if (e.path().extension() == extension)
      out.push_back(e.path().string());
  return out;
}

// "C:\vorlanth\x.lwo" names the file x.lwo of the content folder.
static std::string localFile(const std::string &name)
{
  EXPECT_EQ(name.rfind("C:\\vorlanth\\", 0), 0u) << name;
  return ContentDir() + "/vorlanth/" + name.substr(name.find_last_of('\\') + 1);
}

TEST(Content, EveryObjectIsReadByAnIndependentImporter)
{
  ASSERT_FALSE(ContentDir().empty());
  std::vector<std::string> objects = contentFiles(".lwo");
  ASSERT_EQ(objects.size(), 11u);
  for (const std::string &path : objects) {
    Assimp::Importer importer;
    const aiScene *scene = importer.ReadFile(path, 0);
    ASSERT_NE(scene, nullptr) << path << ": " << importer.GetErrorString();
    unsigned vertices = 0, faces = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; m++) {
      vertices += scene->mMeshes[m]->mNumVertices;
      faces += scene->mMeshes[m]->mNumFaces;
    }
    EXPECT_GT(vertices, 0u) << path;
    EXPECT_GT(faces, 0u) << path;
    EXPECT_GE(scene->mNumMaterials, 1u) << path;
  }
}

// Chunk order and form: one layer, FACE polygons, every chunk even-sized (so
// readers that pad and readers that do not agree), names defined before use.
TEST(Content, ObjectsKeepTheChunkRulesOfTheReader)
{
  size_t largest = 0;
  for (const std::string &path : contentFiles(".lwo")) {
    LwoFile f = LwoRead(path);
    ASSERT_TRUE(f.ok) << path;
    std::vector<std::string> order;
    std::set<std::string> uvMaps;
    for (const Chunk &c : f.chunks) {
      EXPECT_EQ(c.size % 2, 0u) << path << " " << c.id;
      order.push_back(c.id);
      size_t at = c.offset + 6;
      if (c.id == "VMAP" && BeU4(f.bytes, c.offset) == BeU4({'T', 'X', 'U', 'V'}, 0))
        uvMaps.insert(BeS0(f.bytes, at));
      if (c.id == "VMAD") {
        EXPECT_EQ(uvMaps.count(BeS0(f.bytes, at)), 1u) << path << ": VMAD before its VMAP";
      }
      if (c.id == "POLS") {
        EXPECT_EQ(BeU4(f.bytes, c.offset), BeU4({'F', 'A', 'C', 'E'}, 0)) << path;
      }
      if (c.id == "PNTS")
        largest = std::max(largest, (size_t)c.size / 12);
    }
    auto first = [&](const char *id) { return (long)(std::find(order.begin(), order.end(), id) - order.begin()); };
    auto last = [&](const char *id) {
      for (size_t i = order.size(); i-- > 0;)
        if (order[i] == id)
          return (long)i;
      return -1L;
    };
    EXPECT_EQ(std::count(order.begin(), order.end(), "LAYR"), 1) << path;
    EXPECT_EQ(std::count(order.begin(), order.end(), "POLS"), 1) << path;
    EXPECT_LT(first("TAGS"), first("SURF")) << path;
    EXPECT_LT(first("PNTS"), first("VMAP")) << path;
    EXPECT_LT(last("CLIP"), first("SURF")) << path;
  }
  EXPECT_GT(largest, 15000u) << "one object must need more than one drawing batch";
}

// Every image an object names exists, and every picture fits the show's
// texture memory: power-of-two sides of at most 256, uncompressed true colour.
TEST(Content, ImagesExistAndFitTheTexturePool)
{
  for (const std::string &path : contentFiles(".lwo")) {
    LwoFile f = LwoRead(path);
    for (const Chunk &c : f.chunks) {
      if (c.id != "CLIP")
        continue;
      ASSERT_EQ(std::string(f.bytes.begin() + (long)c.offset + 4, f.bytes.begin() + (long)c.offset + 8), "STIL");
      size_t at = c.offset + 10;
      std::string name = BeS0(f.bytes, at);
      EXPECT_TRUE(fs::exists(localFile(name))) << path << " names " << name;
    }
  }
  size_t total = 0;
  for (const std::string &path : contentFiles(".tga")) {
    std::vector<uint8_t> t = ReadBytes(path);
    ASSERT_GE(t.size(), 18u);
    int width = t[12] | t[13] << 8, height = t[14] | t[15] << 8;
    EXPECT_EQ(t[2], 2) << path;
    EXPECT_EQ(t.size(), 18u + (size_t)width * (size_t)height * (t[16] / 8u)) << path;
    if (path.find("fonte_400x8") != std::string::npos)
      continue;
    EXPECT_TRUE(width <= 256 && height <= 256 && !(width & (width - 1)) && !(height & (height - 1)))
        << path << " is " << width << " x " << height;
  }
  for (const auto &e : fs::directory_iterator(ContentDir() + "/vorlanth"))
    total += (size_t)e.file_size();
  EXPECT_LT(total, 3u << 20) << "content unpacked";
}

// Polygons face outwards (clockwise seen from outside, LightWave's rule), so
// the show's back-face cull keeps the outside: checked on the closed convex
// objects against their centre and on the valley against the sky. The sky's
// dome faces inwards, to the valley at its centre.
TEST(Content, PolygonsFaceOutwards)
{
  for (const char *name : {"crate", "globe", "blob", "valley", "star", "flower", "dome"}) {
    LwoFile f = LwoRead(ContentDir() + "/vorlanth/" + name + ".lwo");
    std::vector<float> p;
    for (const Chunk &c : f.chunks)
      if (c.id == "PNTS")
        for (size_t at = c.offset; at < c.offset + c.size; at += 4)
          p.push_back(BeF4(f.bytes, at));
    size_t faces = 0;
    for (const Chunk &c : f.chunks) {
      if (c.id != "POLS")
        continue;
      for (size_t at = c.offset + 4; at < c.offset + c.size;) {
        uint32_t n = BeU2(f.bytes, at) & 0x3FF;
        at += 2;
        std::vector<uint32_t> v;
        for (uint32_t k = 0; k < n; k++)
          v.push_back(BeVX(f.bytes, at));
        ASSERT_GE(n, 3u);
        float e1[3], e2[3], mid[3] = {0, 0, 0};
        for (int i = 0; i < 3; i++) {
          e1[i] = p[v[1] * 3 + i] - p[v[0] * 3 + i];
          e2[i] = p[v[2] * 3 + i] - p[v[0] * 3 + i];
          for (uint32_t k = 0; k < n; k++)
            mid[i] += p[v[k] * 3 + i] / (float)n;
        }
        float normal[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        if (std::string(name) == "valley")
          mid[0] = mid[2] = 0, mid[1] = 1;
        else if (std::string(name) == "star" || std::string(name) == "flower")
          mid[2] *= 8.0f;   // the thin prism: its faces look along Z
        else if (std::string(name) == "dome")
          mid[0] = -mid[0], mid[1] = -mid[1], mid[2] = -mid[2];
        EXPECT_GT(normal[0] * mid[0] + normal[1] * mid[1] + normal[2] * mid[2], 0.0f) << name << " polygon " << faces;
        faces++;
      }
    }
    EXPECT_GT(faces, 0u) << name;
  }
}

// A second run into the same folder leaves only this run's files: nothing
// stale reaches the archive, and foreign files are left alone.
TEST(Content, RegenerationRemovesStaleFiles)
{
  TempDir dir;
  std::string source = MORVANE_SOURCE_DIR, content = dir.path + "/content";
  fs::create_directories(content + "/vorlanth");
  for (const char *name : {"old.lwo", "old.tga", "valley.lwo.part", "notes.txt"})
    std::ofstream(content + "/vorlanth/" + name) << "stale";
  ASSERT_EQ(GenContentWrite(content, source + "/data/font/glyphs.txt", source + "/data/scrolltext.txt", ""), GEN_OK);
  std::set<std::string> names;
  for (const auto &e : fs::directory_iterator(content + "/vorlanth"))
    names.insert(e.path().filename().string());
  EXPECT_EQ(names.count("old.lwo") + names.count("old.tga") + names.count("valley.lwo.part"), 0u);
  EXPECT_EQ(names.count("notes.txt"), 1u);
  EXPECT_EQ(names.size(), 19u);
  EXPECT_EQ(GenContentWrite(content, source + "/data/font/missing.txt", source + "/data/scrolltext.txt", ""),
            GEN_ERR_READ);
}
