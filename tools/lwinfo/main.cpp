// lwinfo FILE: prints what the engine's readers make of one of the show's
// input files, chosen by the file's extension.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "lwinfo.h"
#include "machine.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"

// One inspector part per extension (lower case, with the dot).
struct LwinfoPart {
  const char *extension;
  int (*run)(const LwinfoOptions &options);
};

static const LwinfoPart parts[] = {
  {".tga", LwinfoTga},
  {".lwo", LwinfoObject},
  {".lws", LwinfoLws},
  {".lvl", LwinfoLvl},
};

void LwinfoStartEngine(const std::string &host, bool images)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = host;
  MachineSetup(&config);
  MemInit();
  if (images) {
    TexInit();
    TexRegisterCodec("TGA", TgaLoad);
  }
}

int LwinfoFail(const std::string &file, const std::string &message)
{
  fprintf(stderr, "lwinfo: %s: %s\n", file.c_str(), message.c_str());
  return 1;
}

int main(int argc, char **argv)
{
  CLI::App app{"Inspects the show's input files: TGA images, LWO2 objects, LWS scenes, level files."};
  LwinfoOptions options;
  app.add_option("file", options.file, "file to inspect")->required();
  app.add_option("--png", options.png, "write the decoded image to this PNG file (images only)");
  app.add_flag("--json", options.json, "print one JSON object (objects and scenes)");
  app.add_option("--host", options.host, "host folder for the load (objects and scenes; default: the file's folder)");
  CLI::Option *eval = app.add_option("--eval", options.eval, "scenes: print every channel's value at T seconds (with --json, world matrices too)");
  CLI11_PARSE(app, argc, argv);
  options.hasEval = eval->count() > 0;

  std::string extension = std::filesystem::path(options.file).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return (char)std::tolower(c); });
  for (const LwinfoPart &part : parts)
    if (extension == part.extension)
      return part.run(options);
  return LwinfoFail(options.file, "unknown file type '" + extension + "'");
}
