// The show: start-up, the frame callbacks, the scene step and its clock,
// and the scroll text.
#include "show.h"
#include "console.h"
#include "filearc.h"
#include "fileio.h"
#include "hostcodecs.h"
#include "lws.h"
#include "matrix.h"
#include "mem.h"
#include "ps2draw.h"
#include "ps2screen.h"
#include "ps2packet.h"
#include "render.h"
#include "settings.h"
#include "showstats.h"
#include "tex.h"
#include "texrgb.h"
#include "textga.h"
#include "window.h"

#include <chrono>
#include <cstdio>
#include <cstring>

// The window layer's record, fetched again at the start of every frame.
static WindowInfo *window;

// The one scene record: filled by LwsLoad at start-up, played every frame.
// This file writes its playPosition, halfWidth and halfHeight.
static LwsScene lws;

// The font image: 50 glyphs of 8 x 8 side by side, glyph k in columns 8k to 8k + 7.
static TexEntry font;

// The scroll text and where it stands, in pixels (scrolltext.inc is made from
// data/scrolltext.txt at build time).
static char text[] =
#include "scrolltext.inc"
    ;
static const char fontCharset[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ:/!,.-0123456789@ls trpy";
static int pos;

// The clock's step per drawn frame: one pass of the animation in 1250
// frames, whatever the scene's length, unless the settings ask for the
// scene's own speed (set by init3D).
static float playStep = 0.0008f;

// Load progress of the scene's objects, in percent: the show shows none.
static void progress(int32_t percent)
{
  (void)percent;
}

// The scene's own speed: one pass takes the scene's length (its last frame
// at its frame rate) in fields of the screen, 50 a second on PAL and 59.94
// on NTSC. A scene without a length keeps the fixed step.
static void sceneSpeedStep(void)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  double fieldsPerSecond = mode->height == 256 ? 50.0 : 60000.0 / 1001.0;
  double seconds = lws.framesPerSecond > 0.0f ? (double)lws.lastFrame / lws.framesPerSecond : 0.0;
  double frames = seconds * fieldsPerSecond + 0.5;
  if (!(frames >= 1.0 && frames < 1e7))
    return;
  playStep = (float)(1.0 / (double)(int)frames);
}

// Tells the settings how many frames one pass of the animation takes.
static void reportLoopFrames(void)
{
  char frames[SETTINGS_VALUE_SIZE];
  snprintf(frames, sizeof frames, "%d", (int)(1.0 / (double)playStep + 0.5));
  SettingsSetValue(SETTINGS_LOOP_FRAMES, frames);
}

static void init3D(void)
{
  // The built-in scene, unless the desktop's command line chose another.
  char sceneName[SETTINGS_VALUE_SIZE], value[SETTINGS_VALUE_SIZE];
  SettingsGetValue(SETTINGS_SCENE, sceneName);
  int32_t result = LwsLoad(&lws, sceneName[0] ? sceneName : "C:\\vorlanth\\vorlanth.lws", progress);
  if (sceneName[0] && result != LWS_OK) {
    // The built-in scene's show goes on whatever loaded; a scene asked for
    // by name that does not load is a mistake to report, not to play.
    char reason[2 * SETTINGS_VALUE_SIZE];
    snprintf(reason, sizeof reason, "the scene %s does not load (result %d)", sceneName, (int)result);
    WindowFail(reason);
  }
  snprintf(font.name, sizeof font.name, "%s", "C:\\vorlanth\\fonte_400x8.tga");
  TgaLoad(&font);
  playStep = 0.0008f;
  SettingsGetValue(SETTINGS_SPEED, value);
  if (strcmp(value, "scene") == 0)
    sceneSpeedStep();
  reportLoopFrames();
  SettingsGetValue(SETTINGS_QUIET, value);
  if (!value[0])
    ConsoleAdd("Starting the show..");
  lws.playPosition = 0.0f;
}

// Plays the scene at playPosition and advances the clock: one pass through
// the animation takes 1250 drawn frames, whatever time they take.
void do3D(void)
{
  lws.halfWidth = window->width >> 1;
  lws.halfHeight = window->height >> 1;
  LwsEnable(&lws);
  lws.playPosition += playStep;
  if (lws.playPosition >= 1.0f)
    lws.playPosition -= 1.0f;
}

// Draws the 8 rows of one glyph at GS column x as white points, one packet
// each: only the packet's XYZ2 quadword changes from point to point.
static void drawGlyph(const uint8_t *pixels, int32_t g, int x, int bottomY)
{
  const int64_t fontPixels = (int64_t)font.width * font.height;
  for (int r = 0; r < 8; r++) {
    int y = bottomY - r;
    for (int c = 0; c < 8; c++) {
      int64_t index = g + (int64_t)r * font.width + c;
      if (index >= fontPixels || pixels[index * 4] == 0)
        continue;  // unlit, or past a font image smaller than 400 x 8
      packet[6] = (uint64_t)((x + c) * 16) | (uint64_t)(y * 16) << 16;
      packet[7] = GS_XYZ2;
      GifSend();
    }
  }
}

// The line of text over the bottom of the picture, moving one pixel per
// frame. A character is drawn whole as soon as its left edge is inside the
// surface (the scissor cuts its right part) and vanishes when that edge
// reaches column 0.
void doScrollTxt(void)
{
  PS2DrawSetColor(255, 255, 255);
  PS2DrawEnableZBuffer(0);
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  const int width = window->width, height = window->height;
  const uint8_t *pixels = TexGetPixels(&font);

  PacketBeginAD(3);
  PacketAddAD(0, GS_PRIM);              // points
  PacketAddAD(0xFFFFFFFFull, GS_RGBAQ); // white, A 0xFF, Q 0
  packet_size = 4;

  const int length = (int)strlen(text);
  int x = mode->offsetX - pos;
  int32_t g = 0;  // a character missing from the font keeps the last glyph found
  for (int i = 0; i < length && pixels; i++, x += 8) {
    if (x > mode->offsetX && x < mode->offsetX + width) {
      if (const char *found = strchr(fontCharset, text[i]); found && text[i])
        g = 8 * (int32_t)(found - fontCharset);
      drawGlyph(pixels, g, x, mode->offsetY + height - 17);
    } else if (x >= mode->offsetX + width) {
      break;  // no later character can be visible
    }
  }
  PS2DrawEnableZBuffer(1);
  pos++;
  if (pos > 8 * length)
    pos = 0;
}

void cbInit(void)
{
  static const char *const titleLines[15] = {
    "",
    "Morvane by Quillon / Driftwork",
    "Contact : quillon@driftwork.example",
    "Website : https://driftwork.example/morvane",
    "",
    "a contribution for",
    "Winter Realtime Compo, round 3 - https://wintercompo.example",
    "",
    "This is a port of my Halvek engine,",
    "a VERY portable Newtek LightWave 6.X/7.X scenes,",
    "working on Linux/Win32 OpenGL, and now PS2!",
    "Alpha version 0.1",
    "",
    "Please wait while loading/decrunching..",
    "",
  };
  ConsoleInit();
  MemInit();
  FileIOInit();
  char quiet[SETTINGS_VALUE_SIZE];
  SettingsGetValue(SETTINGS_QUIET, quiet);
  for (const char *line : titleLines)
    if (!quiet[0])
      ConsoleAdd("%s", line);
  FileArcInit("host:Morvane.hvk");
  TexInit();
  TexRegisterCodec("TGA", TgaLoad);
  HostCodecsRegister();  // JPEG and PNG for the user's own scenes, where the host has them
  TexRGBSet(0);
  MatrixInit();
  init3D();
  ShowStatsReset();  // the frame counters cover the frames, not the loading
}

static int64_t nanosBetween(std::chrono::steady_clock::time_point from,
                            std::chrono::steady_clock::time_point to)
{
  return (int64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(to - from).count();
}

// One frame, its steps timed for the stage counters (a few clock reads a
// frame, far below what the frame costs).
void cbDraw(void)
{
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now();
  PS2DrawSetColor(0, 0, 0);
  PS2DrawClear();
  window = WindowGet();
  PS2DrawSetClip((int16_t)0, (int16_t)0, (int16_t)window->width, (int16_t)window->height);
  Clock::time_point sceneStart = Clock::now();
  do3D();
  Clock::time_point scrollStart = Clock::now();
  doScrollTxt();
  Clock::time_point scrollEnd = Clock::now();
  PS2ScreenRefresh();
  ShowStatsAddFrame(nanosBetween(start, Clock::now()), nanosBetween(sceneStart, scrollStart),
                    nanosBetween(scrollStart, scrollEnd));
}

static void consoleLine(const char *line)
{
  ConsoleAdd("%s", line);
}

// At the end of the show: the frame rate and stage times, when asked for.
void cbFree(void)
{
  char value[SETTINGS_VALUE_SIZE];
  SettingsGetValue(SETTINGS_STATS, value);
  if (value[0])
    ShowStatsReport(consoleLine);
}

void cbKey(int key)
{
  (void)key;
}

LwsScene *ShowGetScene(void)
{
  return &lws;
}

int ShowGetScrollPosition(void)
{
  return pos;
}

void ShowSetScrollPosition(int position)
{
  pos = position;
}

const char *ShowGetText(void)
{
  return text;
}

int ShowGetTextLength(void)
{
  return (int)strlen(text);
}

void ShowReset(void)
{
  memset(&lws, 0, sizeof lws);
  memset(&font, 0, sizeof font);
  pos = 0;
  window = nullptr;
  playStep = 0.0008f;
}
