// Every TGA of the shared corpus: the codec refuses the variants it does not
// read, with the recorded result, and decodes every other file to exactly the
// pixels Pillow decodes from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "mem.h"
#include "testkit.h"
#include "tex.h"
#include "textga.h"

namespace fs = std::filesystem;

// Files the codec refuses, and why.
static const std::map<std::string, int32_t> refused = {
  // greyscale types 3 and 11
  {"ftrv_monochrome16_top_left.tga", TEX_ERR_DEPTH},
  {"ftrv_monochrome16_top_left_rle.tga", TEX_ERR_DEPTH},
  {"ftrv_monochrome8_bottom_left.tga", TEX_ERR_DEPTH},
  {"ftrv_monochrome8_bottom_left_rle.tga", TEX_ERR_DEPTH},
  {"imagers_cbw8.tga", TEX_ERR_DEPTH},
  {"imagers_ubw8.tga", TEX_ERR_DEPTH},
  {"imagers_regress_sixteen-bit-gray-colormap2.tga", TEX_ERR_DEPTH},
  {"pillow_common_1x1_l_bl_raw.tga", TEX_ERR_DEPTH},
  {"pillow_common_1x1_l_bl_rle.tga", TEX_ERR_DEPTH},
  {"pillow_common_1x1_l_tl_rle.tga", TEX_ERR_DEPTH},
  {"pillow_common_200x32_l_bl_raw.tga", TEX_ERR_DEPTH},
  {"pillow_common_200x32_l_tl_rle.tga", TEX_ERR_DEPTH},
  {"pillow_common_200x32_la_tl_raw.tga", TEX_ERR_DEPTH},
  {"pillow_la.tga", TEX_ERR_DEPTH},
  // colour maps other than 256 entries of 24 bits from index 0, or none at all
  {"ftrv_rgb32_top_left_rle_colormap.tga", TEX_ERR_DEPTH},
  {"imagers_b5-cmap.tga", TEX_ERR_DEPTH},
  {"imagers_cmap_offset.tga", TEX_ERR_DEPTH},
  {"imagers_ucm8.tga", TEX_ERR_DEPTH},
  {"imagers_regress_bad-color-map.tga", TEX_ERR_DEPTH},
  {"pillow_p_16.tga", TEX_ERR_DEPTH},
  // image types that hold no pixels this codec reads (0, 163)
  {"imagers_regress_flip-zero-height.tga", TEX_ERR_DEPTH},
  {"imagers_regress_orientation-zero-width.tga", TEX_ERR_DEPTH},
  // run-length data that ends before the image does
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
// first). 16-bit channels only carry five bits, which the codec scales by 8
// with alpha 255 where Pillow widens them to 255, so only those bits count.
static void expectSamePixels(const std::string &name, const TexEntry &entry, const Reference &ref)
{
  ASSERT_EQ(entry.width, ref.width) << name;
  ASSERT_EQ(entry.height, ref.height) << name;
  ASSERT_EQ(ref.rgba.size(), (size_t)entry.width * entry.height * 4) << name;
  const bool fiveBits = entry.bitsPerPixel == 16;
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

TEST(TgaCorpus, RefusesUnreadVariantsAndMatchesPillowOnTheRest)
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
    ASSERT_TRUE(pillow[name].decoded) << name << ": Pillow refuses a file the codec decodes";
    expectSamePixels(name, entry, pillow[name]);
  }
}
