// The render front end's two stages on sphere objects of 1,000 to 100,000
// points, with the show's projection (zoom 3.2, 4:3, PAL surface):
//   BM_VertexStage/points/normals    points per second, without and with normals
//   BM_TriangleStage/points/view     triangles per second; view 0 has the whole
//     sphere on screen (only back faces go), view 1 shows
//     a long body that passes the camera plane, so triangles are also cut
//     at z = 1 and clipped at the edges.
// The counters give the shares of input triangles culled, cut and clipped.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "matrix.h"
#include "mem.h"
#include "render.h"
#include "window.h"

struct Sphere {
  std::vector<float> points, normals, uv;
  std::vector<int32_t> tris;
};

// A latitude-longitude sphere of radius 1 with about `count` points.
static Sphere makeSphere(int count)
{
  Sphere s;
  int rows = (int)std::sqrt(count / 1.6), cols = count / rows;
  for (int r = 0; r < rows; r++)
    for (int c = 0; c < cols; c++) {
      double lat = M_PI * (r + 0.5) / rows - M_PI / 2, lon = 2 * M_PI * c / cols;
      float x = (float)(std::cos(lat) * std::cos(lon)), y = (float)std::sin(lat);
      float z = (float)(std::cos(lat) * std::sin(lon));
      s.points.insert(s.points.end(), {x, y, z});
      s.normals.insert(s.normals.end(), {x, y, z});
      s.uv.insert(s.uv.end(), {(float)c / cols, (float)r / rows});
    }
  for (int r = 0; r + 1 < rows; r++)
    for (int c = 0; c < cols; c++) {
      int32_t a = r * cols + c, b = r * cols + (c + 1) % cols, d = a + cols, e = b + cols;
      s.tris.insert(s.tris.end(), {a, d, b, b, d, e});
    }
  return s;
}

// The show's projection, and the sphere scaled and moved in front of the camera.
static void setView(int view)
{
  MemInit();
  MatrixInit();
  WindowGet()->width = 512;
  WindowGet()->height = 256;
  PS2DrawSetClip(0, 0, 512, 256);
  MatrixMode(MATRIX_PROJECTION);
  MatrixLoadIdentity();
  float aspect = 640.0f / 480.0f, zoom = 3.2f;
  MatrixFrustum(-aspect / zoom, aspect / zoom, -1 / zoom, 1 / zoom, 1.0f, 1e14f);
  MatrixScale(256, 128, 1);
  MatrixMode(MATRIX_MODELVIEW);
  MatrixLoadIdentity();
  if (view == 0) {
    MatrixScale(8, 8, 8);
    MatrixTranslate(0, 0, -40);
  } else {
    // A long body reaching from far ahead past the camera plane: its near
    // end is cut at z = 1 and fills the screen, its far end fits inside.
    MatrixScale(2, 2, 40);
    MatrixTranslate(1, -1.5f, -38);
  }
}

static void BM_VertexStage(benchmark::State &state)
{
  Sphere s = makeSphere((int)state.range(0));
  int32_t n = (int32_t)s.points.size() / 3;
  std::vector<ScreenVertex> store(n);
  VertexBuffer vb = {store.data(), n, 0};
  const float *normals = state.range(1) ? s.normals.data() : nullptr;
  setView(0);
  for (auto _ : state) {
    BuildVertexBuffer(s.points.data(), normals, &vb, n);
    benchmark::DoNotOptimize(store.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["points"] = n;
}
BENCHMARK(BM_VertexStage)->ArgsProduct({{1000, 10000, 100000}, {0, 1}});

static void BM_TriangleStage(benchmark::State &state)
{
  Sphere s = makeSphere((int)state.range(0));
  int32_t n = (int32_t)s.points.size() / 3, count = (int32_t)s.tris.size() / 3;
  std::vector<ScreenVertex> store(n), out(RENDER_TRIANGLE_RECORDS);
  VertexBuffer vb = {store.data(), n, 0};
  TriangleBuffer tb = {out.data(), RENDER_TRIANGLES};
  setView((int)state.range(1));
  BuildVertexBuffer(s.points.data(), nullptr, &vb, n);
  RenderStatsReset();
  int64_t drawn = 0;
  for (auto _ : state) {
    for (int32_t t = 0; t < count;) {
      int32_t got, used = BuildTriangleBuffer(&vb, s.uv.data(), s.tris.data(), count, t, &tb, &got, 0);
      if (used <= 0)
        break;
      drawn += got;
      t += used;
    }
    benchmark::DoNotOptimize(out.data());
  }
  const RenderStats *st = RenderGetStats();
  double in = (double)st->trianglesIn;
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["tris"] = count;
  state.counters["culled%"] = 100.0 * st->trianglesCulled / in;
  state.counters["cut%"] = 100.0 * (st->trianglesCut + st->trianglesNear) / in;
  state.counters["clipped%"] = 100.0 * st->trianglesClipped / in;
  state.counters["out/in"] = (double)drawn / in;
}
BENCHMARK(BM_TriangleStage)->ArgsProduct({{1000, 10000, 100000}, {0, 1}});

BENCHMARK_MAIN();
