// lwinfo FILE: prints what the engine's readers make of one of the show's
// input files, chosen by the file's extension.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "lwinfo.h"

// One inspector part per extension (lower case, with the dot).
struct LwinfoPart {
  const char *extension;
  int (*run)(const LwinfoOptions &options);
};

static const LwinfoPart parts[] = {
  {".tga", LwinfoTga},
  {".lwo", LwinfoObject},
};

int LwinfoFail(const std::string &file, const std::string &message)
{
  fprintf(stderr, "lwinfo: %s: %s\n", file.c_str(), message.c_str());
  return 1;
}

int main(int argc, char **argv)
{
  CLI::App app{"Inspects the show's input files: TGA images, LWO2 objects."};
  LwinfoOptions options;
  app.add_option("file", options.file, "file to inspect")->required();
  app.add_option("--png", options.png, "write the decoded image to this PNG file (images only)");
  app.add_flag("--json", options.json, "print one JSON object (objects only)");
  app.add_option("--host", options.host, "host folder for the load (objects only; default: the file's folder)");
  CLI11_PARSE(app, argc, argv);

  std::string extension = std::filesystem::path(options.file).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return (char)std::tolower(c); });
  for (const LwinfoPart &part : parts)
    if (extension == part.extension)
      return part.run(options);
  return LwinfoFail(options.file, "unknown file type '" + extension + "'");
}
