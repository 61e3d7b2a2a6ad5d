// Scenes that are not what they claim: wrong format, cut short, past the
// capacities. Each fails with the parsing-problem message and never reads or
// writes outside the text or the records.
#include "lwsscene.h"

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
