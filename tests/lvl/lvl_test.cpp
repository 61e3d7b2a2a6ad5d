// Level description files: keys, paths below the file's folder, numbers, and
// the files the reader must not trust (no CR LF at the end, long lines).
#include <gtest/gtest.h>

#include <string>

#include "lvl.h"
#include "mem.h"
#include "testkit.h"

class LvlTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string console;
  LvlRecord level{};

  void SetUp() override
  {
    MachineForTest(dir.path);
    MemFreeAll();
    MemInit();
    MachineCaptureConsole(&console);
  }
  void TearDown() override { MachineCaptureConsole(nullptr); }
  int32_t Load(const std::string &name, const std::string &text)
  {
    std::string path = name;
    for (char &c : path)
      if (c == '\\')
        c = '/';
    if (path.size() > 2 && path[1] == ':')
      path = path.substr(2);
    WriteHostFile(dir.path + "/" + path, text);
    level = LvlRecord{};
    return LvlLoad(&level, name.c_str());
  }
};

TEST_F(LvlTest, KeysAndPaths)
{
  ASSERT_EQ(Load("C:\\data\\test.lvl",
                 "name= First level\r\nworld=maps\\level1.wld\r\ntexture=t.tga\r\n"
                 "posX=-12.25\r\nposY=3\r\nposZ=   7.5\r\nrotX=1e3\r\nrotY=0.5=9\r\n"
                 "posX = 99\r\nNAME=x\r\nno equals here\r\nrotZ=-0.75\r\ncamera=cams\\c.cam"),
            LVL_OK)
      << console;
  EXPECT_STREQ(level.fileName, "C:\\data\\test.lvl");
  EXPECT_STREQ(level.directory, "C:\\data\\");
  EXPECT_STREQ(level.name, " First level");
  EXPECT_STREQ(level.world, "C:\\data\\maps\\level1.wld");
  EXPECT_STREQ(level.texture, "C:\\data\\t.tga");
  EXPECT_FLOAT_EQ(level.posX, -12.25f);  // "posX " is another key
  EXPECT_EQ(level.posY, 3.0f);
  EXPECT_EQ(level.posZ, 7.5f);
  EXPECT_EQ(level.rotX, 0.0f);
  EXPECT_EQ(level.rotY, 0.5f);
  EXPECT_FLOAT_EQ(level.rotZ, -0.75f);
  // The last line, without CR LF, is applied like any other.
  EXPECT_STREQ(level.camera, "C:\\data\\cams\\c.cam");
  EXPECT_EQ(LvlFree(&level), LVL_OK);
  EXPECT_EQ(LvlFree(nullptr), LVL_ERR_NULL);
}

TEST_F(LvlTest, FieldsWithoutTheirKeyKeepTheirValue)
{
  level = LvlRecord{};
  level.posX = 42.0f;
  strcpy(level.name, "kept");
  std::string text = "posY=1\r\n";
  FileData file{};
  file.data = text.data();
  file.size = (int32_t)text.size();
  ASSERT_EQ(LvlParse(&level, &file), LVL_OK);
  EXPECT_EQ(level.posX, 42.0f);
  EXPECT_STREQ(level.name, "kept");
  EXPECT_EQ(level.posY, 1.0f);
  EXPECT_EQ(LvlParse(nullptr, &file), LVL_ERR_NULL);
}

// Lone CR and LF belong to the line; only CR LF ends one.
TEST_F(LvlTest, OnlyCrLfEndsALine)
{
  ASSERT_EQ(Load("a\\b.lvl", "name=x\ny\rz\r\nposX=2\r"), LVL_OK);
  EXPECT_STREQ(level.name, "x\ny\rz");
  EXPECT_EQ(level.posX, 2.0f);  // the lone CR at the very end is only a character
}

TEST_F(LvlTest, DirectoriesOfShortAndBareNames)
{
  ASSERT_EQ(Load("l.l", "world=w\r\n"), LVL_OK);
  EXPECT_STREQ(level.directory, "");
  EXPECT_STREQ(level.world, "w");
  ASSERT_EQ(Load("level.lvl", "world=w\r\n"), LVL_OK);
  EXPECT_STREQ(level.directory, "");
  // A backslash among the last four characters is taken for the extension's.
  ASSERT_EQ(Load("d\\x\\ab", "world=w\r\n"), LVL_OK);
  EXPECT_STREQ(level.directory, "d\\");
}

TEST_F(LvlTest, LongLinesAndPathsAreCut)
{
  std::string longValue(300, 'v');
  ASSERT_EQ(Load("C:\\folder\\l.lvl", "name=" + longValue + "\r\nworld=" + longValue + "\r\nposX=4\r\n"),
            LVL_OK);
  EXPECT_EQ(strlen(level.name), 186u);  // the line is cut at 191 characters
  EXPECT_EQ(strlen(level.world), 191u);
  EXPECT_EQ(std::string(level.world).substr(0, 10), "C:\\folder\\");
  EXPECT_EQ(level.posX, 4.0f);
}

TEST_F(LvlTest, FailuresAndNumbers)
{
  EXPECT_EQ(LvlLoad(nullptr, "x.lvl"), LVL_ERR_NULL);
  EXPECT_EQ(LvlLoad(&level, nullptr), LVL_ERR_NULL);
  EXPECT_EQ(LvlLoad(&level, "absent.lvl"), LVL_ERR_LOAD);
  EXPECT_NE(console.find("Error : absent.lvl can not be opened !"), std::string::npos);
  ASSERT_EQ(Load("empty.lvl", ""), LVL_OK);
  EXPECT_EQ(LvlQstrcmp("a", "a"), 0);
  EXPECT_EQ(LvlQstrcmp("a", "ab"), -1);
}

// The number readers of level files and scene texts.
TEST(LvlNumbers, IntegersWrapAndFloatsRefuseExponents)
{
  EXPECT_EQ(LvlGetINT32("  42"), 42);
  EXPECT_EQ(LvlGetINT32("-17x"), -17);
  EXPECT_EQ(LvlGetINT32("+3"), 0);
  EXPECT_EQ(LvlGetINT32("abc"), 0);
  EXPECT_EQ(LvlGetINT32("2147483647"), 2147483647);
  EXPECT_EQ(LvlGetINT32("-2147483648"), INT32_MIN);
  // Too large for 32 bits: wraps modulo 2^32 (4294967297 = 2^32 + 1).
  EXPECT_EQ(LvlGetINT32("4294967297"), 1);
  EXPECT_EQ(LvlGetINT32("99999999999"), 1215752191);
  EXPECT_EQ(LvlGetINT32("-99999999999"), -1215752191);

  float value = -1.0f;
  EXPECT_EQ(LvlReadFLOAT32("12.50", &value), LVL_OK);
  EXPECT_NEAR(value, 12.5f, 1e-5);
  EXPECT_EQ(LvlGetFLOAT32("-0.75"), -75.0f * 0.1f * 0.1f);  // scaled digit by digit
  EXPECT_EQ(LvlGetFLOAT32("  7"), 7.0f);
  EXPECT_EQ(LvlGetFLOAT32("+3"), 0.0f);
  for (const char *exponent : {"1.5e3", "2E4", "3d1", "1.5D2"}) {
    value = -1.0f;
    EXPECT_EQ(LvlReadFLOAT32(exponent, &value), LVL_ERR_FAILED) << exponent;
    EXPECT_EQ(value, 0.0f) << exponent;
  }
}
