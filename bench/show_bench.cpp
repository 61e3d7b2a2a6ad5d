// The whole show, headless and unpaced, on the built demo content: frames per
// second with the time of each stage, and the start-up from the archive to
// "Starting the show..".
//
// Stages: playback (envelopes, matrices, morphs: what LwsEnable does besides
// drawing), the vertex stage, the triangle stage, GS drawing (packets, DMA and
// the model rasterising the triangles), the scroll text, and the rest (clear
// and flip). The show times its frame, scene step and scroll text; the
// vertex, triangle and GS times come from the engine's own counters.
#include "lws.h"
#include "machine.h"
#include "mem.h"
#include "ps2screen.h"
#include "show.h"
#include "showstats.h"
#include "tex.h"
#include "window.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

namespace {

// Start-up as the window layer does it, on a forgotten pool; the console's
// title block goes to standard output, so it is captured and dropped.
void startShow(int region)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = MORVANE_DATA_DIR;
  config.region = region;
  MemFreeAll();
  TexFreeAll();
  ShowReset();
  MachineSetup(&config);
  std::string console;
  MachineCaptureConsole(&console);
  FILE *saved = stdout;
  stdout = fopen("/dev/null", "w");
  PS2ScreenInit();
  WindowInfo *window = WindowGet();
  window->width = PS2ScreenGetVideoMode()->width;
  window->height = PS2ScreenGetVideoMode()->height;
  cbInit();
  fclose(stdout);
  stdout = saved;
  MachineCaptureConsole(nullptr);
}

void BM_Startup(benchmark::State &state)
{
  for (auto _ : state)
    startShow(MACHINE_REGION_PAL);
  state.counters["objects"] = ShowGetScene()->objectCount;
}
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond);

void BM_Frame(benchmark::State &state)
{
  startShow((int)state.range(0));
  for (auto _ : state)
    cbDraw();
  // Per frame of the show: the frame's own time and its stages, from the
  // counters `morvane --stats` prints.
  const ShowStats *stats = ShowGetStats();
  double perFrame = stats->frames > 0 ? 1e-6 / (double)stats->frames : 0.0;
  int64_t engine = stats->vertexNanos + stats->triangleNanos + stats->gsNanos;
  state.counters["fps"] = stats->frameNanos > 0 ? 1e9 * (double)stats->frames / (double)stats->frameNanos : 0.0;
  state.counters["ms_frame"] = perFrame * (double)stats->frameNanos;
  state.counters["ms_playback"] = perFrame * (double)(stats->sceneNanos - engine);
  state.counters["ms_vertex"] = perFrame * (double)stats->vertexNanos;
  state.counters["ms_triangle"] = perFrame * (double)stats->triangleNanos;
  state.counters["ms_gs"] = perFrame * (double)stats->gsNanos;
  state.counters["ms_scroll"] = perFrame * (double)stats->scrollNanos;
  state.counters["ms_clear_flip"] = perFrame * (double)(stats->frameNanos - stats->sceneNanos - stats->scrollNanos);
}
BENCHMARK(BM_Frame)->Arg(MACHINE_REGION_PAL)->Arg(MACHINE_REGION_NTSC)->Iterations(1250)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
