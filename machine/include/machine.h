// Control of the machine model from the desktop: what the command line sets,
// what the window layer asks after every frame, and what tests look at.
//
// Nothing in the engine includes this header except the window layer's loop
// exit, which is the desktop's way to end a show that never ends on the console.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum MachineRegion { MACHINE_REGION_PAL = 0, MACHINE_REGION_NTSC = 1 };

struct MachineConfig {
  std::string hostDir;      // folder that serves "host:" and device-less names
  int region;               // MachineRegion: the boot ROM's region byte
  int maxFrames;            // end the frame loop after this many frames; 0 = never
  int realtime;             // pace vertical blanks in real time (50 or 59.94 Hz)
  // Presenters of the displayed picture; none set: nothing is shown or written.
  std::string pngDir;       // one PNG per frame of the loop, named by frame number
  std::string videoFile;    // raw frames piped to ffmpeg, which writes this file
  int window;               // an SDL2 window showing every flip (implies real time)
  int scale;                // window magnification, 1 or more
  int checksums;            // one line per frame on standard error: number and CRC-32
  std::string sceneName;    // a scene to play instead of the built-in one ("" for the built-in)
  std::string fallbackDir;  // read-only second folder for names not under hostDir ("" for none)
  int loops;                // with maxFrames 0: end after this many passes of the animation; 0 = never
  int startFrame;           // frames drawn before the first one presented (and counted)
  int sceneSpeed;           // play at the scene's own frame rate instead of 1250 frames a pass
  int quiet;                // no title block, no progress line
  int outWidth, outHeight;  // exported frames (PNG, video) scaled to this size; 0 = native pixels
  // Content moved out of its folder: a name to read that is found nowhere
  // else is looked for by its file name alone in the folders of the files
  // read before it (the scene's, the objects'), the latest first.
  int findByName = 0;
};

// The defaults: the built demo content's folder as host folder (the current
// folder when that does not exist), PAL, no frame limit, unpaced.
void MachineDefaults(MachineConfig *config);

// Puts the whole model back to power-on state with this configuration:
// registers, open files, frame count.
void MachineSetup(const MachineConfig *config);
const MachineConfig *MachineGetConfig(void);

// Called by the window layer after every call of the draw callback: the
// picture the last flip shows is the frame of that call, and goes to the
// presenters. Returns 1 when the desktop asks the show to end (frame limit
// reached, window closed, Escape, a failure). The presenters are finished
// before the last frame returns, so that a failure to finish them counts.
int MachineFrameDone(void);
// Frames drawn since MachineSetup, the ones before startFrame included.
int MachineGetFrameCount(void);

// A failure that ends the show: "morvane: REASON" on standard error (the
// first failure only) and exit status 1. The frame loop ends after the
// frame in progress.
void MachineFail(const std::string &reason);
// 0, or 1 once something failed.
int MachineGetExitStatus(void);
// The number of frames one pass of the animation takes, as the show works it
// out once its scene is loaded (1250 until it says otherwise); --loops counts
// in these.
void MachineSetLoopFrames(int frames);
int MachineGetLoopFrames(void);
// Vertical syncs (field starts) since MachineSetup.
int MachineGetFieldCount(void);
// Tests: the clock that paces real time, in nanoseconds, and the wait until
// a time on it, in place of the host's steady clock and sleep (both null:
// the host's again). Set it before MachineSetup, which starts the beat.
void MachineSetClock(int64_t (*now)(void), void (*waitUntil)(int64_t));

// Image codecs beyond TGA: the desktop's start-up hands the model a function
// that adds them to the texture registry, and the show's start-up has the
// portability layer call it right after registering TGA. MachineSetup leaves
// it in place; null takes it away. MachineRegisterImageCodecs returns the
// function's result, or 0 when there is none.
void MachineSetImageCodecs(int32_t (*registerCodecs)(void));
int32_t MachineRegisterImageCodecs(void);

// Tests: when a sink is set, host print appends its text there as well as
// printing it to standard output; null stops the capture.
void MachineCaptureConsole(std::string *sink);

// Tests and tools: the host path a device-less or "host:" name resolves to,
// or an empty string when the name is on another device.
std::string MachineResolveHostPath(const char *name);
// The same for another folder serving as the host folder.
std::string MachineResolveHostPathUnder(const std::string &folder, const char *name);

// LightWave names files relative to its content folder, which is rarely the
// scene's own folder. For a scene file on the desktop: the scene's folder and
// then each of its parents, the first under which every object the scene
// loads is found (else the one where most are, the nearest first; the
// scene's folder when none is). Fills the folder, the scene's name below it
// and a line saying what was found; -1 when the scene cannot be read.
struct MachineContent {
  std::string folder;     // the content folder
  std::string sceneName;  // the scene's path below it, with '/'
  int objects = 0;        // object files the scene names
  int found = 0;          // how many of them are under the folder
};
int MachineFindContentFolder(const std::string &scenePath, MachineContent *content);
// "content folder DIR (K of N objects found there)".
std::string MachineDescribeContent(const MachineContent &content);

// Presenters that could not start (no ffmpeg, no display, a folder that cannot
// be written) are reported on standard error once; MachineGetPresentError tells
// the boot code and tests what went wrong ("" when nothing did).
std::string MachineGetPresentError(void);
// Finishes the presenters: closes the video pipe and waits for the encoder,
// ends the progress line. Runs by itself at exit; calling it twice is harmless.
void MachinePresentClose(void);
// The window's size in pixels; -1 when no window is open.
int MachineGetWindowSize(int *width, int *height);

// ---- Inspection, for tests and benchmarks ----

// What reached the model, recorded between MachineRecord(1) and MachineRecord(0)
// (MachineRecord(1) also forgets what was recorded before).
struct MachineHwWriteRec {
  int reg;          // HwReg
  uint64_t value;
};
struct MachineTransferRec {        // one DMA channel 2 transfer, word for word
  std::vector<uint64_t> words;     // 2 x QWC 64-bit words, as read from memory
};
struct MachineGsWriteRec {         // one GS general register write, after GIF unpacking
  int address;
  uint64_t value;
};
struct MachineImageRec {           // one host-to-local image transfer
  uint32_t dbp, dbw, dsax, dsay, rrw, rrh;
  uint32_t quadwords;              // image data that reached it
};
struct MachineRecording {
  std::vector<MachineHwWriteRec> hwWrites;
  std::vector<MachineTransferRec> transfers;
  std::vector<MachineGsWriteRec> gsWrites;
  std::vector<MachineImageRec> images;
};
void MachineRecord(int on);
const MachineRecording *MachineGetRecording(void);

// GS local memory: the 32-bit word at a byte address (taken modulo 4 MiB), and
// pixel (x, y) of a PSMCT32/PSMZ32 buffer at byte address `base` that is
// `width` pixels wide, in the linear layout the model uses.
uint32_t MachineReadGsWord(uint32_t byteAddress);
uint32_t MachineReadGsPixel(uint32_t base, int width, int x, int y);
// The picture the display shows now (circuit 2 over BGCOLOR): width x height
// words, R in bits 0-7, G 8-15, B 16-23. Returns 0, or -1 when nothing is set up.
int MachineGetDisplayPicture(std::vector<uint32_t> *pixels, int *width, int *height);

// Drawing counters since MachineSetup: primitives drawn, pixels covered
// (inside the scissor, before the depth and alpha tests), flips.
struct MachineGsStats {
  uint64_t primitives;
  uint64_t pixels;
  uint64_t flips;
};
MachineGsStats MachineGetGsStats(void);

// The GS model draws on worker threads, each owning interleaved bands of rows,
// while the program goes on; every inspection call above waits for them
// first. The count is chosen at the first primitive: MORVANE_GS_WORKERS from
// the environment, otherwise 2 with three cores or more, else 1. 1 draws on the
// program's thread, as does a build with MORVANE_GS_THREADS off.
// MachineSetGsWorkers changes it (after finishing what is queued);
// MachineGetGsWorkers says how many draw now (1 when none are running).
void MachineSetGsWorkers(int count);
int MachineGetGsWorkers(void);
