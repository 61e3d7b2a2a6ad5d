// Packed streams against zlib's Huffman-only deflate, on the same mixed data
// in the same run: text, the corpus's objects, scenes and images, and random
// bytes, each file packed on its own as the archive packs its members. Figures
// are MB/s of unpacked bytes; a file our packer refuses counts as stored (its
// bytes copied), as in the archive. Both packed sizes are printed first.
#include "filepack.h"
#include "mem.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Item {
  int kind;  // KIND_CORPUS, KIND_TEXT, KIND_RANDOM
  std::vector<uint8_t> data;
  std::vector<uint8_t> packed;  // our stream, empty when stored
  std::vector<uint8_t> zlib;    // raw deflate, Huffman only
};

enum { KIND_CORPUS, KIND_TEXT, KIND_RANDOM, KIND_COUNT };
const char *const kindNames[KIND_COUNT] = {"corpus files", "text", "random bytes"};
std::vector<Item> items;
size_t totalBytes;

std::vector<uint8_t> readFile(const std::filesystem::path &path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::string s = bytes.str();
  return std::vector<uint8_t>(s.begin(), s.end());
}

void addItem(int kind, std::vector<uint8_t> data)
{
  if (data.empty() || data.size() > (size_t)MEM_POOL_SIZE / 2)
    return;
  totalBytes += data.size();
  items.push_back(Item{kind, std::move(data), {}, {}});
}

// Corpus files, a text made of the project's own documents and generated
// prose, and random bytes: at least 10 MB in all.
void gatherData(void)
{
  std::error_code ec;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(MORVANE_CORPUS_DIR, ec))
    if (entry.is_regular_file())
      addItem(KIND_CORPUS, readFile(entry.path()));
  std::mt19937 random(11);
  const char *words[] = {"scene ", "object ", "the ", "envelope ", "frame ", "of ", "and ",
                         "surface ", "image ", "loads ", "\n", "key ", "0.25 ", "1 ", "camera "};
  while (totalBytes < (10u << 20)) {
    std::vector<uint8_t> text;
    while (text.size() < (1u << 20)) {
      const char *w = words[random() % 15];
      text.insert(text.end(), w, w + strlen(w));
    }
    addItem(KIND_TEXT, std::move(text));
    std::vector<uint8_t> noise(1u << 19);
    for (uint8_t &b : noise)
      b = (uint8_t)random();
    addItem(KIND_RANDOM, std::move(noise));
  }
}

std::vector<uint8_t> zlibHuffman(const std::vector<uint8_t> &data)
{
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_HUFFMAN_ONLY);
  std::vector<uint8_t> out(deflateBound(&z, data.size()));
  z.next_in = (Bytef *)data.data();
  z.avail_in = (uInt)data.size();
  z.next_out = out.data();
  z.avail_out = (uInt)out.size();
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Our stream, or empty when it is not smaller than the data.
std::vector<uint8_t> ourPack(const std::vector<uint8_t> &data)
{
  MemFreeAll();
  MemInit();
  void *packed = nullptr;
  int32_t size = 0;
  if (FilePack(data.data(), (int32_t)data.size(), &packed, &size) != PACK_OK || (size_t)size >= data.size())
    return {};
  return std::vector<uint8_t>((uint8_t *)packed, (uint8_t *)packed + size);
}

void prepare(void)
{
  gatherData();
  size_t raw[KIND_COUNT] = {}, ours[KIND_COUNT] = {}, theirs[KIND_COUNT] = {};
  for (Item &item : items) {
    item.packed = ourPack(item.data);
    item.zlib = zlibHuffman(item.data);
    raw[item.kind] += item.data.size();
    ours[item.kind] += item.packed.empty() ? item.data.size() : item.packed.size();
    theirs[item.kind] += item.zlib.size();
  }
  size_t allOurs = ours[0] + ours[1] + ours[2], allTheirs = theirs[0] + theirs[1] + theirs[2];
  printf("data set: %zu files, %zu bytes\n", items.size(), totalBytes);
  for (int k = 0; k < KIND_COUNT; k++)
    printf("  %-13s %9zu bytes: FilePack %9zu, zlib Huffman-only %9zu\n", kindNames[k], raw[k],
           ours[k], theirs[k]);
  printf("packed size: FilePack %zu bytes (%.2f%%), zlib Huffman-only %zu bytes (%.2f%%); ours/zlib %.4f\n",
         allOurs, 100.0 * allOurs / totalBytes, allTheirs, 100.0 * allTheirs / totalBytes,
         (double)allOurs / allTheirs);
}

void BM_FileUnpack(benchmark::State &state)
{
  std::vector<uint8_t> out(MEM_POOL_SIZE);
  for (auto _ : state) {
    for (const Item &item : items) {
      if (item.packed.empty())
        memcpy(out.data(), item.data.data(), item.data.size());
      else if (FileUnpack(item.packed.data(), (int32_t)item.packed.size(), out.data(),
                          (int32_t)item.data.size()) != PACK_OK)
        state.SkipWithError("unpack failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)totalBytes);
}

void BM_ZlibInflateHuffmanOnly(benchmark::State &state)
{
  std::vector<uint8_t> out(MEM_POOL_SIZE);
  z_stream z{};
  inflateInit2(&z, -15);
  for (auto _ : state) {
    for (const Item &item : items) {
      inflateReset(&z);
      z.next_in = (Bytef *)item.zlib.data();
      z.avail_in = (uInt)item.zlib.size();
      z.next_out = out.data();
      z.avail_out = (uInt)out.size();
      if (inflate(&z, Z_FINISH) != Z_STREAM_END)
        state.SkipWithError("inflate failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  inflateEnd(&z);
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)totalBytes);
}

void BM_FilePack(benchmark::State &state)
{
  for (auto _ : state)
    for (const Item &item : items)
      benchmark::DoNotOptimize(ourPack(item.data));
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)totalBytes);
}

void BM_ZlibDeflateHuffmanOnly(benchmark::State &state)
{
  for (auto _ : state)
    for (const Item &item : items)
      benchmark::DoNotOptimize(zlibHuffman(item.data));
  state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)totalBytes);
}

}  // namespace

BENCHMARK(BM_FileUnpack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflateHuffmanOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilePack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDeflateHuffmanOnly)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
  prepare();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
