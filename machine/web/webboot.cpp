// The web page's start-up: sets the machine model up from what the page asks
// and then runs the show's own main.
//
// The desktop's boot code runs before main from the start-up table, which
// the WebAssembly back end cannot compile; here main is this file's, and the
// show's main is compiled under another name. The page passes its choices as
// arguments: --region pal|ntsc, --frame N (show frame N and stop there),
// --host DIR with --scene NAME (a user's archive and the scene in it).
#include "machine.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <emscripten.h>
#include <string>

int morvaneShowMain(int argc, char **argv);

// The built-in archive and the built-in font's folder, as the page's files lay them.
static const char *const builtInHost = "/data";
static const char *const builtInContent = "/data/content";

EM_JS(void, webShowEnded, (int status), { Module.morvaneEnded(status); });

// A whole number from 0 to INT_MAX, or -1.
static int wholeNumber(const char *text)
{
  char *end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (!*text || *end || errno || value < 0 || value > INT_MAX || *text < '0' || *text > '9')
    return -1;
  return (int)value;
}

// Reads the page's arguments into the configuration; a message, or "".
static std::string readArguments(int argc, char **argv, MachineConfig *config)
{
  for (int i = 1; i < argc; i += 2) {
    if (i + 1 >= argc)
      return std::string(argv[i]) + " wants a value";
    const char *name = argv[i], *value = argv[i + 1];
    if (!std::strcmp(name, "--region") && (!std::strcmp(value, "pal") || !std::strcmp(value, "ntsc"))) {
      config->region = !std::strcmp(value, "ntsc") ? MACHINE_REGION_NTSC : MACHINE_REGION_PAL;
    } else if (!std::strcmp(name, "--frame") && wholeNumber(value) >= 0) {
      config->startFrame = wholeNumber(value);  // the frames before it are drawn unseen
      config->maxFrames = 1;
    } else if (!std::strcmp(name, "--host")) {
      config->hostDir = value;
    } else if (!std::strcmp(name, "--scene")) {
      config->sceneName = value;
      config->findByName = 1;
    } else {
      return std::string("cannot use ") + name + " " + value;
    }
  }
  return "";
}

int main(int argc, char **argv)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = builtInHost;
  config.fallbackDir = builtInContent;  // a user's archive without a font uses the show's
  std::string problem = readArguments(argc, argv, &config);
  if (!problem.empty()) {
    std::fprintf(stderr, "morvane: %s\n", problem.c_str());
    webShowEnded(2);
    return 2;
  }
  MachineSetup(&config);
  char name[] = "morvane";
  char *showArgs[] = {name, nullptr};
  int status = morvaneShowMain(1, showArgs);
  webShowEnded(status);
  return status;
}
