// Desktop start-up: reads the command line and sets the machine model up
// before the show's main runs.
//
// On the console, the boot code prepares the machine and then calls main,
// which takes no arguments. Here the same happens: the C library calls the
// functions of .init_array with the process's arguments before main, and this
// one configures the model from them. The show itself never sees an option.
#include "imagecodec.h"
#include "machine.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

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
    std::fprintf(stderr, "morvane: %s for %s\n", MachineDescribeContent(content).c_str(),
                 content.sceneName.c_str());
  }
}

static void bootMachine(int argc, char **argv, char **envp)
{
  (void)envp;
  MachineConfig config;
  MachineDefaults(&config);

  CLI::App app{"Morvane: a real-time show on a software model of the console.", "morvane"};
  app.set_version_flag("--version", std::string("morvane ") + MORVANE_VERSION);
  app.add_option("--frames", config.maxFrames, "End after N frames (N calls of the draw callback); 0 plays forever")
    ->check(CLI::NonNegativeNumber);
  CLI::Option *host = app.add_option("--host", config.hostDir, "Folder that serves \"host:\" and device-less file names")
    ->check(CLI::ExistingDirectory);
  std::string region = "pal";
  app.add_option("--region", region, "The boot ROM's region: pal (512 x 256, 50 Hz) or ntsc (512 x 224, 59.94 Hz)")
    ->check(CLI::IsMember({"pal", "ntsc"}, CLI::ignore_case));
  app.add_flag("--realtime", config.realtime, "Pace the frames in real time (50 or 59.94 flips per second)");
  app.add_option("--png", config.pngDir, "Write every frame of the loop as DIR/NNNNNN.png, numbered from 0");
  app.add_flag("--window", config.window, "Show the picture in a window (real time; Escape or closing it quits)");
  app.add_option("--scale", config.scale, "Window magnification")->check(CLI::Range(1, 8));
  app.add_option("--video", config.videoFile, "Pipe the frames to ffmpeg, which writes FILE");
  app.add_flag("--checksums", config.checksums, "Print each frame's number and picture checksum on standard error");

  app.add_option("--scene", config.sceneName,
                 "Play this LightWave scene instead of the built-in one: a scene file (its content folder is "
                 "found as LightWave would), or a name under the host folder (e.g. 'Scenes\\ship.lws')");
  int headless = 0;
  app.add_flag("--headless", headless, "Never open a window, even when a display is available");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp &e) {
    std::exit(app.exit(e));
  } catch (const CLI::CallForVersion &e) {
    std::exit(app.exit(e));
  } catch (const CLI::ParseError &e) {
    std::fprintf(stderr, "morvane: %s\n\n%s", e.what(), app.help().c_str());
    std::exit(2);
  }
  config.region = (region == "ntsc" || region == "NTSC") ? MACHINE_REGION_NTSC : MACHINE_REGION_PAL;
  // Plain `morvane` plays the show as the console would: forever, and in a
  // window when there is a display to show it on.
  bool presenter = config.window || !config.pngDir.empty() || !config.videoFile.empty() || config.checksums;
  bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (!presenter && !headless && config.maxFrames == 0 && display)
    config.window = 1;
  // Another scene's files come from the host folder; the show's font still
  // comes from the built-in content when that is there.
  std::error_code ec;
  std::string builtIn = std::string(MORVANE_DATA_DIR) + "/content";
  if (!config.sceneName.empty() && std::filesystem::is_directory(builtIn, ec))
    config.fallbackDir = builtIn;
  if (!config.sceneName.empty())
    placeScene(&config, host->count() > 0);
  MachineSetup(&config);
  MachineSetImageCodecs(ImageCodecsRegister);
  std::string error = MachinePresentError();
  if (!error.empty()) {
    std::fprintf(stderr, "morvane: %s\n", error.c_str());
    std::exit(1);
  }
}

__attribute__((section(".init_array"), used))
static void (*bootEntry)(int, char **, char **) = bootMachine;
