// The show as a user runs it: the console transcript and the command line.
#include "testkit.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

const std::string morvane = std::string(MORVANE_BINARY_DIR) + "/morvane";

std::vector<std::string> lines(const std::string &text)
{
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    out.push_back(line);
  return out;
}

TEST(Show, PrintsTheTitleBlockThenStartsTheShow)
{
  TempDir dir;
  CommandResult run = RunCommand(morvane + " --frames 3 --host " + dir.path + " 2>/dev/null");
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<std::string> out = lines(run.output);
  ASSERT_GE(out.size(), 16u) << run.output;
  const char *fixed[15] = {
    "", nullptr, nullptr, nullptr, "", "a contribution for", nullptr, "",
    "This is a port of my Halvek engine,",
    "a VERY portable Newtek LightWave 6.X/7.X scenes,",
    "working on Linux/Win32 OpenGL, and now PS2!",
    "Alpha version 0.1", "", "Please wait while loading/decrunching..", "",
  };
  for (int i = 0; i < 15; i++) {
    if (fixed[i]) {
      EXPECT_EQ(out[i], fixed[i]) << "line " << i + 1;
    }
  }
  EXPECT_EQ(out[1].rfind("Morvane by ", 0), 0u);
  EXPECT_NE(out[1].find(" / "), std::string::npos);
  EXPECT_EQ(out[2].rfind("Contact : ", 0), 0u);
  EXPECT_EQ(out[3].rfind("Website : ", 0), 0u);
  EXPECT_EQ(out.back(), "Starting the show..");
}

TEST(Show, RefusesAWrongOptionWithAReasonAndTheUsage)
{
  CommandResult run = RunCommand(morvane + " --frames x 2>&1");
  EXPECT_EQ(run.status, 2);
  std::vector<std::string> out = lines(run.output);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0].rfind("morvane: ", 0), 0u) << out[0];
  EXPECT_NE(run.output.find("Usage:"), std::string::npos);

  EXPECT_EQ(RunCommand(morvane + " --region secam 2>&1").status, 2);
  EXPECT_EQ(RunCommand(morvane + " --host /no/such/folder 2>&1").status, 2);
  CommandResult help = RunCommand(morvane + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("--frames"), std::string::npos);
  CommandResult version = RunCommand(morvane + " --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output.rfind("morvane ", 0), 0u);
}

}  // namespace
