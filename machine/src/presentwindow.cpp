// The window presenter (SDL2): every flip, shown 4:3 as a television shows it.
//
// The picture is 512 pixels across a 4:3 screen (512 x 256 on PAL, 512 x 224
// on NTSC), so the window is 512 x 384 times the scale and the picture is
// stretched to it with linear filtering; when the window is resized, the
// picture keeps its 4:3 shape with bars around it. Keys: Escape quits, Space
// pauses and goes on, the right arrow steps one frame while paused, F12 saves
// the picture shown as a PNG in the current folder.
#include "display_present.h"
#include "machine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#if MORVANE_HAVE_SDL2
#include <SDL.h>
#endif

// Window state: opened by presentWindowOpen, closed by presentWindowClose;
// only this file touches it.
static int quitRequested;
static int paused;
#if MORVANE_HAVE_SDL2
static SDL_Window *sdlWindow;
static SDL_Renderer *sdlRenderer;
static SDL_Texture *sdlTexture;
static int textureWidth, textureHeight;
#endif

#if MORVANE_HAVE_SDL2
// SDL opens a window on whatever video driver it finds, down to ones that
// show nothing. Unless the user named the driver, a window nobody can see is
// no window.
static int invisibleDriver(void)
{
  const char *driver = SDL_GetCurrentVideoDriver();
  const char *chosen = std::getenv("SDL_VIDEODRIVER");
  if (chosen && *chosen)
    return 0;
  return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}
#endif

static const char noDisplay[] =
    "cannot open the window: no display (DISPLAY and WAYLAND_DISPLAY are not set); "
    "--png or --video export the show without one";

void presentWindowOpen(const MachineConfig *config)
{
  quitRequested = 0;
  paused = 0;
#if MORVANE_HAVE_SDL2
  const char *chosen = std::getenv("SDL_VIDEODRIVER");
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !(chosen && *chosen)) {
    presentSetError(noDisplay);
    return;
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    presentSetError(std::string("cannot open the window: ") + SDL_GetError());
    return;
  }
  if (invisibleDriver()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    presentSetError(noDisplay);
    return;
  }
  int scale = config->scale > 0 ? config->scale : 1;
  sdlWindow = SDL_CreateWindow("Morvane", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 512 * scale,
                               384 * scale, SDL_WINDOW_RESIZABLE);
  if (sdlWindow)
    sdlRenderer = SDL_CreateRenderer(sdlWindow, -1, 0);
  if (!sdlRenderer) {
    presentSetError(std::string("cannot open the window: ") + SDL_GetError());
    presentWindowClose();
    return;
  }
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  SDL_RenderSetLogicalSize(sdlRenderer, 512 * scale, 384 * scale);
#else
  (void)config;
  presentSetError("the window is not available: this build has no SDL2");
#endif
}

void presentWindowClose(void)
{
#if MORVANE_HAVE_SDL2
  if (sdlTexture)
    SDL_DestroyTexture(sdlTexture);
  if (sdlRenderer)
    SDL_DestroyRenderer(sdlRenderer);
  if (sdlWindow) {
    SDL_DestroyWindow(sdlWindow);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  sdlTexture = nullptr;
  sdlRenderer = nullptr;
  sdlWindow = nullptr;
#endif
}

int MachineGetWindowSize(int *width, int *height)
{
#if MORVANE_HAVE_SDL2
  if (sdlWindow) {
    SDL_GetWindowSize(sdlWindow, width, height);
    return 0;
  }
#endif
  (void)width, (void)height;
  return -1;
}

void presentWindow(const uint32_t *pixels, int width, int height)
{
#if MORVANE_HAVE_SDL2
  if (!sdlRenderer)
    return;
  if (!sdlTexture || textureWidth != width || textureHeight != height) {
    if (sdlTexture)
      SDL_DestroyTexture(sdlTexture);
    // ABGR8888 is the word R | G << 8 | B << 16 | A << 24, the GS's own order.
    sdlTexture = SDL_CreateTexture(sdlRenderer, SDL_PIXELFORMAT_ABGR8888,
                                   SDL_TEXTUREACCESS_STREAMING, width, height);
    textureWidth = width;
    textureHeight = height;
    if (!sdlTexture)
      return;
  }
  SDL_UpdateTexture(sdlTexture, nullptr, pixels, width * 4);
  SDL_SetRenderDrawColor(sdlRenderer, 0, 0, 0, 255);
  SDL_RenderClear(sdlRenderer);
  SDL_RenderCopy(sdlRenderer, sdlTexture, nullptr, nullptr);
  SDL_RenderPresent(sdlRenderer);
#else
  (void)pixels, (void)width, (void)height;
#endif
}

// F12: the picture shown, as morvane-FRAME.png in the current folder, at the
// export size; an existing file is never replaced (a number is added).
static void saveShot(int frame, const uint32_t *pixels, int width, int height)
{
  int outWidth, outHeight;
  presentExportSize(width, height, &outWidth, &outHeight);
  std::vector<uint8_t> rgb;
  presentToRgb(pixels, width, height, outWidth, outHeight, &rgb);
  for (int copy = 0; copy < 1000; copy++) {
    char name[48];
    if (copy == 0)
      std::snprintf(name, sizeof name, "morvane-%06d.png", frame);
    else
      std::snprintf(name, sizeof name, "morvane-%06d-%d.png", frame, copy);
    std::string problem;
    if (presentPngWrite(name, rgb.data(), outWidth, outHeight, 1, &problem) == 0) {
      std::fprintf(stderr, "morvane: saved %s\n", name);
      return;
    }
    if (problem != std::strerror(EEXIST)) {
      std::fprintf(stderr, "morvane: cannot save %s: %s\n", name, problem.c_str());
      return;
    }
  }
}

#if MORVANE_HAVE_SDL2
// One event; returns 1 when it lets the next frame through while paused.
static int handleEvent(const SDL_Event &event, int frame, const uint32_t *pixels, int width, int height)
{
  if (event.type == SDL_QUIT ||
      (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
    quitRequested = 1;
  } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
    if (pixels)
      presentWindow(pixels, width, height);
  } else if (event.type == SDL_KEYDOWN) {
    switch (event.key.keysym.sym) {
    case SDLK_ESCAPE: quitRequested = 1; break;
    case SDLK_SPACE: paused = !paused; return !paused;
    case SDLK_RIGHT: return paused;
    case SDLK_F12:
      if (pixels)
        saveShot(frame, pixels, width, height);
      break;
    default: break;
    }
  }
  return 0;
}
#endif

int presentWindowEvents(int frame, const uint32_t *pixels, int width, int height)
{
#if MORVANE_HAVE_SDL2
  SDL_Event event;
  int next = 0;
  while (sdlWindow && !quitRequested && SDL_PollEvent(&event))
    next |= handleEvent(event, frame, pixels, width, height);
  // Paused: the show waits here, drawing nothing, until it may go on.
  while (sdlWindow && paused && !next && !quitRequested)
    if (SDL_WaitEventTimeout(&event, 100))
      next = handleEvent(event, frame, pixels, width, height);
#else
  (void)frame, (void)pixels, (void)width, (void)height;
#endif
  return quitRequested;
}
