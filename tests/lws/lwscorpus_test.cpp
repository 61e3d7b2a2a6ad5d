// The corpus scenes: every scene of formats 3, 4 and 5 parses and loads all
// its items and objects, as the show loads a user's scene (files moved out of
// their folders found by name); the LightWave 5 scenes say why they are not read.
#include "lwsscene.h"

struct CorpusScene {
  const char *host;   // folder under corpus/lws that serves as content folder
  const char *scene;  // scene name under it
  int32_t result;
  int32_t items, objects;
};

static const CorpusScene corpusScenes[] = {
    {"assimp_move_x_oldformat_6", "assimp_move_x_oldformat_6.lws", LWS_OK, 3, 1},
    {"assimp_QuickDraw_v2.2", "LWS\\assimp_QuickDraw_v2.2.lws", LWS_OK, 22, 20},
    {"assimp_move_x", "assimp_move_x.lws", LWS_OK, 3, 1},
    {"assimp_move_x_post_constant", "assimp_move_x_post_constant.lws", LWS_OK, 3, 1},
    {"assimp_move_x_post_linear", "assimp_move_x_post_linear.lws", LWS_OK, 3, 1},
    {"assimp_move_x_post_repeat", "assimp_move_x_post_repeat.lws", LWS_OK, 3, 1},
    {"assimp_move_xz_bezier", "assimp_move_xz_bezier.lws", LWS_OK, 3, 1},
    {"assimp_move_xz_linear", "assimp_move_xz_linear.lws", LWS_OK, 3, 1},
    {"assimp_move_xz_spline", "assimp_move_xz_spline.lws", LWS_OK, 3, 1},
    // Its object is named by a path of the machine it was made on; it lies
    // beside the scene.
    {"nangtani_colors0", "nangtani_colors0.lws", LWS_OK, 3, 1},
    {"assimp_move_x_oldformat_56", "assimp_move_x_oldformat_56.lws", LWS_ERR_FAILED, 0, 0},
    {"java3d_ballcone", "java3d_ballcone.lws", LWS_ERR_FAILED, 0, 0},
};

TEST_F(LwsTest, CorpusScenes)
{
  REQUIRE_CORPUS();
  for (const CorpusScene &c : corpusScenes) {
    UseHost(CorpusDir() + "/lws/" + c.host, true);
    EXPECT_EQ(LoadFile(c.scene), c.result) << c.scene << "\n" << console;
    if (c.result != LWS_OK) {
      EXPECT_TRUE(Printed("is a LightWave 5 scene (format ")) << c.scene;
      continue;
    }
    EXPECT_FALSE(Printed("Error")) << console;
    EXPECT_EQ(scene->itemCount, c.items) << c.scene;
    EXPECT_EQ(scene->objectCount, c.objects) << c.scene;
    EXPECT_NE(scene->lightList, nullptr) << c.scene;
    EXPECT_NE(scene->cameraList, nullptr) << c.scene;
    EXPECT_GT(scene->totalTriangles, 0) << c.scene;
    EXPECT_EQ(progressCalls.back(), 100) << c.scene;
    for (int32_t i = 0; i < scene->objectCount; i++)
      EXPECT_TRUE(scene->objects[i]->isNull || scene->objects[i]->triangleCount > 0) << i;
  }
}

// QuickDraw's parents, as its ids name them: the chassis hangs from the
// fifteenth object item (a null), the wheels from the chassis.
TEST_F(LwsTest, CorpusParents)
{
  REQUIRE_CORPUS();
  UseHost(CorpusDir() + "/lws/assimp_QuickDraw_v2.2", true);
  ASSERT_EQ(LoadFile("LWS\\assimp_QuickDraw_v2.2.lws"), LWS_OK) << console;
  EXPECT_EQ(scene->items[0]->parentIndex, 15);
  EXPECT_EQ(scene->items[1]->parentIndex, 1);
  EXPECT_EQ(scene->items[4]->parentIndex, 1);
  EXPECT_EQ(scene->items[5]->parentIndex, 5);
  EXPECT_FALSE(Printed("Warning")) << console;
}

// The first object of the oldformat scene slides along X: its channel 0 is a
// three-key TCB envelope, 0 at time 0 and 2.0691 at 0.6667 s.
TEST_F(LwsTest, CorpusEnvelopeValues)
{
  REQUIRE_CORPUS();
  UseHost(CorpusDir() + "/lws/assimp_move_x_oldformat_6");
  ASSERT_EQ(LoadFile("assimp_move_x_oldformat_6.lws"), LWS_OK) << console;
  const LwsBlock *cube = scene->objectList;
  ASSERT_EQ(cube->channelCount, 9);
  EXPECT_EQ(cube->channels[0].keyCount, 3);
  EXPECT_NEAR(EnvEval(&cube->channels[0], 0.0f), 0.0f, 1e-6);
  EXPECT_NEAR(EnvEval(&cube->channels[0], 2.0f / 3.0f), 2.0691125f, 1e-4);
  EXPECT_NEAR(EnvEval(&cube->channels[6], 1.0f), 0.979758f, 1e-5);
  EXPECT_EQ(scene->lastFrame, 60.0f);
  EXPECT_EQ(scene->framesPerSecond, 30.0f);
  EXPECT_FLOAT_EQ(scene->worldScale, 40.0f);
}
