// Desktop start-up: reads the command line and sets the machine model up
// before the show's main runs.
//
// On the console, the boot code prepares the machine and then calls main,
// which takes no arguments. Here the same happens: the C library calls the
// functions of .init_array with the process's arguments before main, and this
// one configures the model from them. The show itself never sees an option.
//
// Exit statuses: 0 when the show ended as asked, 1 when something failed
// (an export, the window, the scene asked for), 2 for a wrong command line.
#include "imagecodec.h"
#include "machine.h"
#include "machine_stats.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// What the command line says beyond MachineConfig's own fields.
struct BootOptions {
  std::string region = "pal";
  std::string speed = "loop";
  std::string size;
  int headless = 0;
  int stats = 0;
  bool hostGiven = false;
};

}  // namespace

static const char *const keysHelp =
    "\nIn the window: Space pauses and goes on, the right arrow steps one frame while paused,\n"
    "F12 saves the picture shown as morvane-FRAME.png in the current folder, Escape quits.\n"
    "Exit status: 0 when the show ended as asked, 1 when something failed, 2 for a wrong command line.\n";

// "a whole number" check for integer options, with a plain message instead
// of the conversion's range.
static CLI::Validator wholeNumber(int minimum)
{
  return CLI::Validator(
      [minimum](std::string &text) {
        char *end = nullptr;
        errno = 0;
        long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end || errno || value < minimum || value > INT_MAX ||
            !std::isdigit((unsigned char)text[0]))
          return "wants a whole number of " + std::to_string(minimum) + " or more, not '" + text + "'";
        return std::string();
      },
      minimum ? "N>=1" : "N", "whole number");
}

static void addOptions(CLI::App &app, MachineConfig &config, BootOptions &boot)
{
  app.add_option("--frames", config.maxFrames,
                 "End after N frames (N calls of the draw callback); 0 plays forever")
      ->check(wholeNumber(0));
  CLI::Option *loops = app.add_option("--loops", config.loops,
                                      "End after N passes of the animation (exports: 1 unless --frames)")
                           ->check(wholeNumber(1));
  app.get_option("--frames")->excludes(loops);
  app.add_option("--start", config.startFrame,
                 "Begin at frame N of the show: the frames before it are not shown or written")
      ->check(wholeNumber(0));
  app.add_option("--speed", boot.speed,
                 "loop: every scene plays in 1250 frames (default); scene: at the scene's own frame rate")
      ->check(CLI::IsMember({"loop", "scene"}, CLI::ignore_case));
  app.add_option("--host", config.hostDir, "Folder that serves \"host:\" and device-less file names")
      ->check(CLI::ExistingDirectory);
  app.add_option("--region", boot.region, "The boot ROM's region: pal (512 x 256, 50 Hz) or ntsc (512 x 224, 59.94 Hz)")
      ->check(CLI::IsMember({"pal", "ntsc"}, CLI::ignore_case));
  app.add_flag("--realtime", config.realtime, "Pace the frames in real time (50 or 59.94 flips per second)");
  app.add_option("--png", config.pngDir, "Write every frame as DIR/NNNNNN.png, numbered by frame");
  app.add_option("--video", config.videoFile, "Pipe the frames to ffmpeg, which writes FILE (4:3 sample aspect)");
  app.add_option("--size", boot.size, "Scale exported frames (PNG, video, F12) to WxH, e.g. 1024x768; default: 512 x 256 or 224 as drawn");
  app.add_flag("--window", config.window, "Show the picture in a 4:3 window (real time; keys below)");
  app.add_option("--scale", config.scale, "Window size: 512 x 384 times N (default 2)")->check(CLI::Range(1, 8));
  app.add_flag("--checksums", config.checksums, "Print each frame's number and picture checksum on standard error");
  app.add_option("--scene", config.sceneName,
                 "Play this LightWave scene instead of the built-in one: a scene file (its content folder is "
                 "found as LightWave would), or a name under the host folder (e.g. 'Scenes\\ship.lws')");
  app.add_flag("--headless", boot.headless, "Never open a window, even when a display is available");
  app.add_flag("--quiet", config.quiet, "No title block on standard output and no progress line");
  app.add_flag("--stats", boot.stats,
               "At exit, print frames per second and each stage's time per frame on standard output");
  app.footer(keysHelp);
}

// A scene given as a file path plays from its content folder, found as
// LightWave users expect, unless --host names the folder; a name that is no
// file here is a name under the host folder, as before. Says which folder.
static void placeScene(MachineConfig *config, bool hostGiven)
{
  std::error_code ec;
  namespace fs = std::filesystem;
  config->findByName = 1;
  if (!fs::is_regular_file(config->sceneName, ec))
    return;
  MachineContent content;
  if (hostGiven) {
    fs::path relative = fs::relative(fs::absolute(config->sceneName, ec), fs::absolute(config->hostDir, ec), ec);
    if (!ec && !relative.empty() && *relative.begin() != "..")
      config->sceneName = relative.generic_string();
  } else if (MachineFindContentFolder(config->sceneName, &content) == 0) {
    config->hostDir = content.folder;
    config->sceneName = content.sceneName;
    if (!config->quiet)
      std::fprintf(stderr, "morvane: %s for %s\n", MachineDescribeContent(content).c_str(),
                   content.sceneName.c_str());
  }
}

// "WxH" into the export size; false when it is not two whole numbers from 16 to 8192.
static bool parseSize(const std::string &text, MachineConfig *config)
{
  int w = 0, h = 0, used = 0;
  if (std::sscanf(text.c_str(), "%5d%*[xX]%5d%n", &w, &h, &used) != 2 || used != (int)text.size() ||
      w < 16 || h < 16 || w > 8192 || h > 8192)
    return false;
  config->outWidth = w;
  config->outHeight = h;
  return true;
}

// A wrong command line: the reason on one line, the usage, exit status 2.
[[noreturn]] static void usageError(const std::string &message)
{
  std::fprintf(stderr, "morvane: %s\nUsage: morvane [OPTIONS]\nTry 'morvane --help' for the options.\n",
               message.c_str());
  std::exit(2);
}

// What the options imply for each other once they are all read.
static void settle(MachineConfig &config, const BootOptions &boot)
{
  config.region = CLI::detail::to_lower(boot.region) == "ntsc" ? MACHINE_REGION_NTSC : MACHINE_REGION_PAL;
  config.sceneSpeed = CLI::detail::to_lower(boot.speed) == "scene";
  if (!boot.size.empty() && !parseSize(boot.size, &config))
    usageError("--size: wants WIDTHxHEIGHT, each from 16 to 8192, not '" + boot.size + "'");
  bool exporting = !config.pngDir.empty() || !config.videoFile.empty();
  if (exporting && config.maxFrames == 0 && config.loops == 0)
    config.loops = 1;  // an export of a show that never ends would never end
  // Plain `morvane` plays the show as the console would: forever, and in a
  // window when there is a display to show it on.
  bool presenter = config.window || exporting || config.checksums;
  bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (!presenter && !boot.headless && config.maxFrames == 0 && config.loops == 0 && display)
    config.window = 1;
  // Another scene's files come from the host folder; the show's font still
  // comes from the built-in content when that is there.
  std::error_code ec;
  std::string builtIn = std::string(MORVANE_DATA_DIR) + "/content";
  if (!config.sceneName.empty() && std::filesystem::is_directory(builtIn, ec))
    config.fallbackDir = builtIn;
  if (!config.sceneName.empty())
    placeScene(&config, boot.hostGiven);
}

static void bootMachine(int argc, char **argv, char **envp)
{
  (void)envp;
  MachineConfig config;
  MachineDefaults(&config);
  BootOptions boot;

  CLI::App app{"Morvane: a real-time show on a software model of the console.", "morvane"};
  app.set_version_flag("--version", std::string("morvane ") + MORVANE_VERSION);
  addOptions(app, config, boot);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &e) {
    std::exit(app.exit(e));
  } catch (const CLI::CallForVersion &e) {
    std::exit(app.exit(e));
  } catch (const CLI::ParseError &e) {
    usageError(e.what());
  }
  boot.hostGiven = app.count("--host") > 0;
  settle(config, boot);
  MachineSetup(&config);
  MachineSetStatsWanted(boot.stats);
  MachineSetImageCodecs(ImageCodecsRegister);
  std::string error = MachineGetPresentError();
  if (!error.empty()) {
    std::fprintf(stderr, "morvane: %s\n", error.c_str());
    std::exit(1);
  }
}

__attribute__((section(".init_array"), used))
static void (*bootEntry)(int, char **, char **) = bootMachine;
