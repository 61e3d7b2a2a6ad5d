// The desktop's JPEG and PNG codecs: exactly Pillow's pixels for every colour
// type, depth, subsampling and interlace, the hand-over to the registry
// (bottom row first, scaled down to fit), and damaged or oversized files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <zlib.h>

#include "file.h"
#include "imagecodec.h"
#include "mem.h"
#include "testkit.h"
#include "tex.h"
#include "textga.h"

namespace fs = std::filesystem;

namespace {

struct Reference {
  int width = 0, height = 0;
  std::string rgba;  // top row first
};

// Pillow's pictures: the files the script makes, and the corpus's JPEG.
std::map<std::string, Reference> pillowPictures(const std::string &dir, const std::string &extra)
{
  CommandResult run =
      RunCommand("/usr/bin/python3 " MORVANE_SOURCE_DIR "/tests/tex/pil_images.py " + dir + " " + extra);
  EXPECT_EQ(run.status, 0) << run.output;
  std::map<std::string, Reference> pictures;
  std::istringstream lines(run.output);
  std::string name;
  Reference ref;
  while (lines >> name >> ref.width >> ref.height) {
    ref.rgba = ReadHostFile(dir + "/" + name + ".rgba");
    pictures[name] = ref;
  }
  return pictures;
}

bool isPng(const std::string &name)
{
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
}

int32_t decodeFile(const std::string &path, ImagePicture *picture, std::string *reason)
{
  std::string bytes = ReadHostFile(path);
  const uint8_t *data = (const uint8_t *)bytes.data();
  return isPng(path) ? ImageDecodePng(data, bytes.size(), picture, reason)
                     : ImageDecodeJpeg(data, bytes.size(), picture, reason);
}

class ImageCodecs : public ::testing::Test {
 protected:
  void SetUp() override
  {
    MachineForTest(dir.path);
    MemFreeAll();
    MemInit();
    TexFreeAll();
    ASSERT_EQ(TexInit(), TEX_OK);
    ASSERT_EQ(TexRegisterCodec("TGA", TgaLoad), TEX_OK);
    ASSERT_EQ(ImageCodecsRegister(), TEX_OK);
    MachineCaptureConsole(&console);
  }
  void TearDown() override
  {
    MachineCaptureConsole(nullptr);
    TexFreeAll();
  }
  // Registers a record named `name`; TexAdd's result.
  int32_t add(TexEntry *entry, const std::string &name)
  {
    *entry = TexEntry{};
    snprintf(entry->name, sizeof entry->name, "%s", name.c_str());
    return TexAdd(entry);
  }
  TempDir dir;
  std::string console;
};

TEST_F(ImageCodecs, DecodeExactlyAsPillowDoes)
{
  std::string chrome = CorpusDir().empty() ? "" :
      CorpusDir() + "/lws/assimp_QuickDraw_v2.2/LWO/LWO2/LWSReferences/MTL_ChromeUniversal.JPG";
  std::map<std::string, Reference> pictures = pillowPictures(dir.path, chrome);
  ASSERT_GE(pictures.size(), 30u);
  for (const auto &[name, ref] : pictures) {
    std::string path = name == "MTL_ChromeUniversal.JPG" ? chrome : dir.path + "/" + name;
    ImagePicture picture;
    std::string reason;
    ASSERT_EQ(decodeFile(path, &picture, &reason), 0) << name << ": " << reason;
    EXPECT_EQ(picture.width, ref.width) << name;
    EXPECT_EQ(picture.height, ref.height) << name;
    EXPECT_TRUE(std::string(picture.rgba.begin(), picture.rgba.end()) == ref.rgba) << name;
  }
  // What the files hold, as the registry reports it (bits per pixel).
  ImagePicture picture;
  std::string reason;
  decodeFile(dir.path + "/grey.jpg", &picture, &reason);
  EXPECT_EQ(picture.channels, 1);
  decodeFile(dir.path + "/palette4_trns.png", &picture, &reason);
  EXPECT_EQ(picture.channels, 4);
  decodeFile(dir.path + "/grey_alpha16.png", &picture, &reason);
  EXPECT_EQ(picture.channels, 2);
}

TEST_F(ImageCodecs, TheRegistryGetsBottomRowFirstScaledToFit)
{
  std::map<std::string, Reference> pictures = pillowPictures(dir.path, "");
  TexEntry small, large;
  ASSERT_EQ(add(&small, "RGBA8.PNG"), TEX_OK) << console;
  const Reference &ref = pictures["rgba8.png"];
  ASSERT_EQ(small.width * 100 + small.height, ref.width * 100 + ref.height);
  EXPECT_EQ(small.bitsPerPixel, 32);
  size_t row = (size_t)ref.width * 4;
  for (int y = 0; y < ref.height; y++)
    EXPECT_EQ(std::string((const char *)small.pixels + (ref.height - 1 - y) * row, row),
              ref.rgba.substr(y * row, row)) << "row " << y;

  // 1300 x 700 is drawn at 512 x 700: the box filter over Pillow's picture.
  ASSERT_EQ(add(&large, "large.jpg"), TEX_OK) << console;
  ASSERT_EQ(large.width * 10000 + large.height, 5120700);
  const Reference &big = pictures["large.jpg"];
  std::vector<uint8_t> fitted(512 * 700 * 4);
  TexShrink((const uint8_t *)big.rgba.data(), 1300, 700, fitted.data(), 512, 700);
  EXPECT_EQ(memcmp(large.pixels, fitted.data() + (size_t)699 * 512 * 4, 512 * 4), 0);
  EXPECT_EQ(memcmp(large.pixels + (size_t)699 * 512 * 4, fitted.data(), 512 * 4), 0);
  EXPECT_EQ(large.bitsPerPixel, 24);
  EXPECT_EQ(console.find("Error"), std::string::npos) << console;
}

// Damaged and oversized files: a clear line naming the file and the code,
// the code from the codec, and TexAdd's refusal; never a crash.
TEST_F(ImageCodecs, DamagedFilesAreRefusedWithTheirCode)
{
  pillowPictures(dir.path, "");
  std::string jpeg = ReadHostFile(dir.path + "/progressive.jpg");
  std::string baseline = ReadHostFile(dir.path + "/baseline420.jpg");
  std::string png = ReadHostFile(dir.path + "/rgb8.png");
  std::string badCrc = png;
  badCrc[29] ^= 1;  // the IHDR's checksum
  std::string huge = png;
  huge.replace(16, 8, std::string("\x00\x01\x11\x70\x00\x00\x00\x02", 8));  // 70000 wide
  uint32_t crc = (uint32_t)crc32(0, (const Bytef *)huge.data() + 12, 17);
  for (int i = 0; i < 4; i++)
    huge[29 + i] = (char)(crc >> (24 - 8 * i));
  std::string hugeJpeg = jpeg;
  size_t sof = hugeJpeg.find("\xff\xc2", 2);
  ASSERT_NE(sof, std::string::npos);
  hugeJpeg.replace(sof + 5, 4, std::string("\xfd\xe8\xfd\xe8", 4));  // 65000 x 65000
  struct Case {
    const char *name;
    std::string bytes;
    int32_t code;
    const char *why;
  } cases[] = {
      {"cut.jpg", jpeg.substr(0, jpeg.size() / 2), TEX_ERR_FAILED, "Premature end of JPEG file"},
      {"noise.jpg", jpeg.substr(0, 2) + std::string(300, '\x55'), TEX_ERR_FAILED, "damaged JPEG data"},
      // Image data cut short by an end marker: the library would pad it with
      // zeros (grey rows) and only warn.
      {"ended.jpg", baseline.substr(0, baseline.size() / 2) + "\xff\xd9", TEX_ERR_FAILED,
       "premature end of data segment"},
      {"text.jpg", "not a picture", TEX_ERR_FAILED, "not a JPEG file"},
      {"huge.jpg", hugeJpeg, TEX_ERR_NO_MEMORY, "65000 x 65000 pixels is too large"},
      {"cut.png", png.substr(0, png.size() - 20), TEX_ERR_FAILED, "damaged PNG data"},
      {"crc.png", badCrc, TEX_ERR_FAILED, "CRC error"},
      {"huge.png", huge, TEX_ERR_NO_MEMORY, "70000 x 2 pixels is too large"},
      {"empty.png", "", TEX_ERR_FAILED, "not a PNG file"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    WriteHostFile(dir.path + "/" + c.name, c.bytes);
    ImagePicture picture;
    std::string reason;
    EXPECT_EQ(decodeFile(dir.path + "/" + c.name, &picture, &reason), c.code);
    EXPECT_NE(reason.find(c.why), std::string::npos) << reason;
    EXPECT_TRUE(picture.rgba.empty());
    console.clear();
    TexEntry entry;
    EXPECT_EQ(add(&entry, c.name), TEX_ERR_FAILED);
    EXPECT_EQ(entry.pixels, nullptr);
    std::string line = "Error : " + std::string(c.name) + " : " + reason + " (" + std::to_string(c.code) + ") !";
    EXPECT_NE(console.find(line), std::string::npos) << console;
    EXPECT_NE(console.find("Error while reading " + std::string(c.name) + " !"), std::string::npos);
  }
  TexEntry missing;
  EXPECT_EQ(add(&missing, "gone.png"), TEX_ERR_FAILED);
  EXPECT_NE(console.find("Error : gone.png can not be loaded (-3) !"), std::string::npos) << console;
}

TEST_F(ImageCodecs, APictureThePoolCannotHoldIsRefusedWithMinusFive)
{
  pillowPictures(dir.path, "");
  // Room for the file's bytes, not for the 512 x 700 pixels drawn from them.
  int32_t fileSize = (int32_t)ReadHostFile(dir.path + "/large.jpg").size();
  ASSERT_NE(MemAlloc(MEM_POOL_SIZE - MemGetPosition() - fileSize - 65536), nullptr);
  TexEntry entry;
  EXPECT_EQ(add(&entry, "large.jpg"), TEX_ERR_FAILED);
  EXPECT_NE(console.find("Error : large.jpg (512 x 700 pixels) does not fit in memory (-5) !"),
            std::string::npos) << console;
  // Without room for the file itself, the file loader's code is the codec's.
  ASSERT_NE(MemAlloc(MEM_POOL_SIZE - MemGetPosition() - fileSize / 2), nullptr);
  entry = TexEntry{};
  snprintf(entry.name, sizeof entry.name, "large.jpg");
  EXPECT_EQ(ImageJpegLoad(&entry), FILE_ERR_NO_MEMORY);
  EXPECT_NE(console.find("Error : large.jpg can not be loaded (-5) !"), std::string::npos) << console;
}

}  // namespace
