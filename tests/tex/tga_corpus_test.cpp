// Every TGA of the shared corpus: the codec refuses the files that are not
// whole TGA images, with the recorded result and reason, and decodes every
// other file to exactly the pixels Pillow decodes from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "mem.h"
#include "testkit.h"
#include "tex.h"
#include "textga.h"

namespace fs = std::filesystem;

// The files that are not whole TGA images, and why they are refused: every
// other file of the corpus is decoded.
static const std::map<std::string, int32_t> refused = {
  // image types the format does not define (163), or type 0: no image data
  {"imagers_regress_flip-zero-height.tga", TEX_ERR_DEPTH},
  {"imagers_regress_orientation-zero-width.tga", TEX_ERR_DEPTH},
  // colour-mapped without a colour map
  {"imagers_regress_bad-color-map.tga", TEX_ERR_DEPTH},
  // greyscale at 32 bits per pixel
  {"imagers_regress_sixteen-bit-gray-colormap2.tga", TEX_ERR_DEPTH},
  // run-length data that ends before the image does (truncated)
  {"imagers_regress_overfull-image.tga", TGA_ERR_TRUNCATED},
};

struct Reference {
  bool decoded;
  int width, height;
  std::string rgba;  // top row first
};

// Runs Pillow over every file once; its verdict per file name.
static std::map<std::string, Reference> pillowDecode(const std::vector<fs::path> &files,
                                                    const std::string &outDir)
{
  std::string command = "/usr/bin/python3 " MORVANE_SOURCE_DIR "/tests/tex/pil_decode.py " + outDir;
  for (const fs::path &file : files)
    command += " '" + file.string() + "'";
  CommandResult run = RunCommand(command);
  EXPECT_EQ(run.status, 0) << run.output;
  std::map<std::string, Reference> verdicts;
  std::istringstream lines(run.output);
  std::string name, verdict;
  while (lines >> name >> verdict) {
    Reference ref{verdict == "ok", 0, 0, ""};
    if (ref.decoded) {
      lines >> ref.width >> ref.height;
      ref.rgba = ReadHostFile(outDir + "/" + name + ".rgba");
    }
    std::string rest;
    std::getline(lines, rest);
    verdicts[name] = ref;
  }
  return verdicts;
}

// Compares the codec's image (bottom row first) with Pillow's (top row
// first). 16-bit true-colour pixels and 15- or 16-bit colour map entries
// only carry five bits per channel, which the codec scales by 8 with alpha
// 255 where Pillow widens them to 255, so only those bits count.
static void expectSamePixels(const std::string &name, const TexEntry &entry, const Reference &ref,
                             const TgaHeader &header)
{
  ASSERT_EQ(entry.width, ref.width) << name;
  ASSERT_EQ(entry.height, ref.height) << name;
  ASSERT_EQ(ref.rgba.size(), (size_t)entry.width * entry.height * 4) << name;
  const int type = header.imageType & 7;
  const bool fiveBits = (type == 2 && header.depth == 16) || (type == 1 && header.mapEntryBits <= 16);
  int mismatches = 0;
  for (int y = 0; y < entry.height && mismatches < 5; y++) {
    const uint8_t *ours = entry.pixels + (size_t)(entry.height - 1 - y) * entry.width * 4;
    const uint8_t *theirs = (const uint8_t *)ref.rgba.data() + (size_t)y * entry.width * 4;
    for (int i = 0; i < entry.width * 4 && mismatches < 5; i++) {
      int a = ours[i], b = theirs[i];
      if (fiveBits && i % 4 == 3)
        continue;
      if (fiveBits)
        a >>= 3, b >>= 3;
      if (a != b) {
        ADD_FAILURE() << name << ": pixel " << i / 4 << " of row " << y << " (top first), channel "
                      << i % 4 << ": codec " << a << ", Pillow " << b;
        mismatches++;
      }
    }
  }
}

TEST(TgaCorpus, DecodesEveryValidFileAsPillowDoes)
{
  REQUIRE_CORPUS();
  std::vector<fs::path> files;
  for (const auto &item : fs::directory_iterator(CorpusDir() + "/tga"))
    if (item.path().extension() == ".tga")
      files.push_back(item.path());
  ASSERT_GE(files.size(), 50u);
  TempDir out;
  std::map<std::string, Reference> pillow = pillowDecode(files, out.path);
  ASSERT_EQ(pillow.size(), files.size());

  for (const fs::path &file : files) {
    const std::string name = file.filename().string();
    const std::string bytes = ReadHostFile(file.string());
    MemFreeAll();
    MemInit();
    TexEntry entry = {};
    int32_t result = TgaDecode(&entry, (const uint8_t *)bytes.data(), (int32_t)bytes.size());
    auto refusal = refused.find(name);
    if (refusal != refused.end()) {
      EXPECT_EQ(result, refusal->second) << name;
      EXPECT_EQ(entry.pixels, nullptr) << name;
      continue;
    }
    ASSERT_EQ(result, TEX_OK) << name;
    const Reference &ref = pillow[name];
    ASSERT_TRUE(ref.decoded) << name << ": Pillow refuses a file the codec decodes";
    TgaHeader header;
    TgaParseHeader((const uint8_t *)bytes.data(), (int32_t)bytes.size(), &header);
    expectSamePixels(name, entry, ref, header);
  }
}
