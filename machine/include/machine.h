// Control of the machine model from the desktop: what the command line sets,
// what the window layer asks after every frame, and what tests look at.
//
// Nothing in the engine includes this header except the window layer's loop
// exit, which is the desktop's way to end a show that never ends on the console.
#pragma once
#include <string>

enum MachineRegion { MACHINE_REGION_PAL = 0, MACHINE_REGION_NTSC = 1 };

struct MachineConfig {
  std::string hostDir;      // folder that serves "host:" and device-less names
  int region;               // MachineRegion: the boot ROM's region byte
  int maxFrames;            // end the frame loop after this many frames; 0 = never
  int realtime;             // pace vertical blanks in real time (50 or 59.94 Hz)
};

// The defaults: the built demo content's folder as host folder (the current
// folder when that does not exist), PAL, no frame limit, unpaced.
void MachineDefaults(MachineConfig *config);

// Puts the whole model back to power-on state with this configuration:
// registers, open files, frame count.
void MachineSetup(const MachineConfig *config);
const MachineConfig *MachineGetConfig(void);

// Called by the window layer after every call of the draw callback. Returns 1
// when the desktop asks the show to end (frame limit reached, window closed).
int MachineFrameDone(void);
int MachineFrameCount(void);
// Vertical syncs (field starts) since MachineSetup.
int MachineFieldCount(void);

// Tests: when a sink is set, host print appends its text there as well as
// printing it to standard output; null stops the capture.
void MachineCaptureConsole(std::string *sink);

// Tests and tools: the host path a device-less or "host:" name resolves to,
// or an empty string when the name is on another device.
std::string MachineResolveHostPath(const char *name);
