// lwinfo's command line and output: only regular files read, options that do
// not apply refused, JSON for images, Latin-1 names as UTF-8, failed output.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sys/stat.h>

#include "../lws/lwsscene.h"
#include "testkit.h"

namespace fs = std::filesystem;

static const std::string lwinfo = MORVANE_BINARY_DIR "/lwinfo";

// A 1 x 1 true-colour TGA.
static std::string pixelTga(void)
{
  std::string file(18, '\0');
  file[2] = 2;
  file[12] = 1;
  file[14] = 1;
  file[16] = 24;
  return file + std::string("\x10\x20\x30", 3);
}

// A folder, a FIFO or a device named like an input file is refused at once.
TEST(LwinfoCli, OnlyRegularFilesAreRead)
{
  TempDir dir;
  fs::create_directory(dir.path + "/folder.tga");
  fs::create_directory(dir.path + "/folder.lwo");
  ASSERT_EQ(mkfifo((dir.path + "/pipe.lwo").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir.path + "/zero.lwo");
  struct Case {
    const char *file, *problem;
  } cases[] = {{"folder.tga", "a folder, not a file"},
               {"folder.lwo", "a folder, not a file"},
               {"pipe.lwo", "a FIFO, not a file"},
               {"zero.lwo", "a device, not a file"}};
  for (const Case &c : cases) {
    std::string path = dir.path + "/" + c.file;
    CommandResult run = RunCommand("timeout 60 " + lwinfo + " " + path + " 2>&1");
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_EQ(run.output, "lwinfo: " + path + ": " + c.problem + "\n");
  }
}

TEST(LwinfoCli, OptionsThatDoNotApplyAreRefused)
{
  TempDir dir;
  WriteHostFile(dir.path + "/o.lwo", TriangleObject());
  WriteHostFile(dir.path + "/l.lvl", "x");
  WriteHostFile(dir.path + "/p.tga", pixelTga());
  struct Case {
    std::string args, line;
  } cases[] = {{"--png x.png " + dir.path + "/o.lwo", "lwinfo: --png does not apply to objects (.lwo)"},
               {"--json " + dir.path + "/l.lvl", "lwinfo: --json does not apply to level files (.lvl)"},
               {"--eval 1 " + dir.path + "/p.tga", "lwinfo: --eval does not apply to images (.tga)"},
               {"--host /tmp " + dir.path + "/p.tga", "lwinfo: --host does not apply to images (.tga)"},
               {"--layer 1 " + dir.path + "/l.lvl", "lwinfo: --layer does not apply to level files (.lvl)"},
               {"", "lwinfo: file is required"},
               {"--frobnicate " + dir.path + "/p.tga", "lwinfo: The following argument was not expected: --frobnicate"}};
  for (const Case &c : cases) {
    CommandResult run = RunCommand(lwinfo + " " + c.args + " 2>&1");
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.output, c.line + "\nUsage: lwinfo [OPTIONS] FILE (a .tga, .jpg, .png, .lwo, .lws or .lvl file)\n"
                                   "Try 'lwinfo --help' for more.\n");
  }
  EXPECT_EQ(RunCommand(lwinfo + " --version").output, "lwinfo 0.1.0\n");
  EXPECT_EQ(RunCommand(lwinfo + " --help").status, 0);
}

TEST(LwinfoCli, JsonForImagesAndNamesInUtf8)
{
  TempDir dir;
  WriteHostFile(dir.path + "/p.tga", pixelTga());
  CommandResult run = RunCommand(lwinfo + " --json " + dir.path + "/p.tga");
  ASSERT_EQ(run.status, 0) << run.output;
  nlohmann::json image = nlohmann::json::parse(run.output);
  EXPECT_EQ(image["imageType"], 2);
  EXPECT_EQ(image["depth"], 24);
  EXPECT_EQ(image["decodedWidth"], 1);
  EXPECT_EQ(image["decodedHeight"], 1);
  EXPECT_EQ(image["topFirst"], false);

  // Names in the formats are Latin-1: "Caf\xe9" is "Café" in the JSON.
  WriteHostFile(dir.path + "/s.lws", "LWSC\n3\n\nPreviewFirstFrame 0\nPreviewLastFrame 5\nFramesPerSecond 25\n"
                                     "AddNullObject Caf\xe9\nAddCamera 30000000\nCameraName Cam\n");
  run = RunCommand(lwinfo + " --json " + dir.path + "/s.lws");
  ASSERT_EQ(run.status, 0) << run.output;
  nlohmann::json scene = nlohmann::json::parse(run.output);
  EXPECT_EQ(scene["items"][0]["name"], "Caf\xc3\xa9");
  EXPECT_TRUE(scene["messages"].is_array());
}

TEST(LwinfoCli, OutputThatCannotBeWrittenIsAFailure)
{
  TempDir dir;
  WriteHostFile(dir.path + "/p.tga", pixelTga());
  for (const char *option : {"", "--json "}) {
    CommandResult run = RunCommand(lwinfo + " " + option + dir.path + "/p.tga 2>&1 >/dev/full");
    EXPECT_EQ(run.status, 1) << option;
    EXPECT_EQ(run.output, "lwinfo: standard output: cannot be written: No space left on device\n");
  }
}
