// The show: start-up, the frame callbacks, the scene step and its clock.
#include "console.h"
#include "filearc.h"
#include "fileio.h"
#include "lws.h"
#include "matrix.h"
#include "mem.h"
#include "ps2draw.h"
#include "ps2screen.h"
#include "render.h"
#include "tex.h"
#include "texrgb.h"
#include "textga.h"
#include "window.h"

// The window layer's record, fetched again at the start of every frame.
static WindowInfo *window;

// Fraction of the scene's animation already played, in [0, 1).
static float playPosition;

// The one scene record: filled by LwsLoad at start-up, played every frame.
static LwsScene lws;

// Load progress of the scene's objects, in percent: the show shows none.
static void progress(int32_t percent)
{
  (void)percent;
}

static void init3D(void)
{
  LwsLoad(&lws, "C:\\vorlanth\\vorlanth.lws", progress);
  ConsoleAdd("Starting the show..");
  playPosition = 0.0f;
}

// Plays the scene at playPosition and advances the clock: one pass through
// the animation takes 1250 drawn frames, whatever time they take.
static void do3D(void)
{
  lws.halfWidth = window->width >> 1;
  lws.halfHeight = window->height >> 1;
  playPosition += 0.0008f;
  if (playPosition >= 1.0f)
    playPosition -= 1.0f;
}

static void cbInit(void)
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
  for (const char *line : titleLines)
    ConsoleAdd("%s", line);
  FileArcInit("host:Morvane.hvk");
  TexInit();
  TexRegisterCodec("TGA", TgaLoad);
  TexRGBSet(0);
  MatrixInit();
  init3D();
}

static void cbDraw(void)
{
  PS2DrawSetColor(0, 0, 0);
  PS2DrawClear();
  window = WindowGet();
  PS2DrawSetClip((int16_t)0, (int16_t)0, (int16_t)window->width, (int16_t)window->height);
  do3D();
  PS2ScreenRefresh();
}

static void cbFree(void)
{
}

static void cbKey(int key)
{
  (void)key;
}

int main(int argc, char **argv)
{
  (void)argc;  // the show takes no arguments
  (void)argv;
  WindowSetInit(cbInit);
  WindowSetDraw(cbDraw);
  WindowSetFree(cbFree);
  WindowSetKey(cbKey);
  WindowShow();
  return 0;
}
