// Rasterising through the GS model (packets, DMA, GIF, GS) next to Mesa's
// software OpenGL (OSMesa) drawing the same triangle lists on a 512 x 256
// surface with a depth test, flat and textured (DECAL, nearest, repeat).
//
// Both report pixels per second (of CPU time, see below); the pixel count of a list is the number of
// pixels the model covers for it, so the two figures share one yardstick.
#include <GL/osmesa.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "machine.h"
#include "ps2draw.h"
#include "ps2screen.h"
#include "render.h"

namespace {

enum { W = 512, H = 256, TEX = 256 };

struct TriangleList {
  std::vector<ScreenVertex> vertices;  // three per triangle
  int count;
  uint64_t pixels;                     // covered by the model for one draw
};

// `count` triangles of roughly `size` pixels a side, anywhere on the surface,
// depths in (0.1, 0.9), texture coordinates over up to two repeats.
TriangleList makeList(int count, int size, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> cx(0, W - 1), cy(0, H - 1), d(-size, size);
  std::uniform_real_distribution<float> z(0.1f, 0.9f), uv(0.0f, 2.0f);
  TriangleList list = {{}, count, 0};
  for (int i = 0; i < count; i++) {
    int x = cx(rng), y = cy(rng);
    for (int k = 0; k < 3; k++) {
      ScreenVertex v = {};
      v.x = std::min(W - 1, std::max(0, x + d(rng)));
      v.y = std::min(H - 1, std::max(0, y + d(rng)));
      v.z = z(rng);
      v.u = uv(rng);
      v.v = uv(rng);
      list.vertices.push_back(v);
    }
  }
  return list;
}

std::vector<uint32_t> &texture(void)
{
  static std::vector<uint32_t> texels;
  if (texels.empty())
    for (int i = 0; i < TEX * TEX; i++)
      texels.push_back(0xFF000000u | (uint32_t)i * 2654435761u >> 8);
  return texels;
}

void modelSetUp(void)
{
  static bool done;
  if (done)
    return;
  MachineConfig config;
  MachineDefaults(&config);
  MachineSetup(&config);
  PS2ScreenInit();
  PS2DrawSetZScale(16777216.0f);
  done = true;
}

void modelDraw(const TriangleList &list, bool textured)
{
  PS2DrawSetColor(0, 0, 0);
  PS2DrawClear();
  if (textured)
    PS2DrawTriangleBufferWithTex(list.vertices.data(), list.count, TEX, TEX, texture().data());
  else
    PS2DrawTriangleBuffer(list.vertices.data(), list.count, 200, 100, 50);
  MachineReadGsWord(0);  // as glFinish: wait until the model has drawn everything
}

// The lists, with their pixel counts measured once through the model.
const TriangleList &lists(int which)
{
  static TriangleList all[2];
  static bool made;
  if (!made) {
    modelSetUp();
    all[0] = makeList(20000, 6, 1);  // small: a few dozen pixels each
    all[1] = makeList(200, 160, 2);  // large: thousands of pixels each
    for (TriangleList &l : all) {
      PS2DrawSetColor(0, 0, 0);
      PS2DrawClear();
      uint64_t before = MachineGetGsStats().pixels;
      PS2DrawTriangleBuffer(l.vertices.data(), l.count, 1, 1, 1);
      l.pixels = MachineGetGsStats().pixels - before;
    }
    made = true;
  }
  return all[which];
}

// The model on two threads (its own choice on three cores or more), and on
// the program's thread alone (its choice on one or two cores).
void modelRun(benchmark::State &state, int drawers)
{
  const TriangleList &list = lists((int)state.range(0));
  bool textured = state.range(1) != 0;
  int chosen = MachineGetGsWorkers();
  MachineSetGsWorkers(drawers);
  for (auto _ : state)
    modelDraw(list, textured);
  state.counters["pixels/s"] =
    benchmark::Counter((double)list.pixels, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["threads"] = MachineGetGsWorkers();
  MachineSetGsWorkers(chosen);
}

void BM_Model(benchmark::State &state)
{
  modelRun(state, 2);
}

void BM_ModelOneThread(benchmark::State &state)
{
  modelRun(state, 1);
}

// OSMesa: one context with a 512 x 256 RGBA buffer and a 24-bit depth buffer,
// pixel-centre projection, depth LESS (the model keeps the larger GS depth,
// which is the smaller z), nearest texels with repeat, texture replacing colour.
struct Mesa {
  OSMesaContext context = nullptr;
  std::vector<uint32_t> buffer = std::vector<uint32_t>(W * H);
  GLuint texture = 0;
};

Mesa &mesa(void)
{
  static Mesa m;
  if (m.context)
    return m;
  m.context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  OSMesaMakeCurrent(m.context, m.buffer.data(), GL_UNSIGNED_BYTE, W, H);
  std::printf("peer: OSMesa, GL_RENDERER %s\n", (const char *)glGetString(GL_RENDERER));
  glViewport(0, 0, W, H);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, W, H, 0, 0, -1);  // z in [0, 1] as given
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glGenTextures(1, &m.texture);
  glBindTexture(GL_TEXTURE_2D, m.texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, TEX, TEX, 0, GL_RGBA, GL_UNSIGNED_BYTE, texture().data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  return m;
}

void BM_Mesa(benchmark::State &state)
{
  const TriangleList &list = lists((int)state.range(0));
  bool textured = state.range(1) != 0;
  mesa();
  std::vector<float> xyz, uv;
  for (const ScreenVertex &v : list.vertices) {
    xyz.insert(xyz.end(), {(float)v.x, (float)v.y, v.z});
    uv.insert(uv.end(), {v.u, v.v});
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, xyz.data());
  if (textured) {
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, uv.data());
  } else {
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor3ub(200, 100, 50);
  }
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLES, 0, 3 * list.count);
    glFinish();
  }
  state.counters["pixels/s"] =
    benchmark::Counter((double)list.pixels, benchmark::Counter::kIsIterationInvariantRate);
}

// Arguments: list (0 small, 1 large), textured (0, 1).
void lists4(benchmark::internal::Benchmark *b)
{
  b->ArgNames({"large", "textured"});
  for (int l = 0; l < 2; l++)
    for (int t = 0; t < 2; t++)
      b->Args({l, t});
}

}  // namespace

// Rates are per second of the process's CPU time (every thread: the model and
// Mesa's llvmpipe both rasterise on several threads), which a busy machine
// disturbs less than wall time, and then per second of wall time, which is
// what a viewer waits for. The Time column shows wall time per draw.
BENCHMARK(BM_Model)->Apply(lists4)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ModelOneThread)->Apply(lists4)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Mesa)->Apply(lists4)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Model)->Apply(lists4)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ModelOneThread)->Apply(lists4)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Mesa)->Apply(lists4)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_MAIN();
