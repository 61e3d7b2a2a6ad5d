// The window and callback loop.
//
// The console's loop never ends. On the desktop the machine model answers
// after every frame whether the user asked to quit (a frame limit, a closed
// window) or something failed (an export, the scene the command line chose),
// and the loop then ends and runs the free callback. WindowShow returns the
// program's exit status: 0, or 1 after a failure.
#include "window.h"
#include "machine.h"
#include "ps2screen.h"

// Callback slots and the loop flag: set by the setters and WindowShow.
static WindowFunc funcInit, funcDraw, funcFree;
static WindowKeyFunc funcKey;
static int destroy;
static WindowInfo windowInfo;

int32_t WindowSetInit(WindowFunc fn)
{
  if (!fn)
    return -2;
  funcInit = fn;
  return 0;
}

int32_t WindowSetDraw(WindowFunc fn)
{
  if (!fn)
    return -2;
  funcDraw = fn;
  return 0;
}

int32_t WindowSetFree(WindowFunc fn)
{
  if (!fn)
    return -2;
  funcFree = fn;
  return 0;
}

int32_t WindowSetKey(WindowKeyFunc fn)
{
  if (!fn)
    return -2;
  funcKey = fn;  // stored; no keyboard calls it on this machine
  return 0;
}

int32_t WindowShow(void)
{
  PS2ScreenInit();
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  windowInfo.width = mode->width;
  windowInfo.height = mode->height;
  funcInit();
  destroy = MachineGetExitStatus() != 0;  // the show could not start
  while (!destroy) {
    funcDraw();
    if (MachineFrameDone())
      destroy = 1;
  }
  funcFree();
  return MachineGetExitStatus();
}

void WindowFail(const char *reason)
{
  MachineFail(reason ? reason : "failed");
}

WindowInfo *WindowGet(void)
{
  return &windowInfo;
}

void WindowDisplayText(int x, int y, const char *format, ...)
{
  (void)x;
  (void)y;
  (void)format;
}
