// Item placements against an independent reading: assimp's LWS importer
// builds the same transforms, pivots and parent chains as nodes (mirrored in
// Z for its right-handed output). Every item's world matrix is compared with
// the node's at the key times where assimp's own motion, linear between keys,
// is exact: for the format-3 scenes of the corpus, the demo scene and the
// hand-made scenes.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cmath>
#include <map>
#include <set>

#include "datagen.h"
#include "handscenes.h"
#include "lwsscene.h"
#include "matrix.h"

namespace {

// An assimp scene and what is needed to evaluate its nodes at a time.
class AssimpScene {
public:
  explicit AssimpScene(const std::string &path) : scene(importer.ReadFile(path, 0))
  {
    if (!scene)
      return;
    collect(scene->mRootNode);
    if (scene->mNumAnimations > 0) {
      const aiAnimation *anim = scene->mAnimations[0];
      for (unsigned c = 0; c < anim->mNumChannels; c++)
        channels[anim->mChannels[c]->mNodeName.C_Str()] = anim->mChannels[c];
    }
  }
  bool loaded() const { return scene != nullptr; }

  // The node of the item with this id ("1000000A"), or null.
  const aiNode *item(const std::string &id) const
  {
    auto it = items.find(id);
    return it == items.end() ? nullptr : it->second;
  }

  // The node's world transform at `ticks`, if every animated node on its way
  // has keys exactly there (or a single key).
  bool world(const aiNode *node, double ticks, aiMatrix4x4 *out) const
  {
    aiMatrix4x4 m;
    for (; node; node = node->mParent) {
      aiMatrix4x4 local = node->mTransformation;
      auto it = channels.find(node->mName.C_Str());
      if (it != channels.end() && !animated(it->second, ticks, &local))
        return false;
      m = local * m;
    }
    *out = m;
    return true;
  }

private:
  template <typename Key>
  static const Key *keyAt(const Key *keys, unsigned count, double ticks)
  {
    if (count == 1)
      return keys;
    for (unsigned k = 0; k < count; k++)
      if (std::fabs(keys[k].mTime - ticks) < 1e-3)
        return &keys[k];
    return nullptr;
  }

  static bool animated(const aiNodeAnim *a, double ticks, aiMatrix4x4 *out)
  {
    const aiVectorKey *p = keyAt(a->mPositionKeys, a->mNumPositionKeys, ticks);
    const aiQuatKey *r = keyAt(a->mRotationKeys, a->mNumRotationKeys, ticks);
    const aiVectorKey *s = keyAt(a->mScalingKeys, a->mNumScalingKeys, ticks);
    if (!p || !r || !s)
      return false;
    *out = aiMatrix4x4(s->mValue, r->mValue, p->mValue);
    return true;
  }

  // Item nodes are named "NAME_(ID)"; the node above each, "Pivot:NAME_(ID)",
  // carries its motion.
  void collect(const aiNode *node)
  {
    std::string name = node->mName.C_Str();
    size_t open = name.rfind("_(");
    if (open != std::string::npos && name.size() == open + 11 && name.back() == ')' &&
        name.rfind("Pivot:", 0) != 0)
      items[name.substr(open + 2, 8)] = node;
    for (unsigned c = 0; c < node->mNumChildren; c++)
      collect(node->mChildren[c]);
  }

  Assimp::Importer importer;
  const aiScene *scene;
  std::map<std::string, const aiNode *> items;
  std::map<std::string, const aiNodeAnim *> channels;
};

// The item's id as LightWave numbers items: kind digit, then its index
// among the items of its kind in seven hex digits.
std::string itemId(const LwsScene *scene, int32_t index)
{
  const LwsBlock *item = scene->items[index];
  int kind = item->object ? 1 : item->light ? 2 : 3;
  int order = 0;
  for (int32_t i = 0; i < index; i++) {
    const LwsBlock *other = scene->items[i];
    order += (other->object ? 1 : other->light ? 2 : 3) == kind;
  }
  char id[16];
  snprintf(id, sizeof id, "%d%07X", kind, order);
  return id;
}

// Whether every channel of the item and its ancestors has a key at t, or
// only one key: there both readings evaluate the keys themselves.
bool keyedAt(const LwsScene *scene, const LwsBlock *item, float t)
{
  for (int depth = 0; item && depth < 50; depth++) {
    for (int32_t c = 0; c < item->channelCount; c++) {
      const LwsEnvelope &e = item->channels[c];
      bool found = e.keyCount <= 1;
      for (const LwsKey *k = e.keys; k && !found; k = k->next)
        found = std::fabs(k->time - t) < 1e-5f;
      if (!found)
        return false;
    }
    int32_t p = item->parentIndex;
    item = p >= 1 && p <= scene->itemCount ? scene->items[p - 1] : nullptr;
  }
  return true;
}

// Compares every item's world matrix with assimp's at every time that is a
// key of some channel of the scene. Returns the number of comparisons.
int compareScene(const LwsScene *scene, const std::string &path, const char *what)
{
  SCOPED_TRACE(what);
  AssimpScene peer(path);
  EXPECT_TRUE(peer.loaded()) << path;
  if (!peer.loaded())
    return 0;
  std::set<float> times = {0.0f};
  for (int32_t i = 0; i < scene->itemCount; i++)
    for (int32_t c = 0; c < scene->items[i]->channelCount; c++)
      for (const LwsKey *k = scene->items[i]->channels[c].keys; k; k = k->next)
        if (k->time >= 0 && k->time <= scene->lastFrame / scene->framesPerSecond)
          times.insert(k->time);
  int compared = 0;
  for (int32_t i = 0; i < scene->itemCount; i++) {
    const LwsBlock *item = scene->items[i];
    std::string id = itemId(scene, i);
    const aiNode *node = peer.item(id);
    if (item->light)
      continue;  // lights are read but neither drawn nor placed
    EXPECT_NE(node, nullptr) << "no node for item " << id;
    if (!node)
      continue;
    for (float t : times) {
      aiMatrix4x4 a;
      if (!keyedAt(scene, item, t) || !peer.world(node, (double)t * scene->framesPerSecond, &a))
        continue;
      // Undo the mirror: M * A * M with M = diag(1, 1, -1, 1) negates the
      // elements with exactly one index 2 (row c or column 3 of the Z mirror).
      a.a3 = -a.a3, a.b3 = -a.b3, a.c1 = -a.c1, a.c2 = -a.c2, a.c4 = -a.c4, a.d3 = -a.d3;
      float ours[16];
      EXPECT_EQ(LwsGetItemWorld(scene, item, t, ours), LWS_OK);
      double scale = 1.0, worst = 0.0;
      for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
          scale = std::max(scale, (double)std::fabs(a[r][c]));
      // Ours: row vectors, world units; assimp's: column vectors, metres.
      for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) {
          double mine = ours[4 * c + r] / (r < 3 ? scene->worldScale : 1.0f);
          worst = std::max(worst, std::fabs(mine - a[r][c]));
        }
      EXPECT_LE(worst, 1e-4 * scale) << "item " << id << " at " << t << " s";
      compared++;
    }
  }
  return compared;
}

class World : public LwsTest {
protected:
  void SetUp() override
  {
    LwsTest::SetUp();
    MatrixInit();
  }
};

}  // namespace

TEST_F(World, HandMadeScenesMatchAssimp)
{
  Write("marker.lwo", MarkerObject());
  for (const HandCase &c : HandCases()) {
    ASSERT_EQ(Load(HandScene(c.items).substr(9)), 0) << c.name << console;
    EXPECT_EQ(compareScene(scene, dir.path + "/scene.lws", c.name), (int)c.items.size()) << c.name;
  }
}

TEST_F(World, CorpusScenesOfFormatThreeMatchAssimp)
{
  REQUIRE_CORPUS();
  struct Case {
    const char *folder, *scene;
    int atLeast;
  } cases[] = {{"lws/assimp_QuickDraw_v2.2", "LWS/assimp_QuickDraw_v2.2.lws", 40},
               {"lws/assimp_move_x_oldformat_6", "assimp_move_x_oldformat_6.lws", 4}};
  for (const Case &c : cases) {
    std::string folder = CorpusDir() + "/" + c.folder;
    UseHost(folder);
    MatrixInit();
    ASSERT_EQ(LoadFile(c.scene), 0) << c.scene << console;
    EXPECT_GE(compareScene(scene, folder + "/" + c.scene, c.scene), c.atLeast);
  }
}

TEST_F(World, TheDemoSceneMatchesAssimp)
{
  std::vector<GenFile> files;
  ASSERT_EQ(GenShowFiles(files), GEN_OK);
  for (const GenFile &f : files)
    Write(f.path, std::string(f.bytes.begin(), f.bytes.end()));
  ASSERT_EQ(LoadFile("C:\\vorlanth\\vorlanth.lws"), 0) << console;
  // Every item at 0 s; the gyroscope's chain (rings carrying rings carrying
  // the planet) also at its shared keys, 1.25 and 2.5 s; the camera at its
  // keys through the loop.
  EXPECT_GE(compareScene(scene, dir.path + "/vorlanth/vorlanth.lws", "demo"), 70);
}
