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
  EXPECT_EQ(getOffset(), 6);
  // Past the end the reader gives empty lines and stays put.
  EXPECT_EQ(NextLine(), "");
  EXPECT_EQ(getOffset(), 6);
}

TEST(LwsRead, TokensSplitOnSpacesOnly)
{
  SetSceneText("FrameSize 640 480\nTwo  words\nTrail ing \n   \nTab\tbed x\n");
  getLine();
  LwsComputeParams();
  EXPECT_STREQ(lwsToken[0], "FrameSize");
  EXPECT_STREQ(lwsToken[1], "640");
  EXPECT_STREQ(lwsToken[2], "480");
  EXPECT_EQ(paramsCount, 3);
  getLine();
  LwsComputeParams();
  EXPECT_STREQ(lwsToken[1], "words");
  EXPECT_EQ(paramsCount, 2);
  getLine();
  LwsComputeParams();
  EXPECT_EQ(paramsCount, 3);
  EXPECT_STREQ(lwsToken[2], "");
  getLine();
  LwsComputeParams();
  EXPECT_STREQ(lwsToken[0], "");
  EXPECT_EQ(paramsCount, 1);
  getLine();
  LwsComputeParams();
  EXPECT_STREQ(lwsToken[0], "Tab\tbed");
}

TEST(LwsRead, TokensPastTheTenthJoinTheTenth)
{
  SetSceneText("k 1 2 3 4 5 6 7 8 9 10 11 12\n");
  getLine();
  LwsComputeParams();
  EXPECT_EQ(paramsCount, 13);
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
  getLine();
  EXPECT_EQ(strlen(lwsLine), 191u);
  LwsComputeParams();
  EXPECT_EQ(strlen(lwsToken[0]), 191u);
  getLine();
  LwsComputeParams();
  EXPECT_LE(strlen(lwsToken[10]), 191u);
  EXPECT_STREQ(lwsToken[0], "k");
  EXPECT_EQ(NextLine(), "next");
}

TEST(LwsRead, WordsAndIntegers)
{
  SetSceneText("");
  EXPECT_EQ(qstrcmp("Channel", "Channels"), -1);
  EXPECT_EQ(qstrcmp("Channel", "channel"), -1);
  EXPECT_EQ(qstrcmp("", ""), 0);
  EXPECT_EQ(getINT32("  42"), 42);
  EXPECT_EQ(getINT32("-17x"), -17);
  EXPECT_EQ(getINT32("+3"), 0);
  EXPECT_EQ(getINT32("abc"), 0);
  EXPECT_EQ(getINT32("2147483647"), 2147483647);
  EXPECT_EQ(getINT32("-2147483648"), INT32_MIN);
  // Too large for 32 bits: wraps modulo 2^32 (4294967297 = 2^32 + 1).
  EXPECT_EQ(getINT32("4294967297"), 1);
  EXPECT_EQ(getINT32("99999999999"), 1215752191);
  EXPECT_EQ(getINT32("-99999999999"), -1215752191);
}

TEST(LwsRead, Floats)
{
  std::string console;
  MachineCaptureConsole(&console);
  EXPECT_EQ(getFLOAT32("12.50"), 1250.0f * 0.1f * 0.1f);
  EXPECT_NEAR(getFLOAT32("12.50"), 12.5f, 1e-5);
  EXPECT_EQ(getFLOAT32("-0.75"), -75.0f * 0.1f * 0.1f);
  EXPECT_EQ(getFLOAT32("+3"), 0.0f);
  EXPECT_EQ(getFLOAT32("  7"), 7.0f);
  EXPECT_TRUE(console.empty());
  EXPECT_EQ(getFLOAT32("1.5e3"), 0.0f);
  EXPECT_EQ(getFLOAT32("2E4"), 0.0f);
  EXPECT_EQ(getFLOAT32("3d1"), 0.0f);
  MachineCaptureConsole(nullptr);
  EXPECT_NE(console.find("Error : too complex float value !"), std::string::npos);
}
