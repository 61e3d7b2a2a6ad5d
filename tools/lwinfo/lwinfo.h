// lwinfo: the inspector for the show's input formats. main.cpp reads the
// command line and hands the file to the part for its extension; each part
// prints what the engine's reader makes of the file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The options a part takes, by bit; the others are refused for its files.
enum {
  LWINFO_OPT_JSON = 1,
  LWINFO_OPT_PNG = 2,
  LWINFO_OPT_HOST = 4,
  LWINFO_OPT_EVAL = 8,
  LWINFO_OPT_LAYER = 16
};

struct LwinfoOptions {
  std::string file;  // the file to inspect
  std::string png;   // images: write the decoded picture here as PNG ("" = no)
  std::string host;  // objects and scenes: the host folder ("" = the file's folder)
  bool json = false; // images, objects and scenes: print one JSON object instead of text
  int layer = -1;    // objects: the LAYR number of the layer to show (-1 = the first)
  bool hasEval = false;
  float eval = 0.0f; // scenes: print every channel's value at this time (seconds)
};

// Each part returns the process's exit status: 0, or 1 after printing one
// line to standard error that names the file and the problem.
int LwinfoTga(const LwinfoOptions &options);
int LwinfoImage(const LwinfoOptions &options);  // JPEG and PNG
int LwinfoObject(const LwinfoOptions &options);
int LwinfoLws(const LwinfoOptions &options);
int LwinfoLvl(const LwinfoOptions &options);

// Puts the machine, pool and texture registry in the show's start-up state,
// with `host` serving the file names; `images` registers the TGA codec as the
// show does, so that objects and scenes load their images.
void LwinfoStartEngine(const std::string &host, bool images);

// Writes R, G, B, A pixels as a PNG file with the top row first; 0 when it
// cannot be written.
int LwinfoWritePng(const std::string &path, int width, int height, const uint8_t *rgba,
                   bool bottomFirst);
// Prints the size the show draws a picture at, when it is scaled down to fit
// the GS texture area.
void LwinfoPrintFit(int width, int height);

// The size the show draws a picture at (scaled down to fit the GS texture
// area when it is larger), for the JSON of images.
void LwinfoFitSize(int width, int height, int *fitWidth, int *fitHeight);

// Prints "lwinfo: FILE: MESSAGE" to standard error and returns 1.
int LwinfoFail(const std::string &file, const std::string &message);

// Reads a regular file whole (a FIFO or a device is refused without waiting
// on it); false with the reason in `problem`.
bool LwinfoReadFile(const std::string &path, std::vector<uint8_t> *bytes, std::string *problem);
