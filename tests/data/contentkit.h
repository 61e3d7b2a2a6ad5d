// Helpers of the demo content tests: the generated content folder, whole
// files, and a plain walk over an LWO2 file's chunks.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The content folder written once per test program run by the generator.
const std::string &ContentDir(void);
std::vector<uint8_t> ReadBytes(const std::string &path);

struct Chunk {
  std::string id;
  size_t offset;   // of the data, after the 8-byte header
  uint32_t size;
};

// The chunks of an LWO2 file in order, walked without pad bytes; `ok` is
// false when the form header is wrong or a chunk runs past the end.
struct LwoFile {
  bool ok;
  std::vector<uint8_t> bytes;
  std::vector<Chunk> chunks;
};
LwoFile LwoRead(const std::string &path);
uint32_t BeU4(const std::vector<uint8_t> &b, size_t at);
uint32_t BeU2(const std::vector<uint8_t> &b, size_t at);
float BeF4(const std::vector<uint8_t> &b, size_t at);
// Reads a VX index at `at`, advancing it.
uint32_t BeVX(const std::vector<uint8_t> &b, size_t &at);
// Reads an S0 string at `at`, advancing it past the terminator and pad byte.
std::string BeS0(const std::vector<uint8_t> &b, size_t &at);
