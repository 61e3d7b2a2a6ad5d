// lwinfo's LVL part: reads a level description file through LvlLoad, with
// the file's folder as host folder, and prints the record.
#include <cstdio>
#include <filesystem>
#include <string>

#include "lvl.h"
#include "lwinfo.h"
#include "machine.h"
#include "mem.h"

namespace fs = std::filesystem;

int LwinfoLvl(const LwinfoOptions &options)
{
  std::error_code ec;
  if (!fs::is_regular_file(options.file, ec))
    return LwinfoFail(options.file, "no such file");
  fs::path path = fs::absolute(options.file, ec);
  LwinfoStartEngine(path.parent_path().string(), false);
  std::string console;
  MachineCaptureConsole(&console);
  // The record's paths are built from the name's folder: a Windows-style
  // name below the host folder, as the show would give it.
  std::string name = "C:\\" + path.filename().string();
  LvlRecord level{};
  int32_t result = LvlLoad(&level, name.c_str());
  MachineCaptureConsole(nullptr);
  if (result != LVL_OK)
    return LwinfoFail(options.file, "the level file does not load (" + std::to_string(result) + ")");
  printf("file name:  %s\n", level.fileName);
  printf("directory:  %s\n", level.directory);
  printf("name:       %s\n", level.name);
  printf("world:      %s\n", level.world);
  printf("texture:    %s\n", level.texture);
  printf("camera:     %s\n", level.camera);
  printf("position:   %g, %g, %g\n", (double)level.posX, (double)level.posY, (double)level.posZ);
  printf("rotation:   %g, %g, %g\n", (double)level.rotX, (double)level.rotY, (double)level.rotZ);
  return 0;
}
