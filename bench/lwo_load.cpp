// Object loading: LwoLoad next to assimp's ReadFile (triangulation on, no
// other post-processing) on the same files in the same run: every LWO2 file
// of the corpus that loads, and one generated object of 100,000 polygons with
// a UV map, seams and two endomorphs.
#include <benchmark/benchmark.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lwo.h"
#include "machine.h"
#include "mem.h"
#include "tex.h"

namespace fs = std::filesystem;

// Big-endian writer for the generated object.
struct Out {
  std::string s;
  void u2(uint32_t v) { s.push_back((char)(v >> 8)); s.push_back((char)v); }
  void u4(uint32_t v) { u2(v >> 16); u2(v); }
  void f4(float f) { uint32_t v; memcpy(&v, &f, 4); u4(v); }
  void vx(uint32_t v) { if (v < 0xFF00) u2(v); else u4(0xFF000000u | v); }
  void id(const char *t) { s.append(t, 4); }
  void s0(const std::string &t) { s += t; s.push_back(0); if (t.size() % 2 == 0) s.push_back(0); }
  void chunk(const char *t, const Out &data) { id(t); u4((uint32_t)data.s.size()); s += data.s; }
};

// A 250 x 200 grid of quads, each split into two triangle polygons: 100,000
// polygons on 50,451 points, one UV-mapped surface with a seam down the middle
// column, and two endomorphs over every point.
static std::string LargeObject(void)
{
  const int w = 250, h = 200, row = w + 1;
  Out tags, pnts, pols, ptag, txuv, vmad, morf[2], clip, surf, blok, imap, form;
  tags.s0("Ground");
  for (int y = 0; y <= h; y++)
    for (int x = 0; x <= w; x++) {
      pnts.f4((float)x); pnts.f4((float)((x * 7 + y * 3) % 5)); pnts.f4((float)y);
    }
  pols.id("FACE");
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint32_t a = y * row + x, b = a + 1, c = a + row + 1, d = a + row;
      pols.u2(3); pols.vx(a); pols.vx(b); pols.vx(c);
      pols.u2(3); pols.vx(a); pols.vx(c); pols.vx(d);
    }
  ptag.id("SURF");
  for (uint32_t p = 0; p < (uint32_t)(w * h * 2); p++) { ptag.vx(p); ptag.u2(0); }
  txuv.id("TXUV"); txuv.u2(2); txuv.s0("UV");
  for (uint32_t i = 0; i < (uint32_t)(row * (h + 1)); i++) {
    txuv.vx(i); txuv.f4((float)(i % row) / w); txuv.f4((float)(i / row) / h);
  }
  vmad.id("TXUV"); vmad.u2(2); vmad.s0("UV");
  for (int y = 0; y < h; y++) {  // the seam: column w/2 on the right-hand quads
    uint32_t p = y * row + w / 2, quad = (uint32_t)(y * w + w / 2) * 2;
    vmad.vx(p); vmad.vx(quad); vmad.f4(1.0f); vmad.f4((float)y / h);
    vmad.vx(p); vmad.vx(quad + 1); vmad.f4(1.0f); vmad.f4((float)y / h);
  }
  const char *morphNames[2] = {"Rise", "Twist"};
  for (int m = 0; m < 2; m++) {
    morf[m].id("MORF"); morf[m].u2(3); morf[m].s0(morphNames[m]);
    for (uint32_t i = 0; i < (uint32_t)(row * (h + 1)); i++) {
      morf[m].vx(i); morf[m].f4(m * 0.1f); morf[m].f4(1.0f); morf[m].f4(0.0f);
    }
  }
  clip.u4(1);
  Out still; still.s0("ground.tga");
  clip.id("STIL"); clip.u2((uint32_t)still.s.size()); clip.s += still.s;
  imap.s0("\x80");
  Out sub;
  sub.id("IMAP"); sub.u2((uint32_t)imap.s.size()); sub.s += imap.s;
  sub.id("PROJ"); sub.u2(2); sub.u2(5);
  sub.id("IMAG"); sub.u2(2); sub.vx(1);
  Out vmapName; vmapName.s0("UV");
  sub.id("VMAP"); sub.u2((uint32_t)vmapName.s.size()); sub.s += vmapName.s;
  surf.s0("Ground"); surf.s0("");
  surf.id("BLOK"); surf.u2((uint32_t)sub.s.size()); surf.s += sub.s;

  Out body;
  body.id("LWO2");
  Out layer;  // number, flags, pivot, name: assimp wants a layer to hang the mesh on
  layer.u2(0); layer.u2(0); layer.f4(0); layer.f4(0); layer.f4(0); layer.s0("");
  body.chunk("TAGS", tags); body.chunk("LAYR", layer); body.chunk("PNTS", pnts);
  body.chunk("VMAP", txuv); body.chunk("VMAP", morf[0]); body.chunk("VMAP", morf[1]);
  body.chunk("POLS", pols); body.chunk("PTAG", ptag); body.chunk("VMAD", vmad);
  body.chunk("CLIP", clip); body.chunk("SURF", surf);
  form.id("FORM"); form.u4((uint32_t)body.s.size()); form.s += body.s;
  return form.s;
}

static void UseHost(const std::string &dir)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = dir;
  MachineSetup(&config);
}

static int32_t LoadOne(const std::string &name)
{
  TexFreeAll();
  MemFreeAll();
  MemInit();
  TexInit();
  static LwoObject object;
  memset(&object, 0, sizeof object);
  return LwoLoad(&object, name.c_str(), 1.0f);
}

// FNV-1a over the arrays a load produced, so that a change to the reader
// can be shown to give the same bytes: the bench prints one value per set.
static void Mix(uint64_t *h, const void *data, size_t bytes)
{
  const uint8_t *p = (const uint8_t *)data;
  for (size_t i = 0; data && i < bytes; i++)
    *h = (*h ^ p[i]) * 0x100000001b3ull;
  *h = (*h ^ bytes) * 0x100000001b3ull;
}

static uint64_t Digest(const LwoObject *o)
{
  uint64_t h = 0xcbf29ce484222325ull;
  size_t v = (size_t)o->vertexCount;
  int32_t counts[] = {o->vertexCount, o->normalCount, o->needNormals, o->surfaceCount,
                      o->polygonCount, o->triangleCount, o->endomorphCount, o->uvMapCount};
  Mix(&h, counts, sizeof counts);
  Mix(&h, o->points, v * 12);
  Mix(&h, o->basePoints, v * 12);
  Mix(&h, o->normals, (size_t)o->normalCount * 12);
  Mix(&h, o->baseNormals, o->needNormals ? (size_t)o->normalCount * 12 : 0);
  Mix(&h, o->polygons, (size_t)o->polygonCount * sizeof(LwoPolygon));
  Mix(&h, o->triangles, (size_t)o->triangleCount * sizeof(LwoTriangle));
  for (int32_t s = 0; s < o->surfaceCount; s++) {
    const LwoSurface *surface = &o->surfaces[s];
    Mix(&h, surface->triIndices, (size_t)surface->triCount * 12);
    Mix(&h, surface->uv, surface->uv ? (size_t)surface->uvCount * 8 : 0);
  }
  for (int32_t m = 0; m < o->uvMapCount && m < LWO_MAX_UV_MAPS; m++) {
    const LwoUVMap *map = &o->uvMaps[m];
    Mix(&h, map->vertexUV, v * sizeof(LwoUV));
    Mix(&h, map->discUV, (size_t)map->discCount * sizeof(LwoUV));
    Mix(&h, map->seamPoints, (size_t)map->totalCount * 12);
    Mix(&h, map->flatUV, (size_t)map->flatCount * 8);
  }
  for (int32_t m = 0; m < o->endomorphCount && m < LWO_MAX_ENDOMORPHS; m++) {
    Mix(&h, o->endomorphs[m].deltas, v * 12);
    Mix(&h, o->endomorphs[m].morphNormals, o->needNormals ? v * 12 : 0);
  }
  return h;
}

static uint64_t SetDigest(const std::string &dir, const std::vector<std::string> &names)
{
  UseHost(dir);
  uint64_t h = 0xcbf29ce484222325ull;
  for (const std::string &name : names) {
    int32_t result = LoadOne(name);
    Mix(&h, &result, sizeof result);
    uint64_t one = result == LWO_OK ? Digest(LwoGetCurrent()) : 0;
    Mix(&h, &one, sizeof one);
  }
  return h;
}

static void BM_LwoLoad(benchmark::State &state, std::string dir, std::vector<std::string> names)
{
  UseHost(dir);
  int64_t polygons = 0;
  for (auto _ : state)
    for (const std::string &name : names) {
      if (LoadOne(name) != LWO_OK)
        state.SkipWithError(("LwoLoad failed on " + name).c_str());
      polygons += LwoGetCurrent()->polygonCount;
    }
  state.counters["polygons"] = benchmark::Counter((double)polygons, benchmark::Counter::kIsRate);
}

static void BM_AssimpReadFile(benchmark::State &state, std::string dir, std::vector<std::string> names)
{
  int64_t faces = 0;
  for (auto _ : state)
    for (const std::string &name : names) {
      Assimp::Importer importer;
      const aiScene *scene = importer.ReadFile(dir + "/" + name, aiProcess_Triangulate);
      if (!scene) {
        state.SkipWithError(("assimp failed on " + name).c_str());
        break;
      }
      for (unsigned m = 0; m < scene->mNumMeshes; m++)
        faces += scene->mMeshes[m]->mNumFaces;
    }
  state.counters["faces"] = benchmark::Counter((double)faces, benchmark::Counter::kIsRate);
}

// The corpus files both loaders read, and that load here without a console
// line (the lines would be printed in every iteration and mix with the table).
static std::vector<std::string> CorpusFiles(const std::string &dir)
{
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(dir, ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  std::vector<std::string> usable;
  UseHost(dir);
  for (const std::string &name : names) {
    std::string console;
    MachineCaptureConsole(&console);
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    int32_t result = LoadOne(name);
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(quiet);
    close(saved);
    MachineCaptureConsole(nullptr);
    Assimp::Importer importer;
    if (result == LWO_OK && console.empty() && importer.ReadFile(dir + "/" + name, aiProcess_Triangulate))
      usable.push_back(name);
  }
  return usable;
}

int main(int argc, char **argv)
{
  benchmark::Initialize(&argc, argv);
  std::string corpus = std::string(MORVANE_CORPUS_DIR) + "/lwo2";
  std::vector<std::string> files = CorpusFiles(corpus);
  fs::path temp = fs::temp_directory_path() / "morvane-bench-lwo";
  fs::create_directories(temp);
  std::ofstream(temp / "large.lwo", std::ios::binary) << LargeObject();
  printf("corpus: %zu LWO2 files that both loaders read; large.lwo: 100000 polygons\n", files.size());
  // What the loads produced: the same values before and after a change to
  // the reader mean the same bytes.
  printf("digest of the loaded arrays: corpus %016llx, large %016llx\n",
         (unsigned long long)SetDigest(corpus, files),
         (unsigned long long)SetDigest(temp.string(), {"large.lwo"}));

  if (!files.empty()) {
    benchmark::RegisterBenchmark("corpus/LwoLoad", BM_LwoLoad, corpus, files)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("corpus/assimp", BM_AssimpReadFile, corpus, files)->Unit(benchmark::kMillisecond);
  }
  std::vector<std::string> large = {"large.lwo"};
  benchmark::RegisterBenchmark("large/LwoLoad", BM_LwoLoad, temp.string(), large)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("large/assimp", BM_AssimpReadFile, temp.string(), large)->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!getenv("KEEP_LARGE")) fs::remove_all(temp);
  return 0;
}
