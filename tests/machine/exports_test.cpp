// morvane's exports and command line as a user meets them: failures that
// must end the show with one line and exit status 1, the encoder's arguments,
// the export size, --start, --loops with --speed scene, and the quiet log.
#include <gtest/gtest.h>

#include <filesystem>
#include <png.h>

#include "testkit.h"

namespace fs = std::filesystem;

namespace {

const std::string morvane = std::string(MORVANE_BINARY_DIR) + "/morvane";

// A fake ffmpeg on PATH: a shell script with `body`, which also records its
// arguments one per line in DIR/args.
std::string fakeFfmpeg(const std::string &dir, const std::string &body)
{
  WriteHostFile(dir + "/bin/ffmpeg", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + dir +
                                         "/args\n" + body + "\n");
  fs::permissions(dir + "/bin/ffmpeg", fs::perms::owner_all);
  return "PATH=" + dir + "/bin:$PATH ";
}

// The lines of `text` that are not empty.
std::vector<std::string> lines(const std::string &text)
{
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    if (end > start)
      out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

bool pngSize(const std::string &path, int *width, int *height)
{
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return false;
  *width = (int)image.width;
  *height = (int)image.height;
  png_image_free(&image);
  return true;
}

}  // namespace

// A frame that cannot be written whole (here: over the file size limit,
// as on a full disk) stops the show at once, leaves no cut frame behind and
// names the file.
TEST(Exports, AFrameThatCannotBeWrittenEndsTheShow)
{
  TempDir out;
  std::string dir = out.path + "/frames";
  CommandResult run = RunCommand("bash -c \"trap '' XFSZ; ulimit -f 4; " + morvane +
                                 " --quiet --frames 5 --png " + dir + "\" 2>&1 >/dev/null");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "morvane: cannot write " + dir + "/000000.png: File too large\n");
  EXPECT_TRUE(fs::is_empty(dir)) << "no frame, no temporary file";
}

// A symbolic link named like a frame is replaced, not written through.
TEST(Exports, FramesReplaceLinksRatherThanWriteThroughThem)
{
  TempDir out;
  std::string dir = out.path + "/frames";
  WriteHostFile(out.path + "/precious", "keep");
  fs::create_directories(dir);
  fs::create_symlink(out.path + "/precious", dir + "/000000.png");
  CommandResult run = RunCommand(morvane + " --quiet --frames 1 --png " + dir + " 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(ReadHostFile(out.path + "/precious"), "keep");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir + "/000000.png")));
}

// The encoder's verdict is the video's: an encoder that fails at once
// (nothing read: the pipe breaks), one that reads everything and then fails
// (a path it cannot write), and one that dies.
TEST(Exports, AVideoIsOnlyWrittenWhenTheEncoderSaysSo)
{
  struct Case {
    const char *body;
    std::string line;
  } cases[] = {
    {"exit 1", "ffmpeg could not write VIDEO (exit status 1)"},
    {"cat >/dev/null; exit 1", "ffmpeg could not write VIDEO (exit status 1)"},
    {"head -c 1000 >/dev/null; kill -9 $$", "ffmpeg was killed by signal 9 while it wrote VIDEO"},
    {"head -c 1000 >/dev/null; exit 0", "ffmpeg stopped reading before the video VIDEO was whole"},
  };
  for (const Case &c : cases) {
    TempDir dir;
    std::string video = dir.path + "/show.mp4";
    CommandResult run = RunCommand(fakeFfmpeg(dir.path, c.body) + morvane + " --quiet --frames 3 --video " +
                                   video + " 2>&1 >/dev/null");
    std::string line = c.line;
    line.replace(line.find("VIDEO"), 5, video);
    EXPECT_EQ(run.status, 1) << c.body;
    EXPECT_EQ(run.output, "morvane: " + line + "\n") << c.body;
  }
}

// The encoder gets its arguments as they are, never through a shell, and the
// file behind "file:" so that a name starting with '-' is no option; the
// picture carries its 4:3 sample aspect.
TEST(Exports, TheEncoderGetsTheNameAsAFileAndTheSampleAspect)
{
  TempDir dir;
  CommandResult run = RunCommand("cd " + dir.path + " && " + fakeFfmpeg(dir.path, "cat >/dev/null") + morvane +
                                 " --quiet --frames 2 --region ntsc --video \"-y it's.mp4\" 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<std::string> args = lines(ReadHostFile(dir.path + "/args"));
  ASSERT_FALSE(args.empty());
  EXPECT_EQ(args.back(), "file:-y it's.mp4");
  EXPECT_EQ(std::count(args.begin(), args.end(), "setsar=7/12"), 1) << "NTSC pixels are 7/12 as wide as tall";
  EXPECT_EQ(std::count(args.begin(), args.end(), "512x224"), 1);

  run = RunCommand("cd " + dir.path + " && " + fakeFfmpeg(dir.path, "cat >/dev/null") + morvane +
                   " --quiet --frames 2 --size 640x480 --video out.mp4 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  args = lines(ReadHostFile(dir.path + "/args"));
  EXPECT_EQ(std::count(args.begin(), args.end(), "640x480"), 1);
  EXPECT_EQ(std::count(args.begin(), args.end(), "setsar=1/1"), 1);
}

TEST(Exports, RealVideoCarriesItsAspect)
{
  if (RunCommand("command -v ffmpeg && command -v ffprobe").status != 0)
    GTEST_SKIP() << "ffmpeg is not installed";
  TempDir dir;
  CommandResult run = RunCommand("cd " + dir.path + " && " + morvane + " --quiet --frames 3 --video -show.mp4 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  CommandResult probe = RunCommand("cd " + dir.path + " && ffprobe -v error -show_entries stream=width,height,"
                     "sample_aspect_ratio,display_aspect_ratio -of csv=p=0 ./-show.mp4");
  EXPECT_EQ(probe.output, "512,256,2:3,4:3\n");
  run = RunCommand(morvane + " --quiet --frames 3 --video " + dir.path + "/bad.unknown 2>&1");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("morvane: ffmpeg could not write " + dir.path + "/bad.unknown (exit status"),
            std::string::npos) << run.output;
}

// --size scales exported frames; the default stays the machine's pixels.
// --start shows frame N of the show as a run from the beginning draws it.
TEST(Exports, SizeAndStart)
{
  TempDir dir;
  CommandResult run = RunCommand(morvane + " --quiet --start 40 --frames 2 --size 1024x768 --png " +
                                 dir.path + "/big 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  int w = 0, h = 0;
  ASSERT_TRUE(pngSize(dir.path + "/big/000040.png", &w, &h));
  EXPECT_EQ(w * 1000 + h, 1024 * 1000 + 768);
  EXPECT_TRUE(fs::exists(dir.path + "/big/000041.png"));
  EXPECT_FALSE(fs::exists(dir.path + "/big/000000.png"));

  std::string whole = RunCommand(morvane + " --quiet --frames 42 --checksums --headless 2>&1 >/dev/null").output;
  std::string started = RunCommand(morvane + " --quiet --start 40 --frames 2 --checksums --headless 2>&1 >/dev/null").output;
  std::vector<std::string> all = lines(whole), late = lines(started);
  ASSERT_EQ(all.size(), 42u);
  ASSERT_EQ(late.size(), 2u);
  EXPECT_EQ(late[0], all[40]);
  EXPECT_EQ(late[1], all[41]);
}

// An export ends after one pass of the animation unless told otherwise; with
// --speed scene a pass is the scene's own length (5 frames at 25 a second
// are 10 PAL fields); the progress line stays out of logs, and --quiet
// drops the title block.
TEST(Exports, LoopsSpeedAndAQuietLog)
{
  TempDir dir;
  WriteHostFile(dir.path + "/s.lws", "LWSC\n3\n\nPreviewFirstFrame 0\nPreviewLastFrame 5\nFramesPerSecond 25\n"
                                     "AddNullObject Handle\nAddCamera 30000000\nCameraName Cam\n");
  std::string show = morvane + " --host " + dir.path + " --scene s.lws --speed scene ";
  CommandResult run = RunCommand(show + "--png " + dir.path + "/one 2>" + dir.path + "/log");
  ASSERT_EQ(run.status, 0) << ReadHostFile(dir.path + "/log");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path + "/one"), fs::directory_iterator()), 10);
  EXPECT_EQ(ReadHostFile(dir.path + "/log"), "") << "no progress line in a log";
  EXPECT_NE(run.output.find("Starting the show.."), std::string::npos);

  run = RunCommand(show + "--quiet --loops 2 --png " + dir.path + "/two 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path + "/two"), fs::directory_iterator()), 20);
  EXPECT_EQ(run.output.find("Morvane by"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Starting the show.."), std::string::npos) << run.output;
}

// Wrong command lines exit 2 with the reason and the usage; a region is
// read without regard to case; a window without a display is refused.
TEST(Exports, CommandLineMistakes)
{
  CommandResult run = RunCommand(morvane + " --frames abc 2>&1");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output, "morvane: --frames: wants a whole number of 0 or more, not 'abc'\n"
                        "Usage: morvane [OPTIONS]\nTry 'morvane --help' for the options.\n");
  EXPECT_EQ(RunCommand(morvane + " --size 100 2>&1").status, 2);
  EXPECT_EQ(RunCommand(morvane + " --frames 3 --loops 1 2>&1").status, 2);
  // With --frames, a mistake let through ends the run instead of playing on.
  EXPECT_EQ(RunCommand(morvane + " --frames 1 --headless --region secam 2>&1").status, 2);
  EXPECT_EQ(RunCommand(morvane + " --frames 1 --headless --host /no/such/folder 2>&1").status, 2);
  EXPECT_EQ(RunCommand(morvane + " --version").output, "morvane 0.1.0\n");
  CommandResult help = RunCommand(morvane + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("--frames"), std::string::npos);

  std::string ntsc = RunCommand(morvane + " --quiet --frames 1 --checksums --region ntsc 2>&1 >/dev/null").output;
  std::string mixed = RunCommand(morvane + " --quiet --frames 1 --checksums --region Ntsc 2>&1 >/dev/null").output;
  std::string pal = RunCommand(morvane + " --quiet --frames 1 --checksums 2>&1 >/dev/null").output;
  EXPECT_EQ(mixed, ntsc);
  EXPECT_NE(mixed, pal);

  run = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + morvane +
                   " --quiet --window --frames 1 2>&1");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output.rfind("morvane: ", 0), 0u) << run.output;
  EXPECT_NE(run.output.find("window"), std::string::npos) << run.output;
}
