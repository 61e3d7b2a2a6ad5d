// The generated scene text: format, the files it names, its envelopes and
// the cross references (parents, morph targets, endomorph names) between it
// and the objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "contentkit.h"

namespace {
struct SceneItem {
  std::string line;               // the line that adds the item
  std::string file;               // object file, for LoadObjectLayer
  int parent = 0;                 // 1-based item index, 0 none
  int morphTarget = 0;            // 1-based object index, 0 none
  std::vector<std::string> morfs; // endomorph channel names
};
}

static std::vector<std::string> tokens(const std::string &line)
{
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string t; in >> t;)
    out.push_back(t);
  return out;
}

static std::vector<std::string> lines(void)
{
  std::ifstream in(ContentDir() + "/vorlanth/vorlanth.lws");
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);)
    out.push_back(line);
  return out;
}

static std::vector<SceneItem> sceneItems(const std::vector<std::string> &text)
{
  std::vector<SceneItem> items;
  for (size_t i = 0; i < text.size(); i++) {
    std::vector<std::string> t = tokens(text[i]);
    if (t.empty())
      continue;
    if (t[0] == "LoadObjectLayer" || t[0] == "AddNullObject" || t[0] == "AddLight" || t[0] == "AddCamera") {
      items.push_back(SceneItem{text[i], "", 0, 0, {}});
      if (t[0] == "LoadObjectLayer")
        items.back().file = text[i].substr(text[i].find(' ', 16) + 1);
    } else if (t[0] == "ParentItem") {
      std::string id = t[1];
      items.back().parent = 1 + (int)std::stoul(id.substr(1), nullptr, 16);
      EXPECT_EQ(id[0], '1') << "parents are objects";
    } else if (t[0] == "MorphTarget") {
      items.back().morphTarget = std::stoi(t[1]);
    } else if (t.size() >= 2 && t[1] == "MorfForm" && i + 1 < text.size()) {
      std::string name = tokens(text[i + 1])[0];
      items.back().morfs.push_back(name.substr(1, name.size() - 2));
    }
  }
  return items;
}

// Every envelope: the key count matches its keys, key lines carry value,
// time, shape and six parameters in plain decimals, times grow, and a
// Behaviors line closes it. Gathers the key shapes and behaviours used.
static void checkEnvelopes(const std::vector<std::string> &text, int &count, std::set<int> &shapes,
                           std::set<int> &behaviours)
{
  count = 0;
  for (size_t i = 0; i + 1 < text.size(); i++) {
    if (tokens(text[i]) != std::vector<std::string>{"{", "Envelope"})
      continue;
    count++;
    int keys = std::stoi(text[i + 1]);
    if (i + 2 + (size_t)keys >= text.size())
      break;
    EXPECT_GE(keys, 1);
    double lastTime = -1e9;
    for (int k = 0; k < keys; k++) {
      std::vector<std::string> t = tokens(text[i + 2 + (size_t)k]);
      EXPECT_EQ(t.size(), 10u) << text[i + 2 + (size_t)k];
      if (t.size() != 10)
        continue;
      EXPECT_EQ(t[0], "Key");
      for (size_t n = 1; n < t.size(); n++)
        EXPECT_EQ(t[n].find_first_not_of("-0123456789."), std::string::npos) << t[n];
      EXPECT_GT(std::stod(t[2]), lastTime);
      lastTime = std::stod(t[2]);
      shapes.insert(std::stoi(t[3]));
    }
    std::vector<std::string> b = tokens(text[i + 2 + (size_t)keys]);
    EXPECT_TRUE(b.size() == 3 && b[0] == "Behaviors") << text[i + 2 + (size_t)keys];
    if (b.size() == 3) {
      behaviours.insert(std::stoi(b[1]));
      behaviours.insert(std::stoi(b[2]));
    }
  }
}

static std::set<std::string> morphNames(const std::string &path)
{
  std::set<std::string> names;
  LwoFile f = LwoRead(path);
  for (const Chunk &c : f.chunks)
    if (c.id == "VMAP" && std::string(f.bytes.begin() + (long)c.offset, f.bytes.begin() + (long)c.offset + 4) == "MORF") {
      size_t at = c.offset + 6;
      names.insert(BeS0(f.bytes, at));
    }
  return names;
}

static uint32_t pointCount(const std::string &path)
{
  for (const Chunk &c : LwoRead(path).chunks)
    if (c.id == "PNTS")
      return c.size / 12;
  return 0;
}

TEST(Scene, IsFormatThreeAndTimedForOneLoop)
{
  ASSERT_FALSE(ContentDir().empty());
  std::vector<std::string> text = lines();
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text[0], "LWSC");
  EXPECT_EQ(text[1], "3");
  std::map<std::string, std::string> settings;
  for (const std::string &line : text) {
    std::vector<std::string> t = tokens(line);
    if (t.size() == 2)
      settings[t[0]] = t[1];
  }
  // 1250 drawn frames cover scene time 0 .. PreviewLastFrame / FramesPerSecond.
  EXPECT_EQ(std::stod(settings["PreviewLastFrame"]) / std::stod(settings["FramesPerSecond"]), 25.0);
  // World scale 10 / GridSize x ViewZoomFactor: the zoom line comes first.
  EXPECT_EQ(10.0 / std::stod(settings["GridSize"]) * std::stod(settings["ViewZoomFactor"]), 10.0);
  size_t zoomLine = 0, gridLine = 0;
  for (size_t i = 0; i < text.size(); i++) {
    zoomLine = text[i].rfind("ViewZoomFactor", 0) == 0 ? i : zoomLine;
    gridLine = text[i].rfind("GridSize", 0) == 0 ? i : gridLine;
  }
  EXPECT_LT(zoomLine, gridLine);
  // Each envelope block is announced where the scene reader expects it: on
  // the line before (a channel, or a value given as "(envelope)"), or two
  // lines before for an endomorph weight (its name, then one more line).
  for (size_t i = 0; i < text.size(); i++) {
    if (tokens(text[i]) != std::vector<std::string>{"{", "Envelope"})
      continue;
    std::vector<std::string> before = tokens(text[i - 1]);
    bool announced = (before.size() == 2 && (before[0] == "Channel" || before[1] == "(envelope)")) ||
                     (i >= 3 && tokens(text[i - 3]) == std::vector<std::string>{"{", "MorfForm"});
    EXPECT_TRUE(announced) << "envelope at line " << i + 1;
  }
  int envelopes = 0;
  std::set<int> shapes, behaviours;
  checkEnvelopes(text, envelopes, shapes, behaviours);
  EXPECT_GT(envelopes, 100);
  EXPECT_EQ(behaviours, (std::set<int>{0, 1, 2, 3, 4, 5})) << "every behaviour is used";
  // The camera's own motion channels fly on every key shape.
  auto camera = std::find(text.begin(), text.end(), "AddCamera");
  auto zoom = std::find(camera, text.end(), "ZoomFactor (envelope)");
  ASSERT_NE(zoom, text.end());
  int cameraEnvelopes = 0;
  shapes.clear();
  checkEnvelopes(std::vector<std::string>(camera, zoom), cameraEnvelopes, shapes, behaviours);
  EXPECT_EQ(cameraEnvelopes, 6);
  EXPECT_EQ(shapes, (std::set<int>{0, 1, 2, 3, 4, 5})) << "every key shape is used";
}

// The items the player must handle: objects naming files that exist, a null
// with children, a parent chain three deep, a morph-target pair of equal
// point counts, endomorph channels naming the object's endomorphs, a light,
// one camera, a dissolve and a zoom envelope.
TEST(Scene, ItemsReferToWhatExists)
{
  std::vector<std::string> text = lines();
  std::vector<SceneItem> items = sceneItems(text);
  int objects = 0, nulls = 0, lights = 0, cameras = 0, deepest = 0, nullChildren = 0, morfs = 0;
  for (size_t i = 0; i < items.size(); i++) {
    const SceneItem &item = items[i];
    objects += !item.file.empty();
    nulls += item.line.rfind("AddNullObject", 0) == 0;
    lights += item.line == "AddLight";
    cameras += item.line == "AddCamera";
    if (!item.file.empty()) {
      EXPECT_TRUE(std::filesystem::exists(ContentDir() + "/vorlanth/" + item.file.substr(12))) << item.file;
    }
    int depth = 0;
    for (int p = item.parent; p > 0 && depth < 10; p = items[(size_t)p - 1].parent, depth++)
      ASSERT_LE(p, (int)i) << "parent after child or itself";
    deepest = std::max(deepest, depth);
    nullChildren += item.parent > 0 && items[(size_t)item.parent - 1].line.rfind("AddNullObject", 0) == 0;
    if (item.morphTarget > 0) {
      ASSERT_LE(item.morphTarget, (int)items.size());
      const SceneItem &target = items[(size_t)item.morphTarget - 1];
      ASSERT_FALSE(target.file.empty());
      EXPECT_EQ(pointCount(ContentDir() + "/vorlanth/" + item.file.substr(12)),
                pointCount(ContentDir() + "/vorlanth/" + target.file.substr(12)));
    }
    if (!item.morfs.empty()) {
      std::set<std::string> names = morphNames(ContentDir() + "/vorlanth/" + item.file.substr(12));
      for (const std::string &m : item.morfs)
        EXPECT_EQ(names.count(m), 1u) << "endomorph channel " << m;
      morfs += (int)item.morfs.size();
    }
  }
  EXPECT_GE(objects, 9);
  EXPECT_EQ(nulls, 1);
  EXPECT_GE(nullChildren, 2);
  EXPECT_GE(deepest, 3);
  EXPECT_GE(morfs, 2);
  EXPECT_EQ(lights, 1);
  EXPECT_EQ(cameras, 1);
  std::string all;
  for (const std::string &line : text)
    all += line + "\n";
  EXPECT_NE(all.find("ObjectDissolve (envelope)"), std::string::npos);
  EXPECT_NE(all.find("ZoomFactor (envelope)"), std::string::npos);
  EXPECT_NE(all.find("MorphAmount (envelope)"), std::string::npos);
}
