// The model's configuration and the desktop's frame loop exit.
#include "display_present.h"
#include "machine.h"
#include "machine_internal.h"

#include <cstdio>
#include <filesystem>

// Written by MachineSetup (from the command line or a test), read by every part of the model.
// NOTE: the boot code runs before this file's static constructors, so the
// records with strings and vectors are built on first use.
static MachineConfig &configRecord(void)
{
  static MachineConfig record = {".", MACHINE_REGION_PAL, 0, 0, "", "", 0, 2, 0, "", "", 0, 0, 0, 0, 0, 0};
  return record;
}
static int frameCount;                 // frames drawn since MachineSetup
static int exitStatus;                 // MachineFail: 1 once something failed
static int loopFrames = 1250;          // one pass of the animation, as the show reports it
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
  out->loops = 0;
  out->startFrame = 0;
  out->sceneSpeed = 0;
  out->quiet = 0;
  out->outWidth = 0;
  out->outHeight = 0;
  out->findByName = 0;
}

void MachineSetup(const MachineConfig *in)
{
  MachineConfig &config = configRecord();
  config = *in;
  if (config.window)
    config.realtime = 1;  // a window shows the show at its own pace
  frameCount = 0;
  exitStatus = 0;
  loopFrames = 1250;
  machineRegsReset();
  machineFileioReset();
  machineGsReset();
  machineDisplaySkipping(0);
  presentOpen();
}

const MachineConfig *MachineGetConfig(void)
{
  return &configRecord();
}

// The number of frames drawn after which the show ends, or 0 for never:
// --frames counts frames presented, --loops passes of the animation, both
// after the frames skipped by --start.
static int64_t frameLimit(void)
{
  const MachineConfig &config = configRecord();
  int64_t presented = config.maxFrames > 0 ? config.maxFrames : (int64_t)config.loops * loopFrames;
  return presented > 0 ? config.startFrame + presented : 0;
}

int MachineFrameDone(void)
{
  int quit = machineDisplayFrameDone(frameCount);
  frameCount++;
  machineDisplaySkipping(frameCount);
  int64_t limit = frameLimit();
  if (quit || exitStatus || (limit > 0 && frameCount >= limit)) {
    MachinePresentClose();  // the encoder's verdict decides the exit status too
    return 1;
  }
  return 0;
}

void MachineFail(const std::string &reason)
{
  if (exitStatus)
    return;  // the first failure is the one that matters
  exitStatus = 1;
  presentEndProgress();
  std::fprintf(stderr, "morvane: %s\n", reason.c_str());
}

int MachineGetExitStatus(void)
{
  return exitStatus;
}

void MachineSetLoopFrames(int frames)
{
  loopFrames = frames > 0 ? frames : 1250;
}

int MachineGetLoopFrames(void)
{
  return loopFrames;
}

void MachineSetImageCodecs(int32_t (*registerCodecs)(void))
{
  imageCodecs = registerCodecs;
}

int32_t MachineRegisterImageCodecs(void)
{
  return imageCodecs ? imageCodecs() : 0;
}

int MachineGetFrameCount(void)
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

MachineRecording *machineRecorder(void)
{
  return recording ? &recordedRecord() : nullptr;
}
