// lwinfo on objects: the JSON keys scripts rely on, the host folder, and the
// exit status of a refused object.
#include "lwo_builder.h"

#include <nlohmann/json.hpp>

static CommandResult Lwinfo(const std::string &arguments)
{
  return RunCommand(std::string(MORVANE_BINARY_DIR) + "/lwinfo " + arguments + " 2>/dev/null");
}

TEST_F(LwoTest, LwinfoDescribesWhatTheReaderMade)
{
  Block uv;
  uv.projection = 5;
  uv.uvMap = "uv";
  WriteHostFile(dir.path + "/objects/box.lwo",
                Form({Tags({"Skin", "Plain"}), Pnts(SquarePoints()), Pols({{0, 1, 2, 3}, {0, 1, 2}}),
                      Ptag({{1, 1}}), Clip(1, "maps/skin.tga"), Vmap("TXUV", "uv", {{0, {0, 0}}}),
                      Vmad("uv", {{0, 0, 1, 1}}), Vmap("MORF", "Smile", {{0, {1, 0, 0}}}),
                      Surf("Skin", {Colr(1, 0, 0), Blok(uv)})}));
  // The image is found below the host folder, as the show would find it.
  WriteHostFile(dir.path + "/maps/skin.tga",
                Bytes().u1(0).u1(0).u1(2).u2(0).u2(0).u1(0).u4(0).u1(1).u1(0).u1(1).u1(0).u1(24).u1(0)
                    .u1(1).u1(2).u1(3));
  CommandResult run = Lwinfo("--json --host " + dir.path + " " + dir.path + "/objects/box.lwo");
  ASSERT_EQ(run.status, 0) << run.output;
  nlohmann::json info = nlohmann::json::parse(run.output);
  EXPECT_EQ(info["result"], 0);
  EXPECT_EQ(info["points"], 4);
  EXPECT_EQ(info["polygons"], 2);
  EXPECT_EQ(info["triangles"], 3);
  ASSERT_EQ(info["surfaces"].size(), 2u);
  EXPECT_EQ(info["surfaces"][0]["name"], "Skin");
  EXPECT_EQ(info["surfaces"][0]["triangles"], 2);
  EXPECT_EQ(info["surfaces"][0]["projection"], LWO_PROJ_UV);
  EXPECT_EQ(info["surfaces"][0]["texture"], "maps\\skin.tga");
  EXPECT_EQ(info["surfaces"][0]["textureLoaded"], true);
  EXPECT_TRUE(info["surfaces"][1]["texture"].is_null());
  EXPECT_EQ(info["clips"], nlohmann::json::array({"maps\\skin.tga"}));
  EXPECT_EQ(info["uvMaps"], nlohmann::json::array({"uv"}));
  EXPECT_EQ(info["uvMapSeams"], nlohmann::json::array({2}));  // point 0 in both triangles of the quad
  EXPECT_EQ(info["endomorphs"], nlohmann::json::array({"Smile"}));
  EXPECT_EQ(info["chunks"][0]["id"], "TAGS");

  // Without --host the file's own folder is the host folder: the image is
  // not below it, so the clip cannot be registered and the load fails.
  run = Lwinfo("--json " + dir.path + "/objects/box.lwo");
  EXPECT_EQ(run.status, 1);
  info = nlohmann::json::parse(run.output);
  EXPECT_EQ(info["result"], LWO_ERR_FAILED);
  EXPECT_NE(info["messages"].dump().find("maps\\\\skin.tga"), std::string::npos) << info["messages"];

  run = Lwinfo(dir.path + "/objects/box.lwo --host " + dir.path);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("Skin"), std::string::npos);
  EXPECT_NE(run.output.find("uv (2 seam copies)"), std::string::npos);
}

TEST_F(LwoTest, LwinfoListsTheLayersAndShowsTheOneAskedFor)
{
  WriteHostFile(dir.path + "/layers.lwo",
                Form({Tags({"A"}), Layr(1, "arm", {0.5f, 1, 2}, 0), Pnts(SquarePoints()),
                      Pols({{0, 1, 2, 3}}), Layr(0, "body"), Pnts({0, 0, 0, 1, 0, 0, 0, 1, 0}),
                      Pols({{0, 1, 2}, {2, 1, 0}, {0, 2, 1}})}));
  CommandResult run = Lwinfo("--json " + dir.path + "/layers.lwo");
  ASSERT_EQ(run.status, 0) << run.output;
  nlohmann::json info = nlohmann::json::parse(run.output);
  ASSERT_EQ(info["layers"].size(), 2u);
  const nlohmann::json &arm = info["layers"][0], &body = info["layers"][1];
  EXPECT_EQ(arm["number"], 1);
  EXPECT_EQ(arm["name"], "arm");
  EXPECT_EQ(arm["parent"], 0);
  EXPECT_EQ(arm["pivot"], nlohmann::json::array({0.5, 1.0, 2.0}));
  EXPECT_EQ(arm["points"], 4);
  EXPECT_EQ(arm["polygons"], 1);
  EXPECT_TRUE(body["parent"].is_null());
  EXPECT_EQ(body["points"], 3);
  EXPECT_EQ(body["polygons"], 3);
  EXPECT_EQ(info["layer"], 1);  // the first in the file is shown in full
  EXPECT_EQ(info["triangles"], 2);

  run = Lwinfo("--json --layer 0 " + dir.path + "/layers.lwo");
  ASSERT_EQ(run.status, 0) << run.output;
  info = nlohmann::json::parse(run.output);
  EXPECT_EQ(info["layer"], 0);
  EXPECT_EQ(info["triangles"], 3);

  run = Lwinfo("--layer 4 " + dir.path + "/layers.lwo");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("layer 0 \"body\", parent none"), std::string::npos) << run.output;
  run = RunCommand(std::string(MORVANE_BINARY_DIR) + "/lwinfo --layer 4 " + dir.path +
                   "/layers.lwo 2>&1 >/dev/null");
  EXPECT_NE(run.output.find("layers.lwo has no layer 4 (-18)"), std::string::npos) << run.output;
}
