// lwinfo on scenes and level files: the text report, the JSON that other
// programs read, channel values at a time, and the failures.
#include <gtest/gtest.h>

#include <string>

#include "../lws/lwsscene.h"
#include "testkit.h"

static const std::string lwinfo = MORVANE_BINARY_DIR "/lwinfo";

// Runs lwinfo with `arguments` and reads its JSON with Python: the printed
// value of the Python expression `expression` over the object `d`.
static CommandResult jsonQuery(const std::string &arguments, const std::string &expression)
{
  return RunCommand(lwinfo + " " + arguments + " --json 2>/dev/null | /usr/bin/python3 -c "
                    "'import json, sys; d = json.load(sys.stdin); print(" + expression + ")'");
}

static const std::string sceneText =
    "LWSC\n3\n\nPreviewFirstFrame 0\nPreviewLastFrame 90\nFramesPerSecond 30\n"
    "LoadObjectLayer 1 Objects/tri.lwo\nNumChannels 9\nChannel 0\n"
    "{ Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0\n  Key 10 2 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\n"
    "AddNullObject Handle\nParentItem 10000000\nAddCamera 30000000\nCameraName Cam\n"
    "ViewZoomFactor 3.2\nGridSize 1\n";

TEST(LwinfoLws, JsonCarriesTheSceneAsParsed)
{
  TempDir dir;
  WriteHostFile(dir.path + "/Objects/tri.lwo", TriangleObject());
  WriteHostFile(dir.path + "/scene.lws", sceneText);
  std::string scene = dir.path + "/scene.lws";
  CommandResult run = jsonQuery(scene, "d[\"result\"], d[\"worldScale\"], d[\"firstFrame\"], "
                                       "d[\"lastFrame\"], d[\"framesPerSecond\"], len(d[\"items\"])");
  EXPECT_EQ(run.output, "0 32.0 0.0 90.0 30.0 3\n");
  run = jsonQuery(scene, "[(i[\"kind\"], i[\"name\"], i[\"parentIndex\"], i[\"channels\"], "
                         "i.get(\"result\"), i.get(\"triangles\")) for i in d[\"items\"]]");
  EXPECT_EQ(run.output, "[('object', 'Objects\\\\tri.lwo', 0, 9, 0, 1), "
                        "('object', 'Handle', 1, 0, 0, 0), ('camera', 'Cam', 0, 0, None, None)]\n");
  run = jsonQuery(scene + " --eval 1", "d[\"items\"][0][\"values\"][0]");
  EXPECT_EQ(run.output, "5.0\n");
  // World matrices at 1 s, in world units (world scale 32): the object 5 m
  // along X (its scale channels have no keys: 1), the null carried there by
  // it, the camera (no channels) at the origin unturned.
  run = jsonQuery(scene + " --eval 1", "d[\"items\"][0][\"world\"][12], d[\"items\"][1][\"world\"][12], "
                                       "d[\"camera\"][\"item\"], d[\"camera\"][\"world\"]");
  EXPECT_EQ(run.output, "160.0 160.0 3 [32.0, 0.0, 0.0, 0.0, 0.0, 32.0, 0.0, 0.0, 0.0, 0.0, 32.0, 0.0, 0.0, 0.0, 0.0, 1.0]\n");

  run = RunCommand(lwinfo + " " + scene + " --eval 1.5");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("worldScale:       32"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("item 2: object \"Handle\", parent 1, 0 channels"), std::string::npos);
  EXPECT_NE(run.output.find("channel 0 at 1.5 s: 7.5"), std::string::npos);
  EXPECT_NE(run.output.find("load result 0, 3 points, 1 triangles"), std::string::npos);
}

TEST(LwinfoLws, FailuresSayWhy)
{
  TempDir dir;
  WriteHostFile(dir.path + "/scene.lws", sceneText);
  std::string scene = dir.path + "/scene.lws";
  CommandResult run = RunCommand(lwinfo + " " + scene + " 2>&1 >/dev/null");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("the scene does not load (-1)"), std::string::npos) << run.output;
  run = jsonQuery(scene, "d[\"result\"], d[\"items\"][0][\"result\"]");
  EXPECT_EQ(run.output, "-1 -17\n");

  WriteHostFile(dir.path + "/six.lws", "LWSC\n6\n");
  run = RunCommand(lwinfo + " " + dir.path + "/six.lws 2>&1 >/dev/null");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("is not a LightWave scene of format 3 to 5"), std::string::npos) << run.output;
  EXPECT_EQ(RunCommand(lwinfo + " " + dir.path + "/none.lws 2>/dev/null").status, 1);
  TempDir other;
  EXPECT_EQ(RunCommand(lwinfo + " " + scene + " --host " + other.path + " 2>/dev/null").status, 1);
}

// Without --host the content folder is found: the scene's folder, or the
// first of its parents under which its objects are; the report says which.
TEST(LwinfoLws, TheContentFolderIsFoundAndNamed)
{
  TempDir dir;
  WriteHostFile(dir.path + "/Objects/tri.lwo", TriangleObject());
  WriteHostFile(dir.path + "/Scenes/scene.lws", sceneText);
  CommandResult run = jsonQuery(dir.path + "/Scenes/scene.lws", "d[\"result\"], d[\"contentFolder\"]");
  EXPECT_EQ(run.output, "0 " + dir.path + " (1 of 1 objects found there)\n");
  run = RunCommand(lwinfo + " " + dir.path + "/Scenes/scene.lws");
  EXPECT_NE(run.output.find("content folder:   " + dir.path + " (1 of 1"), std::string::npos) << run.output;
  run = jsonQuery(dir.path + "/Scenes/scene.lws --host " + dir.path + "/Scenes", "d[\"contentFolder\"]");
  EXPECT_EQ(run.output, dir.path + "/Scenes (--host)\n");
  if (CorpusDir().empty())
    return;
  std::string root = CorpusDir() + "/lws/assimp_QuickDraw_v2.2";
  run = jsonQuery(root + "/LWS/assimp_QuickDraw_v2.2.lws",
                  "d[\"result\"], len(d[\"items\"]), d[\"totalTriangles\"] > 0, d[\"contentFolder\"]");
  EXPECT_EQ(run.output, "0 22 True " + root + " (11 of 11 objects found there)\n");
}

TEST(LwinfoLvl, PrintsTheRecord)
{
  TempDir dir;
  WriteHostFile(dir.path + "/first.lvl", "name=First\r\nworld=maps\\w.wld\r\nposX=1.5\r\nrotZ=-90");
  CommandResult run = RunCommand(lwinfo + " " + dir.path + "/first.lvl");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("name:       First\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("world:      C:\\maps\\w.wld\n"), std::string::npos);
  EXPECT_NE(run.output.find("position:   1.5, 0, 0\n"), std::string::npos);
  EXPECT_NE(run.output.find("rotation:   0, 0, -90\n"), std::string::npos);
}
