// Scene benchmarks, each next to a peer in the same run on the same input.
//
// EnvEval: evaluations per second on envelopes of 2, 10 and 100 keys of each
// key shape, at times swept across the keys and a little past both ends
// (Repeat behaviours). The peer is the cheapest reasonable evaluator of the
// same keys, a binary search with linear interpolation, as a floor: no
// installed library exposes a LightWave envelope evaluator of its own.
//
// LwsLoad: the whole load of each corpus scene of format 3 with its objects,
// next to assimp's importer reading the same scene file and its objects.
#include <benchmark/benchmark.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "lws.h"
#include "machine.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"

// ---- EnvEval ----

struct EnvFixture {
  std::vector<LwsKey> keys;
  LwsEnvelope envelope;
  std::vector<float> times, values;  // the same keys for the peer
};

static void makeEnvelope(EnvFixture *f, int count, int shape)
{
  f->keys.assign((size_t)count, LwsKey{});
  for (int i = 0; i < count; i++) {
    LwsKey &k = f->keys[(size_t)i];
    k.time = (float)i * 0.5f;
    k.value = (float)((i * 7919) % 23) - 11.0f;
    k.shape = shape;
    k.tension = 0.1f;
    k.continuity = -0.2f;
    k.bias = 0.3f;
    k.param[0] = shape == LWS_SHAPE_BEZIER2D ? -0.15f : 0.4f;
    k.param[1] = shape == LWS_SHAPE_BEZIER2D ? 0.5f : -0.3f;
    k.param[2] = 0.15f;
    k.param[3] = -0.5f;
    k.prev = i > 0 ? &f->keys[(size_t)i - 1] : nullptr;
    k.next = i + 1 < count ? &f->keys[(size_t)i + 1] : nullptr;
    f->times.push_back(k.time);
    f->values.push_back(k.value);
  }
  f->envelope = LwsEnvelope{f->keys.data(), count, LWS_BEHAVIOR_REPEAT, LWS_BEHAVIOR_REPEAT};
}

// 1024 times from half a second before the first key to half a second past the last.
static std::vector<float> sweep(const EnvFixture &f)
{
  std::vector<float> at(1024);
  float start = f.times.front() - 0.5f, span = f.times.back() - f.times.front() + 1.0f;
  for (size_t i = 0; i < at.size(); i++)
    at[i] = start + span * (float)i / (float)at.size();
  return at;
}

static void BM_EnvEval(benchmark::State &state)
{
  EnvFixture f;
  makeEnvelope(&f, (int)state.range(0), (int)state.range(1));
  std::vector<float> at = sweep(f);
  for (auto _ : state)
    for (float t : at)
      benchmark::DoNotOptimize(EnvEval(&f.envelope, t));
  state.SetItemsProcessed(state.iterations() * (int64_t)at.size());
}

static float peerEval(const EnvFixture &f, float t)
{
  auto it = std::upper_bound(f.times.begin(), f.times.end(), t);
  if (it == f.times.begin())
    return f.values.front();
  if (it == f.times.end())
    return f.values.back();
  size_t i = (size_t)(it - f.times.begin());
  float u = (t - f.times[i - 1]) / (f.times[i] - f.times[i - 1]);
  return f.values[i - 1] + u * (f.values[i] - f.values[i - 1]);
}

static void BM_PeerLinearSearch(benchmark::State &state)
{
  EnvFixture f;
  makeEnvelope(&f, (int)state.range(0), LWS_SHAPE_LINEAR);
  std::vector<float> at = sweep(f);
  for (auto _ : state)
    for (float t : at)
      benchmark::DoNotOptimize(peerEval(f, t));
  state.SetItemsProcessed(state.iterations() * (int64_t)at.size());
}

static void shapeArgs(benchmark::internal::Benchmark *b)
{
  b->ArgNames({"keys", "shape"});
  for (int keys : {2, 10, 100})
    for (int shape = LWS_SHAPE_TCB; shape <= LWS_SHAPE_BEZIER2D; shape++)
      b->Args({keys, shape});
}
BENCHMARK(BM_EnvEval)->Apply(shapeArgs);
BENCHMARK(BM_PeerLinearSearch)->ArgNames({"keys"})->Arg(2)->Arg(10)->Arg(100);

// ---- LwsLoad ----

struct CorpusScene {
  const char *host;   // content folder under corpus/lws
  const char *scene;  // scene below it
};
static const CorpusScene scenes[] = {
    {"assimp_move_x_oldformat_6", "assimp_move_x_oldformat_6.lws"},
    {"assimp_QuickDraw_v2.2", "LWS/assimp_QuickDraw_v2.2.lws"},
};

static void BM_LwsLoad(benchmark::State &state)
{
  const CorpusScene &c = scenes[state.range(0)];
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = std::string(MORVANE_CORPUS_DIR) + "/lws/" + c.host;
  MachineSetup(&config);
  static LwsScene scene;
  std::string console;
  MachineCaptureConsole(&console);  // keeps the loaders' lines out of the report
  for (auto _ : state) {
    TexFreeAll();
    MemFreeAll();
    MemInit();
    TexInit();
    TexRegisterCodec("TGA", TgaLoad);
    memset(&scene, 0, sizeof scene);
    if (LwsLoad(&scene, c.scene, nullptr) != LWS_OK) {
      state.SkipWithError("the scene does not load");
      break;
    }
  }
  MachineCaptureConsole(nullptr);
  state.SetLabel(c.scene);
  state.counters["triangles"] = scene.totalTriangles;
}

static void BM_AssimpImport(benchmark::State &state)
{
  const CorpusScene &c = scenes[state.range(0)];
  std::string path = std::string(MORVANE_CORPUS_DIR) + "/lws/" + c.host + "/" + c.scene;
  Assimp::Importer importer;
  unsigned meshes = 0;
  for (auto _ : state) {
    const aiScene *s = importer.ReadFile(path, 0);
    if (!s) {
      state.SkipWithError(importer.GetErrorString());
      break;
    }
    meshes = s->mNumMeshes;
    importer.FreeScene();
  }
  state.SetLabel(c.scene);
  state.counters["meshes"] = meshes;
}

BENCHMARK(BM_LwsLoad)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AssimpImport)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
