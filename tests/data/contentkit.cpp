#include "contentkit.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "datagen.h"
#include "testkit.h"

const std::string &ContentDir(void)
{
  // Generated once; the folder lives until the test program ends.
  static std::unique_ptr<TempDir> dir;
  static std::string path;
  if (!dir) {
    dir = std::make_unique<TempDir>();
    path = dir->path + "/content";
    std::string source = MORVANE_SOURCE_DIR;
    if (GenContentWrite(path, source + "/data/font/glyphs.txt", source + "/data/scrolltext.txt",
                        dir->path + "/scrolltext.inc") != GEN_OK)
      path.clear();
  }
  return path;
}

std::vector<uint8_t> ReadBytes(const std::string &path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t BeU4(const std::vector<uint8_t> &b, size_t at)
{
  return at + 4 > b.size() ? 0 : (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}

uint32_t BeU2(const std::vector<uint8_t> &b, size_t at)
{
  return at + 2 > b.size() ? 0 : (uint32_t)b[at] << 8 | b[at + 1];
}

float BeF4(const std::vector<uint8_t> &b, size_t at)
{
  uint32_t bits = BeU4(b, at);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

uint32_t BeVX(const std::vector<uint8_t> &b, size_t &at)
{
  if (at < b.size() && b[at] == 0xFF) {
    at += 4;
    return BeU4(b, at - 4) & 0xFFFFFF;
  }
  at += 2;
  return BeU2(b, at - 2);
}

std::string BeS0(const std::vector<uint8_t> &b, size_t &at)
{
  std::string s;
  while (at < b.size() && b[at])
    s += (char)b[at++];
  at += (s.size() + 1) % 2 ? 2 : 1;
  return s;
}

LwoFile LwoRead(const std::string &path)
{
  LwoFile f{false, ReadBytes(path), {}};
  const std::vector<uint8_t> &b = f.bytes;
  if (b.size() < 12 || std::memcmp(b.data(), "FORM", 4) || std::memcmp(b.data() + 8, "LWO2", 4) ||
      BeU4(b, 4) != b.size() - 8)
    return f;
  size_t at = 12;
  while (at + 8 <= b.size()) {
    Chunk c{std::string(b.begin() + (long)at, b.begin() + (long)at + 4), at + 8, BeU4(b, at + 4)};
    if (c.size > b.size() - c.offset)
      return f;
    f.chunks.push_back(c);
    at = c.offset + c.size;
  }
  f.ok = at == b.size();
  return f;
}
