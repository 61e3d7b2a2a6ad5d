// The model's configuration and the desktop's frame loop exit.
#include "machine.h"
#include "machine_internal.h"

#include <filesystem>

// Written by MachineSetup (from the command line or a test), read by every part of the model.
static MachineConfig config = {".", MACHINE_REGION_PAL, 0, 0};
static int frameCount;
static std::string *consoleSink;

void MachineDefaults(MachineConfig *out)
{
  std::error_code ec;
  out->hostDir = std::filesystem::is_directory(MORVANE_DATA_DIR, ec) ? MORVANE_DATA_DIR : ".";
  out->region = MACHINE_REGION_PAL;
  out->maxFrames = 0;
  out->realtime = 0;
}

void MachineSetup(const MachineConfig *in)
{
  config = *in;
  frameCount = 0;
  machineRegsReset();
  machineFileioReset();
  machineGsReset();
}

const MachineConfig *MachineGetConfig(void)
{
  return &config;
}

int MachineFrameDone(void)
{
  frameCount++;
  return config.maxFrames > 0 && frameCount >= config.maxFrames;
}

int MachineFrameCount(void)
{
  return frameCount;
}

void MachineCaptureConsole(std::string *sink)
{
  consoleSink = sink;
}

// Used by host print.
std::string *machineConsoleSink(void)
{
  return consoleSink;
}
