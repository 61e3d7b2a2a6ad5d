// What the presenters share: their start and finish, the export of a frame
// to PNG files and the video encoder at the export size, and the progress line.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>

#include "display_present.h"
#include "machine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <unistd.h>

// Presenter state: set by presentOpen, cleared by MachinePresentClose; only
// the presenter files touch it.
// NOTE: used by the boot code before static constructors run: built on first use.
static std::string &presentErrorText(void)
{
  static std::string text;
  return text;
}
static int progressShown;
static int closeRegistered;

std::string MachineGetPresentError(void)
{
  return presentErrorText();
}

void presentSetError(const std::string &text)
{
  presentErrorText() = text;
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
    if (std::filesystem::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0)
      return 1;
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return 0;
}

void presentOpen(void)
{
  MachinePresentClose();
  presentErrorText().clear();
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
    presentWindowOpen(config);
  if (!closeRegistered && (config->window || !config->pngDir.empty() || !config->videoFile.empty())) {
    std::atexit(MachinePresentClose);
    closeRegistered = 1;
  }
}

void MachinePresentClose(void)
{
  presentVideoFinish();
  presentEndProgress();
  presentWindowClose();
}

void presentExportSize(int width, int height, int *outWidth, int *outHeight)
{
  const MachineConfig *config = MachineGetConfig();
  *outWidth = config->outWidth > 0 ? config->outWidth : width;
  *outHeight = config->outHeight > 0 ? config->outHeight : height;
}

void presentSampleAspect(int width, int height, int *num, int *den)
{
  // A pixel of a 4:3 picture W pixels across and H down is (4 / W) / (3 / H) as wide as tall.
  int64_t n = 4 * (int64_t)height, d = 3 * (int64_t)width;
  int64_t g = std::gcd(n, d);
  *num = g ? (int)(n / g) : 1;
  *den = g ? (int)(d / g) : 1;
}

void presentToRgb(const uint32_t *pixels, int width, int height, int outWidth, int outHeight,
                  std::vector<uint8_t> *rgb)
{
  size_t count = (size_t)width * (size_t)height;
  std::vector<uint8_t> native(count * 3);
  for (size_t i = 0; i < count; i++) {
    native[3 * i] = (uint8_t)pixels[i];
    native[3 * i + 1] = (uint8_t)(pixels[i] >> 8);
    native[3 * i + 2] = (uint8_t)(pixels[i] >> 16);
  }
  if (outWidth == width && outHeight == height) {
    rgb->swap(native);
    return;
  }
  rgb->resize((size_t)outWidth * (size_t)outHeight * 3);
  stbir_resize_uint8_srgb(native.data(), width, height, 0, rgb->data(), outWidth, outHeight, 0, 3,
                          STBIR_ALPHA_CHANNEL_NONE, 0);
}

int presentExport(int frame, const uint32_t *pixels, int width, int height)
{
  const MachineConfig *config = MachineGetConfig();
  if (config->pngDir.empty() && config->videoFile.empty())
    return 0;
  int outWidth, outHeight;
  presentExportSize(width, height, &outWidth, &outHeight);
  static std::vector<uint8_t> rgb;  // reused for every frame
  presentToRgb(pixels, width, height, outWidth, outHeight, &rgb);
  if (!config->pngDir.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.png", frame);
    std::string path = (std::filesystem::path(config->pngDir) / name).string();
    std::string problem;
    if (presentPngWrite(path, rgb.data(), outWidth, outHeight, 0, &problem) != 0) {
      MachineFail("cannot write " + path + ": " + problem);
      return -1;
    }
  }
  if (!config->videoFile.empty() && presentVideoFrame(rgb.data(), outWidth, outHeight) != 0)
    return -1;
  return 0;
}

void presentProgress(int presented)
{
  const MachineConfig *config = MachineGetConfig();
  static int onTerminal = -1;
  if (onTerminal < 0)
    onTerminal = isatty(STDERR_FILENO);
  if (config->quiet || !onTerminal)
    return;  // a progress line rewritten in place is noise in a log
  int64_t total = config->maxFrames > 0 ? config->maxFrames
                                        : (int64_t)config->loops * MachineGetLoopFrames();
  if (presented % 10 != 0 && (total == 0 || presented < total))
    return;
  if (total > 0)
    std::fprintf(stderr, "\rmorvane: frame %d of %lld", presented, (long long)total);
  else
    std::fprintf(stderr, "\rmorvane: frame %d", presented);
  progressShown = 1;
}

void presentEndProgress(void)
{
  if (progressShown)
    std::fputc('\n', stderr);
  progressShown = 0;
}
