// The presenters of the displayed picture, for display.cpp and the model's
// set-up: the window (presentwindow.cpp), PNG files (presentpng.cpp), the
// video encoder (presentvideo.cpp) and what they share (present.cpp).
// Pictures are rows of 32-bit words, R in bits 0-7, G 8-15, B 16-23; what
// goes to files is packed 8-bit R, G, B.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct MachineConfig;

// Starts what the configuration asks for (window, PNG folder, ffmpeg check)
// after closing what ran before; problems go to MachineGetPresentError.
void presentOpen(void);
// One frame presented: `frame` is its number in the show. Writes it to the
// PNG folder and the encoder at the export size; 0, or -1 after MachineFail.
int presentExport(int frame, const uint32_t *pixels, int width, int height);
// "frame N of M" on a terminal, rewritten in place; nothing into a log.
void presentProgress(int presented);
void presentEndProgress(void);
// The export size of a picture: --size when given, else the picture's own.
void presentExportSize(int width, int height, int *outWidth, int *outHeight);
// Packed 8-bit R, G, B of a picture, scaled to outWidth x outHeight with a
// Mitchell filter (down) or a Catmull-Rom filter (up) in linear light.
void presentToRgb(const uint32_t *pixels, int width, int height, int outWidth, int outHeight,
                  std::vector<uint8_t> *rgb);
// The sample aspect ratio of a picture of `width` x `height` shown 4:3, in lowest terms.
void presentSampleAspect(int width, int height, int *num, int *den);

// The window.
void presentWindowOpen(const MachineConfig *config);  // problems go to MachineGetPresentError
void presentWindow(const uint32_t *pixels, int width, int height);
// Polls the window's keys after frame `frame`: Escape or closing it quits
// (returns 1), Space pauses (this call then waits until Space again or the
// right arrow, which lets one frame through), F12 saves the picture shown.
int presentWindowEvents(int frame, const uint32_t *pixels, int width, int height);
void presentWindowClose(void);
void presentSetError(const std::string &text);

// PNG files. Writes to a temporary file in the same folder, then renames it
// to `path` (replacing what is there, a symbolic link itself rather than
// what it leads to) or, with noReplace, links it there only if nothing is.
// 0, or -1 with the reason in `problem`.
int presentPngWrite(const std::string &path, const uint8_t *rgb, int width, int height,
                    int noReplace, std::string *problem);

// The video encoder: ffmpeg, started on the first frame, fed packed RGB.
// 0, or -1 after MachineFail.
int presentVideoFrame(const uint8_t *rgb, int width, int height);
// Closes the pipe and waits for the encoder; its exit status decides. 0, or
// -1 after MachineFail. Nothing to finish: 0.
int presentVideoFinish(void);
