// Presenters: an SDL2 window, PNG files (libpng), raw RGB frames piped to
// ffmpeg, and a progress line while frames are exported.
#include "display_present.h"
#include "machine.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <png.h>
#include <string>
#include <vector>
#if MORVANE_HAVE_SDL2
#include <SDL.h>
#endif

// Presenter state: opened by presentStart and the first frame, closed by
// MachinePresentClose; only this file touches it.
// NOTE: used by the boot code before static constructors run: built on first use.
static std::string &presentErrorText(void)
{
  static std::string text;
  return text;
}
static FILE *videoPipe;
static int videoFailed;
static int progressShown;
static int quitRequested;
static int closeRegistered;
static std::vector<unsigned char> rgbRow;
#if MORVANE_HAVE_SDL2
static SDL_Window *sdlWindow;
static SDL_Renderer *sdlRenderer;
static SDL_Texture *sdlTexture;
static int textureWidth, textureHeight;
#endif

std::string MachinePresentError(void)
{
  return presentErrorText();
}

static int onPath(const char *program)
{
  const char *path = std::getenv("PATH");
  std::string list = path ? path : "";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    std::string dir = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::error_code ec;
    std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / program;
    if (std::filesystem::is_regular_file(candidate, ec))
      return 1;
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return 0;
}

static void openWindow(const MachineConfig *config)
{
#if MORVANE_HAVE_SDL2
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    presentErrorText() = std::string("cannot open the window: ") + SDL_GetError();
    return;
  }
  int h = config->region == MACHINE_REGION_PAL ? 256 : 224;
  int scale = config->scale > 0 ? config->scale : 1;
  sdlWindow = SDL_CreateWindow("Morvane", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                               512 * scale, h * scale, 0);
  if (sdlWindow)
    sdlRenderer = SDL_CreateRenderer(sdlWindow, -1, 0);
  if (!sdlRenderer) {
    presentErrorText() = std::string("cannot open the window: ") + SDL_GetError();
    return;
  }
#else
  (void)config;
  presentErrorText() = "the window is not available: this build has no SDL2";
#endif
}

void presentStart(void)
{
  MachinePresentClose();
  presentErrorText().clear();
  quitRequested = 0;
  const MachineConfig *config = MachineGetConfig();
  if (!config->pngDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(config->pngDir, ec);
    if (!std::filesystem::is_directory(config->pngDir, ec))
      presentErrorText() = "cannot create the PNG folder " + config->pngDir;
  }
  if (!config->videoFile.empty() && !onPath("ffmpeg"))
    presentErrorText() = "--video needs ffmpeg, which is not on PATH";
  if (config->window && presentErrorText().empty())
    openWindow(config);
  if (!closeRegistered && (config->window || !config->pngDir.empty() || !config->videoFile.empty())) {
    std::atexit(MachinePresentClose);
    closeRegistered = 1;
  }
}

void MachinePresentClose(void)
{
  if (videoPipe)
    pclose(videoPipe);
  videoPipe = nullptr;
  videoFailed = 0;
  if (progressShown)
    std::fputc('\n', stderr);
  progressShown = 0;
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

int presentQuitRequested(void)
{
#if MORVANE_HAVE_SDL2
  SDL_Event event;
  while (sdlWindow && SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) ||
        (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE))
      quitRequested = 1;
  }
#endif
  return quitRequested;
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
  SDL_RenderClear(sdlRenderer);
  SDL_RenderCopy(sdlRenderer, sdlTexture, nullptr, nullptr);
  SDL_RenderPresent(sdlRenderer);
  presentQuitRequested();
#else
  (void)pixels, (void)width, (void)height;
#endif
}

static const unsigned char *rgbOfRow(const uint32_t *row, int width)
{
  rgbRow.resize((size_t)width * 3);
  for (int x = 0; x < width; x++) {
    rgbRow[3 * x] = (unsigned char)row[x];
    rgbRow[3 * x + 1] = (unsigned char)(row[x] >> 8);
    rgbRow[3 * x + 2] = (unsigned char)(row[x] >> 16);
  }
  return rgbRow.data();
}

void presentPng(int frame, const uint32_t *pixels, int width, int height)
{
  char name[32];
  std::snprintf(name, sizeof name, "%06d.png", frame);
  std::string path = (std::filesystem::path(MachineGetConfig()->pngDir) / name).string();
  FILE *file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!file || !info || setjmp(png_jmpbuf(png))) {
    std::fprintf(stderr, "morvane: cannot write %s\n", path.c_str());
    png_destroy_write_struct(&png, &info);
    if (file)
      std::fclose(file);
    return;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; y++)
    png_write_row(png, rgbOfRow(pixels + (size_t)y * (size_t)width, width));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

void presentVideo(const uint32_t *pixels, int width, int height)
{
  const MachineConfig *config = MachineGetConfig();
  if (videoFailed)
    return;
  if (!videoPipe) {
    const char *rate = config->region == MACHINE_REGION_PAL ? "50" : "60000/1001";
    std::string quoted;  // the file name inside single quotes for the shell
    for (char c : config->videoFile)
      quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    std::signal(SIGPIPE, SIG_IGN);  // an encoder that stops early must not kill the show
    std::string command = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt rgb24 -s " +
                          std::to_string(width) + "x" + std::to_string(height) + " -r " + rate +
                          " -i - -pix_fmt yuv420p '" + quoted + "'";
    videoPipe = popen(command.c_str(), "w");
    if (!videoPipe) {
      std::fprintf(stderr, "morvane: cannot start ffmpeg\n");
      videoFailed = 1;
      return;
    }
  }
  for (int y = 0; y < height; y++)
    std::fwrite(rgbOfRow(pixels + (size_t)y * (size_t)width, width), 1, (size_t)width * 3, videoPipe);
}

void presentProgress(int frame)
{
  const MachineConfig *config = MachineGetConfig();
  if (frame % 10 != 0 && (config->maxFrames == 0 || frame + 1 < config->maxFrames))
    return;
  if (config->maxFrames > 0)
    std::fprintf(stderr, "\rmorvane: frame %d of %d", frame + 1, config->maxFrames);
  else
    std::fprintf(stderr, "\rmorvane: frame %d", frame + 1);
  progressShown = 1;
}
