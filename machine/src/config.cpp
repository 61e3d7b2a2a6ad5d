// The model's configuration and the desktop's frame loop exit.
#include "display_present.h"
#include "machine.h"
#include "machine_internal.h"

#include <filesystem>

// Written by MachineSetup (from the command line or a test), read by every part of the model.
// NOTE: the boot code runs before this file's static constructors, so the
// records with strings and vectors are built on first use.
static MachineConfig &configRecord(void)
{
  static MachineConfig record = {".", MACHINE_REGION_PAL, 0, 0, "", "", 0, 2, 0, "", ""};
  return record;
}
static int frameCount;
static int32_t (*imageCodecs)(void);   // MachineSetImageCodecs: survives MachineSetup
static std::string *consoleSink;
static int recording;                  // MachineRecord: on or off
static MachineRecording &recordedRecord(void)  // what reached the model while on
{
  static MachineRecording record;
  return record;
}

void MachineDefaults(MachineConfig *out)
{
  std::error_code ec;
  out->hostDir = std::filesystem::is_directory(MORVANE_DATA_DIR, ec) ? MORVANE_DATA_DIR : ".";
  out->region = MACHINE_REGION_PAL;
  out->maxFrames = 0;
  out->realtime = 0;
  out->pngDir.clear();
  out->videoFile.clear();
  out->window = 0;
  out->scale = 2;
  out->checksums = 0;
  out->sceneName.clear();
  out->fallbackDir.clear();
  out->findByName = 0;
}

void MachineSetup(const MachineConfig *in)
{
  MachineConfig &config = configRecord();
  config = *in;
  if (config.window)
    config.realtime = 1;  // a window shows the show at its own pace
  frameCount = 0;
  machineRegsReset();
  machineFileioReset();
  machineGsReset();
  presentStart();
}

const MachineConfig *MachineGetConfig(void)
{
  return &configRecord();
}

int MachineFrameDone(void)
{
  int quit = machineDisplayFrameDone(frameCount);
  frameCount++;
  int limit = configRecord().maxFrames;
  return quit || (limit > 0 && frameCount >= limit);
}

void MachineSetImageCodecs(int32_t (*registerCodecs)(void))
{
  imageCodecs = registerCodecs;
}

int32_t MachineRegisterImageCodecs(void)
{
  return imageCodecs ? imageCodecs() : 0;
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

void MachineRecord(int on)
{
  if (on)
    recordedRecord() = MachineRecording();
  recording = on;
}

const MachineRecording *MachineGetRecording(void)
{
  return &recordedRecord();
}

MachineRecording *machineRecording(void)
{
  return recording ? &recordedRecord() : nullptr;
}
