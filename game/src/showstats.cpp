// The show's frame counters and their report.
#include "showstats.h"
#include "ps2draw.h"
#include "render.h"

#include <cstdio>

// Totals, and the engine counters at the last reset: the engine's counters
// run from start-up, the report covers the frames only.
static ShowStats stats;
static RenderStats renderBase;
static PS2DrawStats drawBase;

void ShowStatsReset(void)
{
  stats = ShowStats{};
  renderBase = *RenderGetStats();
  drawBase = *PS2DrawGetStats();
}

void ShowStatsAddFrame(int64_t frameNanos, int64_t sceneNanos, int64_t scrollNanos)
{
  stats.frames++;
  stats.frameNanos += frameNanos;
  stats.sceneNanos += sceneNanos;
  stats.scrollNanos += scrollNanos;
  stats.vertexNanos = RenderGetStats()->vertexNanos - renderBase.vertexNanos;
  stats.triangleNanos = RenderGetStats()->triangleNanos - renderBase.triangleNanos;
  stats.gsNanos = PS2DrawGetStats()->nanos - drawBase.nanos;
}

const ShowStats *ShowGetStats(void)
{
  return &stats;
}

static void stageLine(void (*print)(const char *), const char *name, int64_t nanos)
{
  char line[96];
  double perFrame = stats.frames > 0 ? 1e-6 * (double)nanos / (double)stats.frames : 0.0;
  double share = stats.frameNanos > 0 ? 100.0 * (double)nanos / (double)stats.frameNanos : 0.0;
  snprintf(line, sizeof line, "  %-14s %8.3f ms a frame  %5.1f%%", name, perFrame, share);
  print(line);
}

void ShowStatsReport(void (*print)(const char *line))
{
  char line[128];
  double seconds = 1e-9 * (double)stats.frameNanos;
  double fps = seconds > 0.0 ? (double)stats.frames / seconds : 0.0;
  snprintf(line, sizeof line, "%lld frames in %.3f s: %.1f frames per second",
           (long long)stats.frames, seconds, fps);
  print(line);
  int64_t engine = stats.vertexNanos + stats.triangleNanos + stats.gsNanos;
  stageLine(print, "frame", stats.frameNanos);
  stageLine(print, "playback", stats.sceneNanos - engine);
  stageLine(print, "vertex stage", stats.vertexNanos);
  stageLine(print, "triangle stage", stats.triangleNanos);
  stageLine(print, "GS drawing", stats.gsNanos);
  stageLine(print, "scroll text", stats.scrollNanos);
  stageLine(print, "clear and flip", stats.frameNanos - stats.sceneNanos - stats.scrollNanos);
}
