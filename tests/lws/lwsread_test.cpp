// The scene text reader: line ends, tokens, the capacity rules, numbers.
#include <gtest/gtest.h>

#include "lwstext.h"
#include "testkit.h"

TEST(LwsRead, LineEndsOfEveryKindGiveTheSameLines)
{
  for (const char *text : {"a b\r\nc\r\n", "a b\nc\n", "a b\rc\r", "a b\nc"}) {
    SetSceneText(text);
    EXPECT_EQ(NextLine(), "a b") << text;
    EXPECT_EQ(NextLine(), "c") << text;
    EXPECT_EQ(lwsTextLeft(), 0) << text;
  }
  // CR LF LF is a line and then an empty one.
  SetSceneText("x\r\n\ny\n");
  EXPECT_EQ(NextLine(), "x");
  EXPECT_EQ(NextLine(), "");
  EXPECT_EQ(NextLine(), "y");
  EXPECT_EQ(lwsGetOffset(), 6);
  // Past the end the reader gives empty lines and stays put.
  EXPECT_EQ(NextLine(), "");
  EXPECT_EQ(lwsGetOffset(), 6);
}

// The next line's tokens, as many as the reader counts.
static std::vector<std::string> NextTokens(void)
{
  lwsGetLine();
  LwsComputeParams();
  return std::vector<std::string>(lwsToken, lwsToken + lwsParamsCount);
}

TEST(LwsRead, TokensSplitOnSpacesOnly)
{
  SetSceneText("FrameSize 640 480\nTwo  words\nTrail ing \n   \nTab\tbed x\n");
  EXPECT_EQ(NextTokens(), (std::vector<std::string>{"FrameSize", "640", "480"}));
  EXPECT_EQ(NextTokens(), (std::vector<std::string>{"Two", "words"}));
  EXPECT_EQ(NextTokens(), (std::vector<std::string>{"Trail", "ing", ""}));
  EXPECT_EQ(NextTokens(), (std::vector<std::string>{""}));
  EXPECT_EQ(NextTokens(), (std::vector<std::string>{"Tab\tbed", "x"}));
}

TEST(LwsRead, TokensPastTheTenthJoinTheTenth)
{
  SetSceneText("k 1 2 3 4 5 6 7 8 9 10 11 12\n");
  lwsGetLine();
  LwsComputeParams();
  EXPECT_EQ(lwsParamsCount, 13);
  EXPECT_STREQ(lwsToken[9], "9");
  EXPECT_STREQ(lwsToken[10], "101112");
}

// Lines and tokens longer than the buffers are cut, never written past them,
// and the reader goes on with the next line.
TEST(LwsRead, LongLinesAndTokensAreCut)
{
  std::string longWord(500, 'w');
  std::string tail;
  for (int i = 0; i < 200; i++)
    tail += " t" + std::to_string(i);
  SetSceneText(longWord + "\nk 1 2 3 4 5 6 7 8 9 10" + tail + "\nnext\n");
  lwsGetLine();
  EXPECT_EQ(strlen(lwsLine), 191u);
  LwsComputeParams();
  EXPECT_EQ(strlen(lwsToken[0]), 191u);
  lwsGetLine();
  LwsComputeParams();
  EXPECT_LE(strlen(lwsToken[10]), 191u);
  EXPECT_STREQ(lwsToken[0], "k");
  EXPECT_EQ(NextLine(), "next");
}

TEST(LwsRead, WordsAndFloatMessages)
{
  SetSceneText("");
  EXPECT_EQ(lwsQstrcmp("Channel", "Channels"), -1);
  EXPECT_EQ(lwsQstrcmp("Channel", "channel"), -1);
  EXPECT_EQ(lwsQstrcmp("", ""), 0);
  // The numbers themselves are the level reader's (tests/lvl); the scene
  // reader adds the message for a number it cannot read.
  std::string console;
  MachineCaptureConsole(&console);
  EXPECT_NEAR(lwsGetFLOAT32("-12.50"), -12.5f, 1e-5);
  EXPECT_TRUE(console.empty());
  EXPECT_EQ(lwsGetFLOAT32("1.5e3"), 0.0f);
  MachineCaptureConsole(nullptr);
  EXPECT_NE(console.find("Error : too complex float value !"), std::string::npos);
}
