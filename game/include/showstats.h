// Where the show's frames spend their time: the frame as a whole, the scene
// step and the scroll text, timed by the show, and inside the scene step the
// engine's own counters (vertex stage, triangle stage, GS drawing). These are
// the figures the show benchmark reads; `morvane --stats` prints them at exit.
#pragma once
#include <cstdint>

// Totals since ShowStatsReset, in nanoseconds.
struct ShowStats {
  int64_t frames;
  int64_t frameNanos;     // the whole draw callback: clear, scene, scroll text, flip
  int64_t sceneNanos;     // the scene step, drawing included
  int64_t scrollNanos;    // the scroll text
  int64_t vertexNanos;    // engine counters over the same frames
  int64_t triangleNanos;
  int64_t gsNanos;
};

// Forgets the totals and takes the engine counters as they stand now.
void ShowStatsReset(void);
// Adds one frame of the given times; the engine counters are read here.
void ShowStatsAddFrame(int64_t frameNanos, int64_t sceneNanos, int64_t scrollNanos);
const ShowStats *ShowGetStats(void);
// The report, one line a call of `print`: the frame count, frames per second
// and each stage's time per frame, playback being the scene step less the
// three engine stages, and clear and flip what the frame spends besides.
void ShowStatsReport(void (*print)(const char *line));
