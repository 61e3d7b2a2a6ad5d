// The show playing: its console transcript on the built-in content, recorded
// picture checksums, the scroll text's place and timing, the clock, a failed
// scene load, and real scenes from the corpus.
#include "filearc.h"
#include "imagecodec.h"
#include "lws.h"
#include "machine.h"
#include "mem.h"
#include "show.h"
#include "tex.h"
#include "testkit.h"
#include "window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string morvane = std::string(MORVANE_BINARY_DIR) + "/morvane";
const std::string content = std::string(MORVANE_DATA_DIR) + "/content";

// Runs the show in this process for `frames` frames on a fresh pool and
// registry, each frame drawn by `draw`; WindowShow's result.
int playInProcess(MachineConfig *config, int frames, void (*draw)(void) = cbDraw)
{
  config->maxFrames = frames;
  FileArcFree();  // the archive of an earlier run lies in the pool forgotten below
  MemFreeAll();
  TexFreeAll();
  ShowReset();
  MachineSetup(config);
  WindowSetInit(cbInit);
  WindowSetDraw(draw);
  WindowSetFree(cbFree);
  return WindowShow();
}

// A configuration whose built-in scene is not there: the host folder holds
// the font alone, so the picture is the scroll text on black.
MachineConfig noScene(const std::string &host, int region)
{
  WriteHostFile(host + "/vorlanth/fonte_400x8.tga", ReadHostFile(content + "/vorlanth/fonte_400x8.tga"));
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = host;
  config.region = region;
  return config;
}

// Picture checksums of the first frames, recorded from the show itself.
// Regenerate them only on purpose, and say why in the commit message.
TEST(Play, PicturesMatchTheRecordedChecksums)
{
  struct Case {
    const char *region;
    const char *frame0, *frame2;
  } cases[] = {{"pal", "0 fd588afe", "2 9a9b52f6"}, {"ntsc", "0 4a2e4587", "2 58bd4523"}};
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
    ASSERT_EQ(MachineGetDisplayPicture(&picture, &width, &height), 0);
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

// The console plays on whatever loaded; a scene asked for by name on the
// desktop that does not load ends the show before its first frame.
TEST(Play, AChosenSceneThatDoesNotLoadEndsTheShow)
{
  TempDir dir;
  MachineConfig config = noScene(dir.path, MACHINE_REGION_PAL);
  config.sceneName = "nothing\\here.lws";
  EXPECT_EQ(playInProcess(&config, 5), 1);
  EXPECT_EQ(MachineGetFrameCount(), 0);
  EXPECT_EQ(MachineGetGsStats().flips, 2u);  // the blank frames of the screen's set-up only

  CommandResult run = RunCommand(morvane + " --frames 5 --headless --host " + dir.path +
                                 " --scene 'nothing\\here.lws' 2>&1 >/dev/null");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "morvane: the scene nothing\\here.lws does not load (result -16)\n");
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

// The font as its source draws it: 50 glyphs in the scroll's lookup order,
// each 8 rows of '#' (lit) and '.' (dark), top row first.
std::vector<std::vector<std::string>> sourceGlyphs()
{
  std::istringstream in(ReadHostFile(std::string(MORVANE_SOURCE_DIR) + "/data/font/glyphs.txt"));
  std::vector<std::vector<std::string>> glyphs;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("glyph ", 0) == 0)
      glyphs.emplace_back();
    else if (!glyphs.empty() && line.size() == 8 && line.find_first_not_of("#.") == std::string::npos)
      glyphs.back().push_back(line);
  }
  return glyphs;
}

// Draws one frame of the show at scroll position `position` and returns the
// 8 x 8 blocks of the text's rows (PAL: 232 to 239) at surface columns 0, 8,
// 16 ... as the source draws glyphs.
std::vector<std::vector<std::string>> frameAt(int position)
{
  ShowSetScrollPosition(position);
  cbDraw();
  std::vector<uint32_t> picture;
  int width = 0, height = 0;
  EXPECT_EQ(MachineGetDisplayPicture(&picture, &width, &height), 0);
  std::vector<std::vector<std::string>> blocks(width / 8);
  for (int b = 0; b < width / 8; b++)
    for (int y = 232; y < 240; y++) {
      std::string row;
      for (int x = 8 * b; x < 8 * b + 8; x++)
        row += (picture[(size_t)y * width + x] & 0xFFFFFF) ? '#' : '.';
      blocks[b].push_back(row);
    }
  return blocks;
}

// Characters drawn with the glyphs they select: "p" and "s" have glyphs of
// their own (48 and 44); the line break is not in the font, so it repeats
// the glyph found last in the frame ("!" before it), or glyph 0 ("A") when
// it is the first character drawn. The scroll wraps after the frame drawn at
// 8 x the text's length, which shows nothing.
TEST(Play, ScrollTextGlyphsAndItsWrapFrame)
{
  TempDir dir;
  MachineConfig config = noScene(dir.path, MACHINE_REGION_PAL);
  playInProcess(&config, 1);
  const std::vector<std::vector<std::string>> glyphs = sourceGlyphs();
  ASSERT_EQ(glyphs.size(), 50u);
  const std::string text = ShowGetText();
  const int fps = (int)text.find("Fps"), lineBreak = (int)text.find('\n');
  ASSERT_GT(fps, 0);
  ASSERT_EQ(text[lineBreak - 1], '!');

  auto blocks = frameAt(8 * fps - 8);  // "F" at column 8
  EXPECT_EQ(blocks[1], glyphs[5]);     // F
  EXPECT_EQ(blocks[2], glyphs[48]);    // p
  EXPECT_EQ(blocks[3], glyphs[44]);    // s
  EXPECT_EQ(blocks[4], glyphs[45]);    // space: dark
  blocks = frameAt(8 * lineBreak - 16);  // "!" at column 8, the line break at 16
  EXPECT_EQ(blocks[1], glyphs[28]);
  EXPECT_EQ(blocks[2], glyphs[28]);
  blocks = frameAt(8 * lineBreak - 8);  // "!" at column 0 is not drawn
  EXPECT_EQ(blocks[0], glyphs[45]);
  EXPECT_EQ(blocks[1], glyphs[0]);

  const int last = 8 * ShowGetTextLength();
  frameAt(last - 1);
  EXPECT_EQ(ShowGetScrollPosition(), last);  // not wrapped yet
  blocks = frameAt(last);
  EXPECT_EQ(ShowGetScrollPosition(), 0);
  for (const auto &block : blocks)
    EXPECT_EQ(block, glyphs[45]);
}

// Measures every displayed frame against the one before: the mean over the
// picture of |dR| + |dG| + |dB| (0 to 765), and the pixels near white under
// the scroll text (other than the text's own pure white).
struct LoopWatch {
  std::vector<uint32_t> previous;
  int frames = 0, worstFrame = 0, whiteFrame = 0, mostWhite = 0;
  double worst = 0, sum = 0;
  int textTop = 232, textBottom = 239;
} loopWatch;

void drawAndWatch(void)
{
  cbDraw();
  std::vector<uint32_t> picture;
  int width = 0, height = 0;
  if (MachineGetDisplayPicture(&picture, &width, &height) != 0)
    return;
  LoopWatch &w = loopWatch;
  if (w.previous.size() == picture.size()) {
    double change = 0;
    for (size_t i = 0; i < picture.size(); i++)
      for (int shift = 0; shift < 24; shift += 8)
        change += std::abs((int)(picture[i] >> shift & 0xFF) - (int)(w.previous[i] >> shift & 0xFF));
    change /= (double)picture.size();
    w.sum += change;
    if (change > w.worst)
      w.worst = change, w.worstFrame = w.frames;
  }
  int white = 0;
  for (int y = w.textTop - 2; y <= w.textBottom + 2; y++)
    for (int x = 0; x < width; x++) {
      uint32_t p = picture[(size_t)y * width + x] & 0xFFFFFF;
      int low = std::min({(int)(p & 0xFF), (int)(p >> 8 & 0xFF), (int)(p >> 16 & 0xFF)});
      white += low >= 200 && p != 0xFFFFFF;
    }
  if (white > w.mostWhite)
    w.mostWhite = white, w.whiteFrame = w.frames;
  w.previous.swap(picture);
  w.frames++;
}

// The whole built-in loop and the step into the next: no frame flickers, and
// nothing near white lies under the scroll text.
//
// The bound on the change between two frames: a surface drawn wrongly for one
// frame (the flicker this guards against put slabs of ground in front of
// everything) shows when it covers a quarter of the picture or more, and it
// differs from what it hides by a mid grey or more summed over the three
// channels (256); so a flash changes the mean by at least 256 / 4 = 64, and
// 64 is the bound. Honest motion stays well below it: the camera turns a few
// pixels per frame, and the largest change, the blob's spikes filling the
// view, is about 43.
TEST(Play, TheLoopNeverFlickersAndKeepsTheTextReadable)
{
  MachineConfig config;
  MachineDefaults(&config);
  loopWatch = LoopWatch();
  playInProcess(&config, 1251, drawAndWatch);
  ASSERT_EQ(loopWatch.frames, 1251);
  EXPECT_LT(loopWatch.worst, 64.0) << "frame " << loopWatch.worstFrame << " changes by "
                                   << loopWatch.worst << " from the one before";
  EXPECT_LE(loopWatch.mostWhite, 8) << "near-white pixels under the text in frame "
                                    << loopWatch.whiteFrame;
}

// The chrome ring is mapped with the sky's picture (128 x 128) from its
// normals, and its coordinates run mostly below 0: in the packets of its
// triangles, U and V each take many texel columns and rows, not one.
TEST(Play, TheChromeRingReflectsAcrossAndAlong)
{
  MachineConfig config;
  MachineDefaults(&config);
  MachineRecord(1);
  playInProcess(&config, 1);
  std::set<uint32_t> columns, rows;
  int sizeCode = 0, corners = 0;
  std::set<uint32_t> packetColumns, packetRows;
  auto finishPacket = [&]() {
    if (sizeCode == (7 | 7 << 4) && corners > 100) {  // the crate has a dozen
      columns.insert(packetColumns.begin(), packetColumns.end());
      rows.insert(packetRows.begin(), packetRows.end());
    }
    packetColumns.clear(), packetRows.clear(), corners = 0;
  };
  for (const MachineGsWriteRec &w : MachineGetRecording()->gsWrites) {
    if (w.address == 0x06) {  // TEX0_1: a textured packet starts
      finishPacket();
      sizeCode = (int)(w.value >> 26 & 0xFF);  // TW, TH
    } else if (w.address == 0x03) {
      packetColumns.insert((uint32_t)(w.value >> 4 & 0x3FF) % 128);
      packetRows.insert((uint32_t)(w.value >> 20 & 0x3FF) % 128);
      corners++;
    }
  }
  finishPacket();
  MachineRecord(0);
  EXPECT_GE(columns.size(), 32u);
  EXPECT_GE(rows.size(), 32u);
}

// Pixels of the scene in the displayed picture: above the scroll text's rows.
int scenePixels(uint32_t colour = 0, bool exact = false)
{
  std::vector<uint32_t> picture;
  int width = 0, height = 0;
  if (MachineGetDisplayPicture(&picture, &width, &height) != 0)
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
  CommandResult builtIn = RunCommand(morvane + " --frames 3 --checksums --headless 2>&1 >/dev/null");
  ASSERT_EQ(builtIn.status, 0) << builtIn.output;
  run = RunCommand(morvane + " --scene " + dir.path + "/copy/vorlanth/vorlanth.lws --frames 3 "
                   "--checksums --headless 2>&1 >/dev/null");
  ASSERT_EQ(run.status, 0) << run.output;
  std::string said = "morvane: content folder " + dir.path + "/copy (";
  ASSERT_EQ(run.output.find(said), 0u) << run.output;
  int found = 0, objects = -1;
  sscanf(run.output.c_str() + said.size(), "%d of %d", &found, &objects);
  EXPECT_EQ(found, objects) << run.output;
  size_t end = run.output.find("objects found there) for vorlanth/vorlanth.lws\n");
  ASSERT_NE(end, std::string::npos) << run.output;
  EXPECT_EQ(run.output.substr(run.output.find('\n') + 1), builtIn.output);
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
