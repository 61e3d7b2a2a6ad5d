// Scenes that are not what they claim: wrong format, cut short, past the
// capacities. Each fails with the parsing-problem message and never reads or
// writes outside the text or the records.
#include "lwsscene.h"
#include "matrix.h"

TEST_F(LwsTest, ArgumentsAndMissingFiles)
{
  LwsScene record{};
  EXPECT_EQ(LwsLoad(nullptr, "x.lws", nullptr), LWS_ERR_NULL);
  EXPECT_EQ(LwsLoad(&record, nullptr, nullptr), LWS_ERR_NULL);
  EXPECT_EQ(LwsInit(nullptr), LWS_ERR_NULL);
  EXPECT_EQ(LoadFile("missing.lws"), LWS_ERR_LOAD);
  EXPECT_TRUE(Printed("Error : missing.lws can not be opened !")) << console;
}

TEST_F(LwsTest, OtherFormatsSayWhy)
{
  for (const char *text : {"LWSC\n6\n", "LWSC\n", "", "LWOB\n3\n", "LWSC\n0\n"}) {
    Write("other.lws", text);
    EXPECT_EQ(LoadFile("other.lws"), LWS_ERR_FAILED) << text;
    EXPECT_TRUE(Printed("Error : other.lws is not a LightWave scene of format 3 to 5 !")) << text;
    EXPECT_TRUE(Printed("Error : there is a parsing problem with other.lws !")) << text;
  }
  for (const char *text : {"LWSC\n1\nLoadObject a.lwo\n", "LWSC\n2\n"}) {
    Write("old.lws", text);
    EXPECT_EQ(LoadFile("old.lws"), LWS_ERR_FAILED) << text;
    EXPECT_TRUE(Printed("Error : old.lws is a LightWave 5 scene (format " + std::string(1, text[5]) +
                        "), which is not read !")) << console;
  }
}

TEST_F(LwsTest, BlocksCutShortByTheEnd)
{
  std::string env = ConstantEnvelope("1");
  const std::string bodies[] = {
      "AddNullObject n\nNumChannels 9\nChannel 0\n",
      "AddNullObject n\nNumChannels 9\nChannel 0\n{ Envelope\n  2\n  Key 1 0 3 0 0 0 0 0 0\n",
      "AddNullObject n\nNumChannels 9\nChannel 0\n" + env.substr(0, env.size() - 25),
      "AddNullObject n\n{ MorfForm\n",
      "AddNullObject n\n{ MorfForm\n \"a\"\n",
      "AddNullObject n\nObjectDissolve (envelope)\n{ Envelope\n",
      "ZoomFactor (envelope)\n",
      "{ Group\n 1\n",
  };
  for (const std::string &body : bodies) {
    EXPECT_EQ(Load(body), LWS_ERR_FAILED) << body;
    EXPECT_TRUE(Printed("there is a parsing problem")) << body;
  }
}

// A key count far beyond the lines left fails before any key is allocated.
TEST_F(LwsTest, HugeKeyCountsTakeNoPool)
{
  int32_t before = MemGetUsed();
  EXPECT_EQ(Load("AddNullObject n\nNumChannels 9\nChannel 0\n{ Envelope\n 2000000000\n Key 1\n"),
            LWS_ERR_FAILED);
  EXPECT_LT(MemGetUsed() - before, 64 * 1024);
  EXPECT_EQ(Load("AddNullObject n\nNumChannels 2000000000\n"), LWS_ERR_FAILED);
  EXPECT_EQ(Load("AddNullObject n\nNumChannels -1\n"), LWS_ERR_FAILED);
  // A second count that the pool cannot hold keeps the first channels whole.
  EXPECT_EQ(Load("AddNullObject n\nNumChannels 9\nNumChannels 50000000\n"), LWS_ERR_FAILED);
  EXPECT_EQ(scene->items[0]->channelCount, 9);
  EXPECT_NE(scene->items[0]->channels, nullptr);
  // Negative key counts read no keys.
  ASSERT_EQ(Load("AddNullObject n\nNumChannels 1\nChannel 0\n{ Envelope\n -5\n Behaviors 1 1\n}\n"),
            LWS_OK);
  EXPECT_EQ(scene->items[0]->channels[0].keyCount, 0);
}

TEST_F(LwsTest, CapacitiesFailTheParse)
{
  std::string lights;
  for (int i = 0; i < LWS_MAX_ITEMS; i++)
    lights += "AddLight 1\n";
  ASSERT_EQ(Load(lights), LWS_OK);
  EXPECT_EQ(scene->itemCount, LWS_MAX_ITEMS);
  EXPECT_EQ(Load(lights + "AddNullObject one too many\n"), LWS_ERR_FAILED);
  EXPECT_TRUE(Printed("has more than 300 items")) << console;
  EXPECT_EQ(scene->itemCount, LWS_MAX_ITEMS);

  std::string forms = "AddNullObject n\n";
  for (int i = 0; i < LWS_MAX_MORPH_CHANNELS; i++)
    forms += "{ MorfForm\n \"m\"\n x\n" + ConstantEnvelope("1");
  ASSERT_EQ(Load(forms), LWS_OK);
  EXPECT_EQ(scene->items[0]->morphChannelCount, LWS_MAX_MORPH_CHANNELS);
  EXPECT_EQ(Load(forms + "{ MorfForm\n \"m\"\n x\n" + ConstantEnvelope("1")), LWS_ERR_FAILED);
  EXPECT_EQ(scene->items[0]->morphChannelCount, LWS_MAX_MORPH_CHANNELS);
}

// Lines are cut to 191 characters, so names never outgrow their records:
// "AddNullObject " leaves 177 for the name, "LightName " 181.
TEST_F(LwsTest, LongNamesAreCut)
{
  std::string longName(400, 'n');
  ASSERT_EQ(Load("AddNullObject " + longName + "\nAddLight 1\nLightName " + longName +
                 "\nAddNullObject m\n{ Group\n 1\n \"" + longName + "\"\n{ MorfForm\n \"" + longName +
                 " " + longName + "\"\n x\n" + ConstantEnvelope("1")),
            LWS_OK)
      << console;
  EXPECT_EQ(strlen(scene->objects[0]->name), 177u);
  EXPECT_EQ(strlen(scene->items[1]->light->name), 181u);
  EXPECT_EQ(strlen(scene->items[2]->morphChannels[0].name), 191u);
  EXPECT_EQ(Load("LoadObjectLayer 1 a/" + longName + "\n"), LWS_ERR_FAILED);
}

// The numbers playback divides by. Left as the text gave them, a scene
// without a frame size had a projection of 0 / 0 (NaN) and one without a
// frame rate a scene time of 60 / 0 (infinite), and drew nothing; a grid of 0
// made the world scale infinite. Each is defaulted or refused, and says so.
TEST_F(LwsTest, SceneNumbersThatWouldDivideByZero)
{
  ASSERT_EQ(Load("PreviewLastFrame 60\nAddNullObject n\n"), LWS_OK) << console;
  EXPECT_TRUE(Printed("Warning : scene.lws has no frame size, 640 x 480 is used !")) << console;
  EXPECT_TRUE(Printed("Warning : scene.lws has no frame rate, 30 frames a second are used !"));
  EXPECT_EQ(scene->frameWidth, 640);
  EXPECT_EQ(scene->frameHeight, 480);
  EXPECT_EQ(scene->framesPerSecond, 30.0f);
  MatrixInit();
  scene->halfWidth = 256;
  scene->halfHeight = 128;
  scene->playPosition = 0.5f;
  ASSERT_EQ(LwsEnable(scene), LWS_OK);
  EXPECT_FLOAT_EQ(LwsGetTime(), 1.0f);  // half of 60 frames at 30 a second
  const float *m = MatrixGet(MATRIX_PROJECTION)->m;
  // 640 x 480 at zoom 3.2: x spans +-0.41667 at the near plane, times 256.
  EXPECT_NEAR(m[0], 256.0f / 0.4166667f, 0.05f);
  EXPECT_NEAR(m[5], 128.0f / 0.3125f, 0.05f);

  // Half a frame size, a frame rate of 0, below 0 or not a number.
  for (const char *numbers : {"FrameSize 640 0\nFramesPerSecond 0\n", "FrameSize -1 480\nFramesPerSecond -25\n",
                              "FrameSize 0 0\nFramesPerSecond nan\n", "FramesPerSecond inf\n"}) {
    ASSERT_EQ(Load(numbers), LWS_OK) << numbers;
    EXPECT_EQ(scene->frameWidth * 3, scene->frameHeight * 4) << numbers;
    EXPECT_EQ(scene->framesPerSecond, 30.0f) << numbers;
    EXPECT_TRUE(Printed("no frame rate")) << numbers;
  }
  // Given numbers stay, without a word.
  ASSERT_EQ(Load("FrameSize 320 240\nFramesPerSecond 25\n"), LWS_OK);
  EXPECT_EQ(scene->frameWidth, 320);
  EXPECT_EQ(scene->framesPerSecond, 25.0f);
  EXPECT_EQ(console, "");

  // A grid of 0: 10 / 0 x 3.2 is infinite, 10 / 0 x 0 NaN.
  for (const char *grid : {"ViewZoomFactor 3.2\nGridSize 0\n", "ViewZoomFactor 0\nGridSize 0\n"}) {
    EXPECT_EQ(Load(std::string("AddNullObject n\n") + grid), LWS_ERR_FAILED) << grid;
    EXPECT_TRUE(Printed("Error : scene.lws has a grid size of 0, which gives no world scale !")) << console;
    EXPECT_TRUE(Printed("there is a parsing problem"));
  }
}

// A bone block has item lines of its own. Taken as the object's, a bone's
// channels replaced the object's, its pivot moved it and its parent (the
// object) made the object its own parent.
TEST_F(LwsTest, BoneBlocksAreSkippedWhole)
{
  ASSERT_EQ(Load("AddNullObject Body\nAddNullObject Arm\nPivotPosition 1 2 3\nNumChannels 1\n"
                 "Channel 0\n" + ConstantEnvelope("7") + "ParentItem 10000000\n"
                 "BoneFalloffType 5\nAddBone\nBoneName Bone\nBoneRestPosition 0 0 0\nBoneMotion\n"
                 "NumChannels 9\nChannel 0\n" + ConstantEnvelope("99") + "ParentItem 10000001\n"
                 "AddBone 40000001\nBoneName Bone2\nPivotPosition 9 9 9\nParentItem 40000000\n"
                 "AddLight\nLightName Sun\nParentItem 10000001\n"
                 "ViewZoomFactor 1\nGridSize 10\n"),
            LWS_OK)
      << console;
  ASSERT_EQ(scene->itemCount, 3);
  const LwsBlock *arm = scene->items[1];
  ASSERT_EQ(arm->channelCount, 1);
  EXPECT_EQ(EnvEval(&arm->channels[0], 0.0f), 7.0f);
  EXPECT_EQ(arm->parentIndex, 1);
  EXPECT_EQ(arm->pivot[0], 1.0f);
  EXPECT_EQ(arm->pivot[2], 3.0f);
  EXPECT_STREQ(scene->items[2]->light->name, "Sun");  // the next item reads as before
  EXPECT_EQ(scene->items[2]->parentIndex, 2);
}

// An ancestor without scale channels scales its children by 1, not by 0: a
// camera has six channels, and a light may count nine but give only six.
TEST_F(LwsTest, AncestorsWithoutScaleChannels)
{
  std::string six;
  for (int k = 0; k < 6; k++)
    six += "Channel " + std::to_string(k) + "\n" + ConstantEnvelope(k == 2 ? "5" : "0");
  ASSERT_EQ(Load("AddCamera\nCameraMotion\nNumChannels 6\n" + six + "AddLight\nNumChannels 9\n" + six +
                 "AddNullObject OnCamera\nParentItem 30000000\nAddNullObject OnLight\nParentItem 20000000\n"
                 "ViewZoomFactor 1\nGridSize 10\n"),
            LWS_OK)
      << console;
  MatrixInit();
  for (int i : {2, 3}) {
    float world[16];
    ASSERT_EQ(LwsGetItemWorld(scene, scene->items[i], 0.0f, world), LWS_OK);
    // The item's own scale (world scale 1) times the ancestor's: 1.
    EXPECT_FLOAT_EQ(world[0], 1.0f) << i;
    EXPECT_FLOAT_EQ(world[5], 1.0f) << i;
    EXPECT_FLOAT_EQ(world[10], 1.0f) << i;
    EXPECT_FLOAT_EQ(world[14], 5.0f) << i;  // carried 5 along Z by its parent
  }
}
