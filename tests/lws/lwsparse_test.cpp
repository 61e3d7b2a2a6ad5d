// The scene parser on scenes written for each behaviour.
#include "lwsscene.h"

TEST_F(LwsTest, SettingsItemsAndLists)
{
  Write("tri.lwo", TriangleObject());
  ASSERT_EQ(Load("PreviewFirstFrame 5\nPreviewLastFrame 250\nPreviewFrameStep 2\n"
                 "FramesPerSecond 25\n"
                 "LoadObjectLayer 1 tri.lwo\nObjectMotion\nPivotPosition 1 2 3\n"
                 "AddNullObject Handle and more\nLoadObjectLayer 1 tri.lwo\n"
                 "AddLight 20000000\nLightName Sun\nLightMotion\nLightColor 1 0.5 0.25\n"
                 "LightIntensity 0.8\nLightType 0\n"
                 "AddCamera 30000000\nCameraName Cam\nCameraMotion\nZoomFactor 2.5\n"
                 "FrameSize 640 480\nMotionBlur 1\nAntialiasing 0\n"
                 "BackdropColor 0.1 0.2 0.3\nAmbientColor 1 1 1\nAmbientIntensity 0.05\n"
                 "ViewZoomFactor 3.2\nGridSize 1\n"),
            LWS_OK)
      << console;
  EXPECT_EQ(scene->firstFrame, 5.0f);
  EXPECT_EQ(scene->lastFrame, 250.0f);
  EXPECT_EQ(scene->frameStep, 2.0f);
  EXPECT_EQ(scene->framesPerSecond, 25.0f);
  // The grid line comes after the objects; the first pass still scales them.
  EXPECT_FLOAT_EQ(scene->worldScale, 32.0f);
  EXPECT_EQ(scene->gridSize, 1.0f);
  ASSERT_EQ(scene->itemCount, 5);
  ASSERT_EQ(scene->objectCount, 3);
  EXPECT_FLOAT_EQ(scene->objects[0]->worldScale, 32.0f);
  EXPECT_FLOAT_EQ(scene->items[0]->pivot[2], 96.0f);
  EXPECT_EQ(scene->items[0]->motionKind, 1);
  EXPECT_EQ(scene->objects[1]->isNull, 1);
  EXPECT_STREQ(scene->objects[1]->name, "Handle");
  EXPECT_EQ(scene->totalTriangles, 2);
  EXPECT_EQ(scene->objectList, scene->items[0]);
  EXPECT_EQ(scene->objectList->next, scene->items[1]);
  EXPECT_EQ(scene->objectList->next->next->next, nullptr);
  EXPECT_EQ(scene->lightList, scene->items[3]);
  EXPECT_EQ(scene->cameraList, scene->items[4]);
  const LwsLight *light = scene->items[3]->light;
  EXPECT_STREQ(light->name, "Sun");
  EXPECT_EQ(light->type, 3);
  EXPECT_FLOAT_EQ(light->color[2], 0.25f);
  EXPECT_FLOAT_EQ(light->intensity, 0.8f);
  EXPECT_STREQ(scene->items[4]->camera->name, "Cam");
  EXPECT_EQ(scene->items[4]->motionKind, 3);
  EXPECT_FLOAT_EQ(scene->zoomFactor, 2.5f);
  EXPECT_EQ(scene->frameWidth, 640);
  EXPECT_EQ(scene->frameHeight, 480);
  EXPECT_EQ(scene->renderFlags, LWS_RENDER_MOTION_BLUR);
  EXPECT_FLOAT_EQ(scene->backdropColor[1], 0.2f);
  EXPECT_FLOAT_EQ(scene->ambientIntensity, 0.05f);
  EXPECT_EQ(progressCalls, (std::vector<int32_t>{0, 50, 100}));
  EXPECT_EQ(LwsGetCurrent(), scene);
  EXPECT_EQ(LwsGetCurrentFile()->data, nullptr);  // the text is released
  EXPECT_EQ(LwsFree(scene), LWS_OK);
  EXPECT_EQ(LwsFree(nullptr), LWS_ERR_NULL);

  // The other values of the flags, light types and colours.
  ASSERT_EQ(Load("Antialiasing 1\nMotionBlur 0\nAmbientColor 0.25 0.5 0.75\n"
                 "AddLight\nLightType 1\nAddLight\nLightType 2\nAddLight\nLightType 7\n"),
            LWS_OK);
  EXPECT_EQ(scene->renderFlags, LWS_RENDER_ANTIALIASING);
  EXPECT_FLOAT_EQ(scene->ambientColor[0], 0.25f);
  EXPECT_FLOAT_EQ(scene->ambientColor[1], 0.5f);
  EXPECT_FLOAT_EQ(scene->ambientColor[2], 0.75f);
  EXPECT_EQ(scene->items[0]->light->type, 1);
  EXPECT_EQ(scene->items[1]->light->type, 2);
  EXPECT_EQ(scene->items[2]->light->type, 0);  // an unknown code leaves it
}

TEST_F(LwsTest, WorldScaleNeedsTheZoomBeforeTheGrid)
{
  ASSERT_EQ(Load("GridSize 1\nViewZoomFactor 3.2\n"), LWS_OK);
  EXPECT_EQ(scene->worldScale, 0.0f);
  EXPECT_FLOAT_EQ(scene->zoomFactor, 3.2f);  // the default
  ASSERT_EQ(Load("ViewZoomFactor 4\nGridSize 2\n"), LWS_OK);
  EXPECT_FLOAT_EQ(scene->worldScale, 20.0f);
}

TEST_F(LwsTest, ObjectFileNames)
{
  Write("Objects/ship/hull.lwo", TriangleObject());
  Write("a/b.lwo", TriangleObject());
  Write("LWO/c.lwo", TriangleObject());
  ASSERT_EQ(Load("LoadObjectLayer 1 Objects/ship/hull.lwo\nLoadObjectLayer 1 a/b.lwo\n"
                 "LoadObjectLayer 2 ../LWO/c.lwo\n"),
            LWS_OK)
      << console;
  EXPECT_STREQ(scene->objects[0]->name, "Objects\\ship\\hull.lwo");
  EXPECT_STREQ(scene->objects[1]->name, "a\\\\b.lwo");  // a second backslash after "a\"
  EXPECT_STREQ(scene->objects[2]->name, "../LWO/c.lwo");  // slashes after the first '.' stay
  // A missing object fails the parse; its item stays in the record.
  EXPECT_EQ(Load("LoadObjectLayer 1 x/y/z.lwo\n"), LWS_ERR_FAILED);
  EXPECT_TRUE(Printed("Error : can not load x\\\\y\\z.lwo !")) << console;
  EXPECT_TRUE(Printed("Error : there is a parsing problem with scene.lws !"));
  EXPECT_EQ(scene->itemCount, 1);
  // A line with no file name gives an empty name, which does not load.
  EXPECT_EQ(Load("LoadObjectLayer\n"), LWS_ERR_FAILED);
}

TEST_F(LwsTest, TerrainModeBuildsInsteadOfLoading)
{
  // No object file exists: in terrain mode the builder runs instead, and its
  // result does not fail the parse.
  ASSERT_EQ(Load("LoadObjectLayer 1 nothing.lwo\n", 1), LWS_OK) << console;
  EXPECT_EQ(scene->objectCount, 1);
  EXPECT_FALSE(Printed("can not load"));
  EXPECT_EQ(progressCalls, (std::vector<int32_t>{0, 100}));
}

TEST_F(LwsTest, ChannelsAndEnvelopeRows)
{
  ASSERT_EQ(Load("AddNullObject N\nNumChannels 3\nChannel 1\n" + ConstantEnvelope("4") +
                 "Channel 5\n" + ConstantEnvelope("9") +
                 "ObjectDissolve 0.25\nMorphAmount (envelope)\n" + ConstantEnvelope("0.5") +
                 "AddNullObject M\nObjectDissolve (envelope)\n" + ConstantEnvelope("0.75") +
                 "AddCamera 1\nZoomFactor (envelope)\n" + ConstantEnvelope("2") +
                 "AddLight 1\nLightIntensity (envelope)\n" + ConstantEnvelope("3")),
            LWS_OK)
      << console;
  const LwsBlock *n = scene->items[0];
  ASSERT_EQ(n->channelCount, 3);
  EXPECT_EQ(n->channels[0].keyCount, 0);
  EXPECT_EQ(EnvEval(&n->channels[1], 0.0f), 4.0f);
  EXPECT_EQ(n->channels[2].keyCount, 0);  // "Channel 5" is past the count
  EXPECT_EQ(n->dissolveOn, 1);
  EXPECT_FLOAT_EQ(n->dissolve, 0.25f);
  EXPECT_EQ(n->dissolveEnvelope, nullptr);
  EXPECT_FLOAT_EQ(EnvEval(n->morphEnvelope, 0.0f), 0.5f);
  EXPECT_FLOAT_EQ(EnvEval(scene->items[1]->dissolveEnvelope, 0.0f), 0.75f);
  EXPECT_FLOAT_EQ(EnvEval(scene->zoomEnvelope, 0.0f), 2.0f);
  EXPECT_FLOAT_EQ(EnvEval(scene->items[3]->light->intensityEnvelope, 0.0f), 3.0f);
}

TEST_F(LwsTest, MorphGroupsAndEndomorphChannels)
{
  std::string form = "{ MorfForm\n  \"Smile\"\n  x\n" + ConstantEnvelope("0.5") +
                     "{ MorfForm\n  \"Big Grin\"\n  x\n" + ConstantEnvelope("1") + "}\n";
  // A group name is the whole quoted line: cut at its first space, "Face
  // Parts" became "Fac" and no endomorph matched.
  ASSERT_EQ(Load("AddNullObject N\nPlugin 1 MorphMixer\n{ Group\n  1\n  \"Face Parts\"  \n" + form),
            LWS_OK)
      << console;
  const LwsBlock *n = scene->items[0];
  ASSERT_EQ(n->morphChannelCount, 2);
  EXPECT_STREQ(n->morphChannels[0].name, "Face Parts.Smile");
  EXPECT_STREQ(n->morphChannels[1].name, "Face Parts.Big Grin");
  EXPECT_FLOAT_EQ(EnvEval(n->morphChannels[1].envelope, 0.0f), 1.0f);
}

TEST_F(LwsTest, ParentsAndMorphTargets)
{
  std::string items;
  for (int i = 0; i < 17; i++)
    items += "AddNullObject n" + std::to_string(i) + "\n";
  ASSERT_EQ(Load(items + "ParentItem 1000000a\nMorphTarget 2\nAddLight 1\nParentItem 10000010\n"
                         "AddCamera 1\nParentItem 30000003\nMorphTarget 1\n"),
            LWS_OK)
      << console;
  EXPECT_EQ(scene->items[16]->parentIndex, 11);
  EXPECT_EQ(scene->items[16]->parentKind, 1);
  EXPECT_EQ(scene->items[17]->parentIndex, 17);
  EXPECT_EQ(scene->items[18]->parentIndex, 0);  // there is no fourth camera
  EXPECT_TRUE(Printed("item 19 of scene.lws names parent 30000003, which is not in the scene"));
  EXPECT_EQ(scene->objects[1]->isMorphTarget, 1);
  EXPECT_EQ(scene->objects[0]->isMorphTarget, 0);  // a camera's target is not looked at
  // References to items and objects that do not exist are dropped.
  ASSERT_EQ(Load("AddNullObject a\nParentItem 1000009f\nMorphTarget 7\nAddNullObject b\n"
                 "ParentItem 1\nAddNullObject c\nParentItem 1xyz\n"),
            LWS_OK);
  EXPECT_EQ(scene->items[0]->parentIndex, 0);
  EXPECT_EQ(scene->items[0]->morphTarget, 0);
  EXPECT_EQ(scene->items[1]->parentIndex, 1);  // a short id: kind 1, index 0
  EXPECT_EQ(scene->items[2]->parentIndex, 0);  // not an id
  EXPECT_TRUE(Printed("names parent 1000009f, which is not in the scene")) << console;
  EXPECT_TRUE(Printed("names morph target 7, which does not exist"));
}

// An item id is read whole: the kind digit, then the index among the items
// of that kind. Reading only its last two digits as an index into all items
// parented the object below to the first object instead of the light, and
// every item past the 25th to the wrong item.
TEST_F(LwsTest, ParentsOfEveryKindAtAnyIndexEvenLater)
{
  std::string text = "LoadObjectLayer 1 10000000 tri.lwo\nParentItem 20000000\n"  // the light, below
                     "AddNullObject 10000001 wheel\nParentItem 30000000\n";        // the camera
  for (int i = 2; i < 40; i++) {  // object i's parent is object i - 1
    char line[64];
    snprintf(line, sizeof line, "AddNullObject %08x n%d\nParentItem %08x\n", 0x10000000 + i, i,
             0x10000000 + i - 1);
    text += line;
  }
  text += "AddLight 20000000\nParentItem 10000027\nAddCamera 30000000\nParentItem 10000001\n";
  Write("tri.lwo", TriangleObject());
  Write("later.lws", "LWSC\n5\n\n" + text);
  ASSERT_EQ(LoadFile("later.lws"), LWS_OK) << console;
  ASSERT_EQ(scene->itemCount, 42);
  EXPECT_EQ(scene->items[0]->parentIndex, 41);  // the light, the 41st item
  EXPECT_EQ(scene->items[0]->parentKind, LWS_KIND_LIGHT);
  EXPECT_EQ(scene->items[1]->parentIndex, 42);
  EXPECT_EQ(scene->items[1]->parentKind, LWS_KIND_CAMERA);
  EXPECT_EQ(scene->items[39]->parentIndex, 39);  // object 0x27's parent is object 0x26
  EXPECT_EQ(scene->items[40]->parentIndex, 40);  // the light's parent: object 0x27
  EXPECT_EQ(scene->items[41]->parentIndex, 2);
  EXPECT_FALSE(Printed("Warning : item")) << console;
}

// Scenes of LightWave 8 and later: item ids on the item lines, names with
// spaces, keywords the parser does not know, plug-in blocks skipped whole but
// for the morph mixer's, layers counted from 1 on the object's LAYR numbers.
TEST_F(LwsTest, FormatFiveItemsPluginsAndLayers)
{
  Write("Objects/two layers.lwo", TwoLayerObject());
  std::string plugin = "Plugin ItemMotionHandler 1 Oscillator\nNumChannels 2\nChannel 0\n" +
                       ConstantEnvelope("7") + "ParentItem 10000001\nEndPlugin\n";
  std::string mixer = "Plugin DisplacementHandler 1 MorphMixer\n{ Group\n  1\n  \"Face\"\n}\n"
                      "{ MorfForm\n  \"Smile\"\n  x\n" + ConstantEnvelope("0.5") + "}\nEndPlugin\n";
  Write("five.lws", "LWSC\n5\n\nFirstFrame 1\nRenderRangeArbitrary 1-60\n"
                    "LoadObjectLayer 2 10000000 Objects/two layers.lwo\nChangeObject 0\n"
                    "NumChannels 1\nChannel 0\n" + ConstantEnvelope("3") + plugin + mixer +
                    "LoadObjectLayer 1 10000001 Objects/two layers.lwo\nPivotPosition 0 0 1\n"
                    "AddNullObject 10000002 Handle and more\nAddLight 20000000\nLightName Sun\n"
                    "LoadObjectLayer 1 Objects/two layers.lwo\n"  // written without its id
                    "Plugin LightHandler 1 DistantLight\nEndPlugin\nAddCamera 30000000\n"
                    "ViewZoomFactor 2\nGridSize 1\n");
  ASSERT_EQ(LoadFile("five.lws"), LWS_OK) << console;
  ASSERT_EQ(scene->itemCount, 6);
  EXPECT_EQ(scene->objects[3]->vertexCount, 4);  // layer 1: LAYR 0
  const LwsBlock *first = scene->items[0], *second = scene->items[1];
  EXPECT_EQ(first->object->layer, 1);
  EXPECT_EQ(first->object->vertexCount, 3);
  EXPECT_EQ(second->object->layer, 0);
  EXPECT_EQ(second->object->vertexCount, 4);
  EXPECT_STREQ(first->object->name, "Objects\\two layers.lwo");
  // The plug-in's channel and parent are not the item's.
  ASSERT_EQ(first->channelCount, 1);
  EXPECT_EQ(EnvEval(&first->channels[0], 0.0f), 3.0f);
  EXPECT_EQ(first->parentIndex, 0);
  ASSERT_EQ(first->morphChannelCount, 1);
  EXPECT_STREQ(first->morphChannels[0].name, "Face.Smile");
  // Layer 1's LAYR pivot (1, 2, 3) in world units; the scene's own pivot wins.
  EXPECT_FLOAT_EQ(first->pivot[2], 3.0f * 20.0f);
  EXPECT_FLOAT_EQ(second->pivot[0], 0.0f);
  EXPECT_FLOAT_EQ(second->pivot[2], 20.0f);
  EXPECT_STREQ(scene->objects[2]->name, "Handle and more");
  EXPECT_STREQ(scene->items[3]->light->name, "Sun");
  EXPECT_NE(scene->cameraList, nullptr);
}

TEST_F(LwsTest, LinesThatMatchNothingOrNoItem)
{
  ASSERT_EQ(Load("   \nNumChannels 9\nChannel 0\nLightName x\nMorphTarget 1\nParentItem 10000000\n"
                 "AddNullObject n\nLightName y\nCameraName z\nChannel 0\n{ Envelope\n"),
            LWS_OK)
      << console;
  EXPECT_EQ(scene->itemCount, 1);
  EXPECT_EQ(scene->items[0]->channelCount, 0);
  EXPECT_EQ(scene->items[0]->parentIndex, 0);
}
