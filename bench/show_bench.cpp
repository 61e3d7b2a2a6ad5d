// The whole show, headless and unpaced, on the built demo content: frames per
// second with the time of each stage, and the start-up from the archive to
// "Starting the show..".
//
// Stages: playback (envelopes, matrices, morphs: what LwsEnable does besides
// drawing), the vertex stage, the triangle stage, GS drawing (packets, DMA and
// the model rasterising the triangles), the scroll text, and the rest (clear
// and flip). The vertex, triangle and GS times come from the engine's own
// counters.
#include "lws.h"
#include "machine.h"
#include "mem.h"
#include "ps2draw.h"
#include "ps2screen.h"
#include "render.h"
#include "show.h"
#include "tex.h"
#include "window.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}

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
  LwsScene *scene = ShowGetScene();
  double playback = 0, vertex = 0, triangle = 0, gs = 0, scroll = 0, total = 0;
  int64_t frames = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    cbDraw();
    total += secondsSince(start);
    // The scene step alone, on the same play position again (for its share),
    // then the scroll text alone.
    scene->playPosition -= 0.0008f;
    if (scene->playPosition < 0.0f)
      scene->playPosition += 1.0f;
    RenderStats renderMid = *RenderStatsGet();
    PS2DrawStats drawMid = *PS2DrawGetStats();
    start = Clock::now();
    do3D();
    double scene3D = secondsSince(start);
    double v = (RenderStatsGet()->vertexNanos - renderMid.vertexNanos) * 1e-9;
    double t = (RenderStatsGet()->triangleNanos - renderMid.triangleNanos) * 1e-9;
    double g = (PS2DrawGetStats()->nanos - drawMid.nanos) * 1e-9;
    vertex += v;
    triangle += t;
    gs += g;
    playback += scene3D - v - t - g;
    start = Clock::now();
    doScrollTxt();
    scroll += secondsSince(start);
    frames++;
  }
  // Per frame of the show: the frame's own time and its stages.
  state.counters["fps"] = frames / total;
  state.counters["ms_frame"] = 1e3 * total / frames;
  state.counters["ms_playback"] = 1e3 * playback / frames;
  state.counters["ms_vertex"] = 1e3 * vertex / frames;
  state.counters["ms_triangle"] = 1e3 * triangle / frames;
  state.counters["ms_gs"] = 1e3 * gs / frames;
  state.counters["ms_scroll"] = 1e3 * scroll / frames;
}
BENCHMARK(BM_Frame)->Arg(MACHINE_REGION_PAL)->Arg(MACHINE_REGION_NTSC)->Iterations(1250)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
