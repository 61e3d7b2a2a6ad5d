// The canvas presenter of the web page, in place of the desktop's window,
// PNG and video presenters.
//
// The page owns the clock: after every frame the show hands it the picture
// and waits, without blocking the browser, until the page says the next
// field may start (50 a second on PAL, 59.94 on NTSC, never while paused).
// The page draws the picture on its canvas when the frame's field comes.
// Frames before the first one shown are drawn at once; every so often they
// still let the page breathe. PNG files are the page's business (the canvas
// saves itself), and there is no video encoder here.
#include "display_present.h"
#include "machine.h"

#include <emscripten.h>
#include <vector>

// Waits for the page's next field and shows the RGBA picture at `rgba` then
// (null: nothing to show). Returns 1 when the page wants this show to end.
EM_ASYNC_JS(int, webNextField, (int frame, const uint8_t *rgba, int width, int height), {
  var pixels = rgba ? HEAPU8.subarray(rgba, rgba + width * height * 4) : null;
  return await Module.morvaneField(frame, pixels, width, height);
});

// How many unseen frames run between two breaths of the page.
enum { UNSEEN_FRAMES_PER_YIELD = 25 };

// The picture as the canvas takes it: bytes R, G, B, A with A opaque.
static std::vector<uint32_t> canvasPixels;

void presentWindowOpen(const MachineConfig *config)
{
  (void)config;
}

void presentWindow(const uint32_t *pixels, int width, int height)
{
  (void)pixels, (void)width, (void)height;  // the page shows frames, not flips
}

int presentWindowEvents(int frame, const uint32_t *pixels, int width, int height)
{
  if (!pixels)
    return frame % UNSEEN_FRAMES_PER_YIELD == UNSEEN_FRAMES_PER_YIELD - 1
               ? webNextField(frame, nullptr, 0, 0)
               : 0;
  size_t count = (size_t)width * (size_t)height;
  canvasPixels.resize(count);
  for (size_t i = 0; i < count; i++)
    canvasPixels[i] = pixels[i] | 0xFF000000u;  // little-endian words: R, G, B, A bytes
  return webNextField(frame, (const uint8_t *)canvasPixels.data(), width, height);
}

void presentWindowClose(void)
{
}

int MachineGetWindowSize(int *width, int *height)
{
  (void)width, (void)height;
  return -1;
}

int presentPngWrite(const std::string &path, const uint8_t *rgb, int width, int height,
                    int noReplace, std::string *problem)
{
  (void)path, (void)rgb, (void)width, (void)height, (void)noReplace;
  *problem = "PNG files are saved by the page";
  return -1;
}

int presentVideoFrame(const uint8_t *rgb, int width, int height)
{
  (void)rgb, (void)width, (void)height;
  MachineFail("there is no video encoder in the web page");
  return -1;
}

int presentVideoFinish(void)
{
  return 0;
}
