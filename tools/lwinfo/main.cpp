// lwinfo FILE: prints what the engine's readers make of one of the show's
// input files, chosen by the file's extension.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "imagecodec.h"
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
  {".jpg", LwinfoImage},
  {".jpeg", LwinfoImage},
  {".jpe", LwinfoImage},
  {".png", LwinfoImage},
  {".lwo", LwinfoObject},
  {".lws", LwinfoLws},
  {".lvl", LwinfoLvl},
};

void LwinfoStartEngine(const std::string &host, bool images)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = host;
  config.findByName = 1;  // user content: files moved out of their folders are found by name
  MachineSetup(&config);
  MemInit();
  if (images) {
    TexInit();
    TexRegisterCodec("TGA", TgaLoad);
    ImageCodecsRegister();
  }
}

void LwinfoPrintFit(int width, int height)
{
  int32_t fitWidth, fitHeight;
  TexFitSize(width, height, &fitWidth, &fitHeight);
  if (fitWidth != width || fitHeight != height)
    printf("drawn at:        %d x %d pixels (scaled down to fit the texture area)\n", (int)fitWidth,
           (int)fitHeight);
}

int LwinfoFail(const std::string &file, const std::string &message)
{
  fprintf(stderr, "lwinfo: %s: %s\n", file.c_str(), message.c_str());
  return 1;
}

int main(int argc, char **argv)
{
  CLI::App app{"Inspects the show's input files: TGA, JPEG and PNG images, LWO2 objects, LWS scenes, level files."};
  LwinfoOptions options;
  app.add_option("file", options.file, "file to inspect")->required();
  app.add_option("--png", options.png, "write the decoded image to this PNG file (images only)");
  app.add_flag("--json", options.json, "print one JSON object (objects and scenes)");
  app.add_option("--host", options.host, "host folder for the load (objects and scenes; default: the file's folder)");
  app.add_option("--layer", options.layer, "objects: show the layer of this LAYR number (default: the first)")
      ->check(CLI::Range(0, 65535));
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
