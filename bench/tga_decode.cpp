// TGA decoding: the engine's codec next to stb_image on the same files in the
// same run. Inputs: every corpus TGA that both decode (one set), and four
// generated 1024 x 1024 images (24 and 32 bits, raw and run-length).
// Throughput is decoded output, width x height x 4 bytes, per second.
//
// "load" reads the file too (TgaLoad through the host device, stbi_load through
// stdio); "decode" starts from the file's bytes in memory.
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "machine.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"

namespace fs = std::filesystem;

struct Image {
  std::string name;   // file name in the host folder
  std::string bytes;  // the whole file
  int64_t outBytes;   // width x height x 4
};

static std::string hostDir;  // every input is written here for the loading runs

// One picture: smooth gradients with flat bands, so a run-length encoder finds
// both runs and raw stretches, as in real textures.
static uint8_t sample(int x, int y, int channel)
{
  if ((y / 64) % 3 == 0)
    return (uint8_t)(40 * channel + (x / 32) * 8);
  return (uint8_t)((x * (channel + 1) + y * 3) ^ (x >> 2));
}

static std::string generated(int depth, bool runLength)
{
  const int size = 1024, bpp = depth / 8;
  std::string file(18, '\0');
  file[2] = runLength ? 10 : 2;
  file[13] = file[15] = 4;  // 1024
  file[16] = (char)depth;
  for (int y = 0; y < size; y++) {
    std::vector<std::string> row(size);
    for (int x = 0; x < size; x++)
      for (int c = 0; c < bpp; c++)
        row[x] += (char)sample(x, y, c);
    for (int x = 0; x < size;) {
      int run = 1;
      while (runLength && x + run < size && run < 128 && row[x + run] == row[x])
        run++;
      if (!runLength) {
        file += row[x++];
      } else if (run > 1) {
        file += (char)(127 + run) + row[x];
        x += run;
      } else {
        int count = 1;
        while (x + count < size && count < 128 && row[x + count] != row[x + count - 1])
          count++;
        file += (char)(count - 1);
        for (int i = 0; i < count; i++)
          file += row[x + i];
        x += count;
      }
    }
  }
  return file;
}

static bool bothDecode(const std::string &bytes)
{
  MemFreeAll();
  MemInit();
  TexEntry entry = {};
  if (TgaDecode(&entry, (const uint8_t *)bytes.data(), (int32_t)bytes.size()) != TEX_OK)
    return false;
  int w, h, n;
  uint8_t *peer = stbi_load_from_memory((const uint8_t *)bytes.data(), (int)bytes.size(), &w, &h, &n, 4);
  stbi_image_free(peer);
  return peer != nullptr;
}

static Image keep(const std::string &name, const std::string &bytes)
{
  std::ofstream(hostDir + "/" + name, std::ios::binary) << bytes;
  TexEntry entry = {};
  MemFreeAll();
  MemInit();
  TgaDecode(&entry, (const uint8_t *)bytes.data(), (int32_t)bytes.size());
  return Image{name, bytes, (int64_t)entry.width * entry.height * 4};
}

// One image through each reader; false when the engine's codec refuses it.
static bool tgaDecodeOne(const Image &image)
{
  MemFreeAll();
  MemInit();
  TexEntry entry = {};
  if (TgaDecode(&entry, (const uint8_t *)image.bytes.data(), (int32_t)image.bytes.size()) != 0)
    return false;
  benchmark::DoNotOptimize(entry.pixels);
  return true;
}

static bool stbDecodeOne(const Image &image)
{
  int w, h, n;
  uint8_t *pixels = stbi_load_from_memory((const uint8_t *)image.bytes.data(),
                                          (int)image.bytes.size(), &w, &h, &n, 4);
  benchmark::DoNotOptimize(pixels);
  stbi_image_free(pixels);
  return true;
}

static bool tgaLoadOne(const Image &image)
{
  MemFreeAll();
  MemInit();
  TexEntry entry = {};
  snprintf(entry.name, sizeof entry.name, "%s", image.name.c_str());
  if (TgaLoad(&entry) != 0)
    return false;
  benchmark::DoNotOptimize(entry.pixels);
  return true;
}

static bool stbLoadOne(const Image &image)
{
  int w, h, n;
  uint8_t *pixels = stbi_load((hostDir + "/" + image.name).c_str(), &w, &h, &n, 4);
  benchmark::DoNotOptimize(pixels);
  stbi_image_free(pixels);
  return true;
}

// Times `one` over the whole set, counting decoded output bytes.
static void timeSet(benchmark::State &state, const std::vector<Image> *set,
                    bool (*one)(const Image &))
{
  int64_t bytes = 0;
  for (auto _ : state) {
    for (const Image &image : *set) {
      if (!one(image)) {
        state.SkipWithError("refused");
        return;
      }
      bytes += image.outBytes;
    }
  }
  state.SetBytesProcessed(bytes);
}

int main(int argc, char **argv)
{
  hostDir = (fs::temp_directory_path() / "morvane-bench-tga").string();
  fs::create_directories(hostDir);
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = hostDir;
  MachineSetup(&config);

  static std::vector<std::pair<std::string, std::vector<Image>>> sets;
  std::vector<Image> corpus;
  std::error_code ec;
  for (const auto &item : fs::directory_iterator(MORVANE_CORPUS_DIR "/tga", ec)) {
    std::ifstream in(item.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    if (bothDecode(bytes.str()))
      corpus.push_back(keep(item.path().filename().string(), bytes.str()));
  }
  if (!corpus.empty())
    sets.push_back({"corpus", corpus});
  sets.push_back({"raw24_1024", {keep("raw24.tga", generated(24, false))}});
  sets.push_back({"rle24_1024", {keep("rle24.tga", generated(24, true))}});
  sets.push_back({"raw32_1024", {keep("raw32.tga", generated(32, false))}});
  sets.push_back({"rle32_1024", {keep("rle32.tga", generated(32, true))}});

  const struct {
    const char *name;
    bool (*one)(const Image &);
  } readers[] = {{"decode/%s/tga", tgaDecodeOne}, {"decode/%s/stb_image", stbDecodeOne},
                 {"load/%s/tga", tgaLoadOne}, {"load/%s/stb_image", stbLoadOne}};
  for (const auto &set : sets)
    for (const auto &reader : readers) {
      char name[96];
      snprintf(name, sizeof name, reader.name, set.first.c_str());
      benchmark::RegisterBenchmark(name, timeSet, &set.second, reader.one);
    }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(hostDir, ec);
  return 0;
}
