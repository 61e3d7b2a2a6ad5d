// The show as a user runs it: the console transcript and the command line.
#include "testkit.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
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

// The built-in show loads without a complaint: the title block, nothing else.
TEST(Show, PrintsTheTitleBlockThenStartsTheShow)
{
  CommandResult run = RunCommand(morvane + " --frames 3 --headless 2>/dev/null");
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<std::string> out = lines(run.output);
  ASSERT_EQ(out.size(), 16u) << run.output;
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
  // Without its archive the show still plays (the scroll text on black).
  TempDir dir;
  EXPECT_EQ(RunCommand(morvane + " --frames 3 --headless --host " + dir.path + " >/dev/null 2>&1").status, 0);
}

// --stats: the frame count and rate at the end, then each stage's time a
// frame. The stages split the frame: they add up to it, none is negative
// (playback is the scene step less the engine's counters, so counters taken
// from start-up instead of the first frame would show here), and the rate
// agrees with the frame time. Without the option nothing is printed.
TEST(Show, StatsGiveTheFrameRateAndStagesThatAddUpToTheFrame)
{
  CommandResult run = RunCommand(morvane + " --frames 6 --start 2 --headless --quiet --stats 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<std::string> out = lines(run.output);
  ASSERT_EQ(out.size(), 8u) << run.output;
  long long frames = 0;
  double seconds = 0, fps = 0;
  ASSERT_EQ(std::sscanf(out[0].c_str(), "%lld frames in %lf s: %lf frames per second", &frames, &seconds, &fps), 3)
      << out[0];
  EXPECT_EQ(frames, 8);  // every frame drawn: the 2 before --start and the 6 after
  // Both are printed rounded (to 1 ms and 0.1 frames per second), and a short
  // run at a high rate makes the time's rounding large: 8 frames must lie
  // between the products of the lowest and highest values the printed ones
  // may stand for.
  EXPECT_LE((fps - 0.05) * (seconds - 0.0005), 8.0) << out[0];
  EXPECT_GE((fps + 0.05) * (seconds + 0.0005), 8.0) << out[0];
  const char *names[7] = {"frame", "playback", "vertex stage", "triangle stage", "GS drawing",
                          "scroll text", "clear and flip"};
  double ms[7] = {};
  for (int i = 0; i < 7; i++) {
    const std::string &line = out[1 + i];
    ASSERT_EQ(line.rfind(std::string("  ") + names[i] + " ", 0), 0u) << line;
    ASSERT_EQ(std::sscanf(line.c_str() + 2 + strlen(names[i]), "%lf ms a frame", &ms[i]), 1) << line;
    EXPECT_GE(ms[i], 0.0) << line;
  }
  EXPECT_NEAR(ms[0], 1e3 * seconds / 8.0, 0.07);  // seconds are printed to the millisecond
  EXPECT_NEAR(ms[1] + ms[2] + ms[3] + ms[4] + ms[5] + ms[6], ms[0], 0.01);
  EXPECT_GT(ms[3] + ms[4], 0.0);  // the demo scene draws triangles every frame

  CommandResult plain = RunCommand(morvane + " --frames 2 --headless --quiet 2>&1");
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.output, "");
}

}  // namespace
