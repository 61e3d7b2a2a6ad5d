// The show's presenters, run as the user runs them: PNG frames,
// the window under a virtual display, and a missing video encoder.
#include <gtest/gtest.h>

#include <filesystem>
#include <png.h>
#include <vector>

#include "testkit.h"

namespace fs = std::filesystem;

namespace {

std::string morvane(void)
{
  return std::string(MORVANE_BINARY_DIR) + "/morvane";
}

// Reads a PNG as 8-bit RGB; false when it cannot be read.
bool readPng(const std::string &path, int *w, int *h, std::vector<unsigned char> *rgb)
{
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return false;
  image.format = PNG_FORMAT_RGB;
  rgb->resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr))
    return false;
  *w = (int)image.width;
  *h = (int)image.height;
  return true;
}

}  // namespace

TEST(Presenters, PngFramesAreTheLoopsFramesOnly)
{
  for (const char *region : {"pal", "ntsc"}) {
    TempDir host, out;
    std::string dir = out.path + "/frames";
    CommandResult r = RunCommand(morvane() + " --frames 2 --region " + region + " --host " +
                                 host.path + " --png " + dir + " 2>&1");
    ASSERT_EQ(r.status, 0) << r.output;
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names, (std::vector<std::string>{"000000.png", "000001.png"})) << region;
    for (const std::string &name : names) {
      int w = 0, h = 0;
      std::vector<unsigned char> rgb;
      ASSERT_TRUE(readPng(dir + "/" + name, &w, &h, &rgb));
      EXPECT_EQ(w, 512);
      EXPECT_EQ(h, std::string(region) == "pal" ? 256 : 224);
      EXPECT_EQ(std::count(rgb.begin(), rgb.end(), 0), (long)rgb.size()) << "not black";
    }
  }
}

TEST(Presenters, VideoWithoutFfmpegSaysSo)
{
  TempDir host, out;
  CommandResult r = RunCommand("PATH=/nonexistent " + morvane() + " --frames 1 --host " +
                               host.path + " --video " + out.path + "/show.mp4 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("ffmpeg"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(out.path + "/show.mp4"));
}

TEST(Presenters, VideoHoldsEveryFrameOfTheLoop)
{
  if (RunCommand("command -v ffmpeg && command -v ffprobe").status != 0)
    GTEST_SKIP() << "ffmpeg is not installed: the video presenter has nothing to pipe into";
  TempDir host, out;
  std::string video = out.path + "/show.mp4";
  CommandResult r = RunCommand(morvane() + " --frames 5 --headless --host " + host.path +
                               " --video " + video + " 2>&1");
  ASSERT_EQ(r.status, 0) << r.output;
  CommandResult probe = RunCommand("ffprobe -v error -count_frames -show_entries "
                                   "stream=width,height,nb_read_frames -of csv=p=0 " + video);
  EXPECT_EQ(probe.output, "512,256,5\n");
}

TEST(Presenters, WindowOpensUnderAVirtualDisplayAndQuitsAfterItsFrames)
{
  if (RunCommand("command -v xvfb-run").status != 0)
    GTEST_SKIP() << "xvfb-run is not installed: the window test needs a virtual display";
  TempDir host;
  CommandResult r = RunCommand("timeout 60 xvfb-run -a " + morvane() +
                               " --window --scale 1 --frames 5 --host " + host.path + " 2>&1");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Starting the show.."), std::string::npos) << r.output;
}
