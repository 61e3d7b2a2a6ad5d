// The window and callback loop: the program's host.
#pragma once
#include <cstdint>

struct WindowInfo {
  int32_t reserved[4];  // members other platforms use; nothing here reads them
  int32_t width;        // drawing surface in pixels: 512
  int32_t height;       // 224 on NTSC, 256 on PAL
};

typedef void (*WindowFunc)(void);
typedef void (*WindowKeyFunc)(int key);

// Each stores its callback and returns 0; a null callback keeps the old one and gives -2.
int32_t WindowSetInit(WindowFunc fn);
int32_t WindowSetDraw(WindowFunc fn);
int32_t WindowSetFree(WindowFunc fn);
int32_t WindowSetKey(WindowKeyFunc fn);

// Sets the screen up, runs the init callback once and the draw callback until
// a quit request, then the free callback. Returns 0, or 1 when the show
// ended because something failed (WindowFail, an export that failed).
int32_t WindowShow(void);
// Ends the show after the callback in progress, as a failure: `reason` goes
// to the desktop's standard error and WindowShow returns 1.
void WindowFail(const char *reason);
WindowInfo *WindowGet(void);
void WindowDisplayText(int x, int y, const char *format, ...);
