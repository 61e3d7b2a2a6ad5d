// The show playing: its console transcript on the built-in content, recorded
// picture checksums, the scroll text's place and timing, the clock, a failed
// scene load, and real scenes from the corpus.
#include "imagecodec.h"
#include "lws.h"
#include "machine.h"
#include "mem.h"
#include "show.h"
#include "tex.h"
#include "testkit.h"
#include "window.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string morvane = std::string(MORVANE_BINARY_DIR) + "/morvane";
const std::string content = std::string(MORVANE_DATA_DIR) + "/content";

// Runs the show in this process for `frames` frames on a fresh pool and registry.
void playInProcess(MachineConfig *config, int frames)
{
  config->maxFrames = frames;
  MemFreeAll();
  TexFreeAll();
  ShowReset();
  MachineSetup(config);
  WindowSetInit(cbInit);
  WindowSetDraw(cbDraw);
  WindowSetFree(cbFree);
  WindowShow();
}

// A configuration whose scene does not exist; the font still comes from the
// built-in content, so the picture is the scroll text on black.
MachineConfig noScene(const std::string &host, int region)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = host;
  config.region = region;
  config.sceneName = "nothing\\here.lws";
  config.fallbackDir = content;
  return config;
}

TEST(Play, TheBuiltInShowLoadsWithoutAComplaint)
{
  CommandResult run = RunCommand(morvane + " --frames 1 --headless 2>/dev/null");
  ASSERT_EQ(run.status, 0);
  std::istringstream in(run.output);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 16u) << run.output;  // the title block, nothing else
  EXPECT_EQ(lines[13], "Please wait while loading/decrunching..");
  EXPECT_EQ(lines[15], "Starting the show..");
}

// Picture checksums of the first frames, recorded from the show itself.
// Regenerate them only on purpose, and say why in the commit message.
TEST(Play, PicturesMatchTheRecordedChecksums)
{
  struct Case {
    const char *region;
    const char *frame0, *frame2;
  } cases[] = {{"pal", "0 d13461b8", "2 eea8f46e"}, {"ntsc", "0 5e944795", "2 6e25b225"}};
  for (const Case &c : cases) {
    CommandResult run = RunCommand(morvane + " --frames 3 --checksums --headless --region " +
                                   c.region + " 2>&1 >/dev/null");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find(c.frame0), std::string::npos) << c.region << "\n" << run.output;
    EXPECT_NE(run.output.find(c.frame2), std::string::npos) << c.region << "\n" << run.output;
  }
}

TEST(Play, AFailedSceneStillClearsScrollsAndFlips)
{
  struct Case {
    int region, top, bottom;
  } cases[] = {{MACHINE_REGION_PAL, 232, 239}, {MACHINE_REGION_NTSC, 200, 207}};
  TempDir dir;
  for (const Case &c : cases) {
    MachineConfig config = noScene(dir.path, c.region);
    MachineRecord(1);
    playInProcess(&config, 1);
    MachineRecord(0);
    std::vector<uint32_t> picture;
    int width = 0, height = 0;
    ASSERT_EQ(MachineDisplayPicture(&picture, &width, &height), 0);
    // Frame 0: characters 0 to 62 are spaces, so the first letter starts at
    // column 504, and the text occupies exactly its eight rows.
    int lit = 0, firstColumn = width;
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        uint32_t p = picture[(size_t)y * width + x] & 0xFFFFFF;
        ASSERT_TRUE(p == 0 || p == 0xFFFFFF) << x << "," << y;
        if (p) {
          lit++;
          firstColumn = std::min(firstColumn, x);
          EXPECT_GE(y, c.top);
          EXPECT_LE(y, c.bottom);
        }
      }
    EXPECT_GT(lit, 8);
    EXPECT_EQ(firstColumn, 504);
    EXPECT_EQ(MachineGetGsStats().flips, 3u);  // two blank frames, then frame 0

    // The depth test is GREATER again once the text is drawn.
    const MachineRecording *rec = MachineGetRecording();
    uint64_t lastTest = 0;
    for (const MachineGsWriteRec &w : rec->gsWrites)
      if (w.address == 0x47)
        lastTest = w.value;
    EXPECT_EQ(lastTest, 0x7000Fu);
  }
}

TEST(Play, OneLoopIs1250FramesAndTheTextWraps)
{
  TempDir dir;
  MachineConfig config = noScene(dir.path, MACHINE_REGION_PAL);
  playInProcess(&config, 1250);
  // The subtraction happens in frame 1250; in single precision the wrapped
  // value is a little above 0.
  float position = ShowGetScene()->playPosition;
  EXPECT_GT(position, 0.0f);
  EXPECT_LT(position, 0.0001f);
  EXPECT_EQ(ShowGetScrollPosition(), 1250);
  EXPECT_EQ(ShowGetTextLength(), 1868);
}

// Pixels of the scene in the displayed picture: above the scroll text's rows.
int scenePixels(uint32_t colour = 0, bool exact = false)
{
  std::vector<uint32_t> picture;
  int width = 0, height = 0;
  if (MachineDisplayPicture(&picture, &width, &height) != 0)
    return -1;
  int drawn = 0;
  for (int y = 0; y < height - 24; y++)
    for (int x = 0; x < width; x++) {
      uint32_t p = picture[(size_t)y * width + x] & 0xFFFFFF;
      drawn += exact ? p == colour : p != 0;
    }
  return drawn;
}

// A user's scene as morvane --scene plays it: its content folder as host,
// moved files found by name, the host's image codecs.
MachineConfig userScene(const std::string &folder, const std::string &scene)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = CorpusDir() + "/lws/" + folder;
  config.sceneName = scene;
  config.fallbackDir = content;
  config.findByName = 1;
  return config;
}

TEST(Play, CorpusScenesOfEveryFormatPlayAndShowSomething)
{
  REQUIRE_CORPUS();
  struct Case {
    const char *folder, *scene;
    int32_t objects;
  } cases[] = {{"assimp_QuickDraw_v2.2", "LWS\\assimp_QuickDraw_v2.2.lws", 20},
               {"assimp_move_x_oldformat_6", "assimp_move_x_oldformat_6.lws", 1},
               {"assimp_move_x", "assimp_move_x.lws", 1},
               {"assimp_move_x_post_constant", "assimp_move_x_post_constant.lws", 1},
               {"assimp_move_x_post_linear", "assimp_move_x_post_linear.lws", 1},
               {"assimp_move_x_post_repeat", "assimp_move_x_post_repeat.lws", 1},
               {"assimp_move_xz_bezier", "assimp_move_xz_bezier.lws", 1},
               {"assimp_move_xz_linear", "assimp_move_xz_linear.lws", 1},
               {"assimp_move_xz_spline", "assimp_move_xz_spline.lws", 1},
               {"nangtani_colors0", "nangtani_colors0.lws", 1}};
  MachineSetImageCodecs(ImageCodecsRegister);
  for (const Case &c : cases) {
    MachineConfig config = userScene(c.folder, c.scene);
    playInProcess(&config, 3);
    EXPECT_EQ(ShowGetScene()->objectCount, c.objects) << c.scene;
    EXPECT_GT(scenePixels(), 200) << c.scene;
  }
  MachineSetImageCodecs(nullptr);
}

// QuickDraw's chrome reflects a spherical map, a JPEG beside its objects: its
// white comes from the image (no surface of the scene is white), and without
// the host's codecs the chrome is flat.
TEST(Play, QuickDrawDrawsItsChromeWithItsJpeg)
{
  REQUIRE_CORPUS();
  MachineConfig config = userScene("assimp_QuickDraw_v2.2", "LWS\\assimp_QuickDraw_v2.2.lws");
  MachineSetImageCodecs(ImageCodecsRegister);
  playInProcess(&config, 1);
  int white = scenePixels(0xFFFFFF, true);
  MachineSetImageCodecs(nullptr);
  EXPECT_GT(white, 300);
  playInProcess(&config, 1);
  EXPECT_EQ(scenePixels(0xFFFFFF, true), 0);
}

// A scene given by its path plays from its content folder: QuickDraw's, two
// folders up from the scene, and the show's own content extracted from its
// archive, which then draws exactly the show's recorded frames.
TEST(Play, AScenePathFindsItsContentFolder)
{
  TempDir dir;
  CommandResult run = RunCommand(std::string(MORVANE_BINARY_DIR) + "/hvk extract " +
                                 MORVANE_DATA_DIR + "/Morvane.hvk " + dir.path + "/copy");
  ASSERT_EQ(run.status, 0) << run.output;
  run = RunCommand(morvane + " --scene " + dir.path + "/copy/vorlanth/vorlanth.lws --frames 3 "
                   "--checksums --headless 2>&1 >/dev/null");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("content folder " + dir.path + "/copy (10 of 10 objects found there)"
                            " for vorlanth/vorlanth.lws"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("0 d13461b8"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("2 eea8f46e"), std::string::npos) << run.output;
  if (CorpusDir().empty())
    return;
  run = RunCommand(morvane + " --scene " + CorpusDir() + "/lws/assimp_QuickDraw_v2.2/LWS/"
                   "assimp_QuickDraw_v2.2.lws --frames 2 --png " + dir.path + "/frames --headless 2>&1");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("content folder " + CorpusDir() + "/lws/assimp_QuickDraw_v2.2 (11 of 11"),
            std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("Error"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::exists(dir.path + "/frames/000001.png"));
}

}  // namespace
