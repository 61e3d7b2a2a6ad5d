// The archive reader: name forms, the directory walk, and damaged archives.
#include "file.h"
#include "filearc.h"
#include "filepack.h"
#include "mem.h"
#include "testkit.h"

#include <gtest/gtest.h>

namespace {

std::string Packed(const std::string &text)
{
  void *packed;
  int32_t size;
  MemFreeAll();
  MemInit();
  EXPECT_EQ(FilePack(text.data(), (int32_t)text.size(), &packed, &size), PACK_OK);
  return std::string((const char *)packed, (size_t)size);
}

// A fresh machine and pool with `image` held as the archive; console captured.
struct ArcTest : ::testing::Test {
  TempDir dir;
  std::string console;
  void Hold(const std::string &image)
  {
    MachineForTest(dir.path);
    MemFreeAll();
    MemInit();
    WriteHostFile(dir.path + "/t.hvk", image);
    MachineCaptureConsole(&console);
    ASSERT_EQ(FileArcInit("host:t.hvk"), 0);
  }
  void TearDown() override
  {
    MachineCaptureConsole(nullptr);
    FileArcFree();
  }
  std::string Get(const char *name, int32_t *result)
  {
    void *data = nullptr;
    int32_t size = -1;
    *result = FileArcGetFile(&data, name, &size);
    return *result == 0 && data ? std::string((const char *)data, (size_t)size) : std::string("<none>");
  }
};

}  // namespace

TEST_F(ArcTest, NameFormsFindTheMember)
{
  std::string scene = "LWSC\n3\n" + std::string(300, 'x');
  Hold(ArchiveImage({{"C:\\vorlanth\\vorlanth.lws", ARC_PACKED, Packed(scene)},
                {"C:\\vorlanth\\empty.txt", ARC_STORED, ""},
                {"c:/Vorlanth/Dup.txt", ARC_STORED, "first"},
                {"C:\\vorlanth\\dup.TXT", ARC_STORED, "second"}}));
  int32_t r;
  for (const char *name : {"C:\\vorlanth\\vorlanth.lws", "D:\\vorlanth\\vorlanth.lws",
                           "C:/vorlanth/vorlanth.lws", "C:\\VORLANTH\\VORLANTH.LWS", "\\vorlanth\\vorlanth.lws"}) {
    EXPECT_EQ(Get(name, &r), scene) << name;
    EXPECT_EQ(r, 0);
  }
  EXPECT_EQ(Get("vorlanth\\vorlanth.lws", &r), "<none>");
  EXPECT_EQ(r, ARC_ERR_MISSING);
  EXPECT_NE(console.find("Missing file (vorlanth\\vorlanth.lws) in archive !"), std::string::npos);
  EXPECT_EQ(Get("C:\\vorlanth\\empty.txt", &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(Get("C:\\vorlanth\\dup.txt", &r), "first");  // the first in file order

  int32_t count = 0;
  char name[ARC_NAME_SIZE];
  EXPECT_EQ(FileArcGetNodeCount(&count), 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(FileArcGetIndexedFilename(name, 0), 0);
  EXPECT_STREQ(name, "/vorlanth/vorlanth.lws");
  EXPECT_EQ(FileArcGetIndexedFilename(name, 4), ARC_ERR_MISSING);
}

TEST_F(ArcTest, SignatureAndStorageTypes)
{
  Hold(ArchiveImage({{"C:\\a", 2, "abc"}, {"C:\\b", ARC_PACKED, "not a stream at all"}}));
  void *data = (void *)1;
  int32_t size = 77, r;
  EXPECT_EQ(FileArcGetFile(&data, "C:\\a", &size), 0);  // unknown storage: nothing written
  EXPECT_EQ(data, (void *)1);
  EXPECT_EQ(size, 77);
  EXPECT_EQ(Get("C:\\b", &r), "");  // a packed member without its signature is empty
  EXPECT_EQ(r, 0);

  std::string image = ArchiveImage({{"C:\\a", ARC_STORED, "abc"}});
  image[3] = '2';
  Hold(image);
  EXPECT_EQ(FileArcIsPresent(), 1);  // loads without complaint
  EXPECT_EQ(Get("C:\\a", &r), "<none>");
  EXPECT_EQ(r, ARC_ERR_SIGNATURE);
  EXPECT_EQ(FileArcIsPresent(), 0);
  EXPECT_NE(console.find("Wrong archive signature on archive file (C:\\a)"), std::string::npos);
  EXPECT_EQ(FileArcGetFile(&data, "C:\\a", &size), ARC_ERR_NONE);

  Hold(ArchiveImage({}));
  EXPECT_EQ(Get("C:\\a", &r), "<none>");
  EXPECT_EQ(r, ARC_ERR_MISSING);
}

TEST_F(ArcTest, DamagedArchivesFailWithinTheImage)
{
  const std::string text = std::string(200, 't') + std::string(100, 'u');
  std::string good = ArchiveImage({{"C:\\one", ARC_STORED, "1111"}, {"C:\\two", ARC_PACKED, Packed(text)}});
  size_t second = 8 + 20 + 7;  // start of the second entry
  struct Case {
    const char *what;
    std::function<void(std::string *)> damage;
    const char *message;
  } cases[] = {
      {"negative node count", [](std::string *i) { PutWord(i, 4, 0x80000000u); }, "Damaged archive directory"},
      {"advance outside", [](std::string *i) { PutWord(i, 8, 0x7FFFFFF0u); }, "Damaged archive directory at entry 1"},
      {"advance into its own name", [](std::string *i) { PutWord(i, 8, 21); }, "Damaged archive directory at entry 1"},
      {"data offset outside", [&](std::string *i) { PutWord(i, second + 16, 0xFFFFFFF0u); }, "Damaged member (C:\\two)"},
      {"member running past the end", [&](std::string *i) { i->resize(i->size() - 30); }, "Damaged member (C:\\two)"},
      {"packed stream broken", [&](std::string *i) { (*i)[i->size() - 30] ^= 0x5A; (*i)[i->size() - 29] ^= 0xFF; }, nullptr},
      {"name without terminator", [](std::string *i) { i->resize(8 + 20 + 6); }, "Damaged archive directory at entry 0"},
  };
  for (const Case &c : cases) {
    std::string image = good;
    c.damage(&image);
    Hold(image);
    int32_t r;
    std::string got = Get("C:\\two", &r);
    if (!c.message) {
      // Broken bytes in a packed stream never come out as other bytes: the
      // member is the original or is refused as damaged.
      if (r == 0)
        EXPECT_EQ(got, text) << c.what;
      else
        EXPECT_TRUE(r == ARC_ERR_DAMAGED &&
                    console.find("Damaged member (C:\\two) in archive") != std::string::npos)
            << r << "\n" << console;
      continue;
    }
    EXPECT_EQ(got, "<none>") << c.what;
    EXPECT_TRUE(r == ARC_ERR_DAMAGED) << c.what << " " << r;
    EXPECT_NE(console.find(c.message), std::string::npos) << c.what << "\n" << console;
  }
  // A node count larger than the directory: the third entry would start at
  // the end of the image.
  int32_t count = -1, r;
  std::string image = ArchiveImage({{"C:\\one", ARC_STORED, ""}, {"C:\\two", ARC_STORED, ""}});
  PutWord(&image, 4, 3);
  Hold(image);
  EXPECT_EQ(Get("C:\\two", &r), "");
  EXPECT_EQ(Get("C:\\three", &r), "<none>");
  EXPECT_EQ(r, ARC_ERR_DAMAGED);
  EXPECT_NE(console.find("Damaged archive directory at entry 2 (looking for C:\\three) !"), std::string::npos);
  EXPECT_EQ(FileArcGetNodeCount(&count), ARC_ERR_DAMAGED);
  // A stored member running past the end.
  image = ArchiveImage({{"C:\\one", ARC_STORED, "1111"}});
  PutWord(&image, 8 + 8, 5);
  Hold(image);
  Get("C:\\one", &r);
  EXPECT_EQ(r, ARC_ERR_DAMAGED);
}

TEST_F(ArcTest, FileLoadUsesTheArchiveAndRepairsNames)
{
  Hold(ArchiveImage({{"C:\\vorlanth\\font.tga", ARC_STORED, "FONT"}}));
  WriteHostFile(dir.path + "/hostonly.txt", "host");
  FileData file{};
  char name[FILE_NAME_SIZE] = "\\vorlanth\\font.tga";
  EXPECT_EQ(FileLoad(&file, name), 0);
  EXPECT_STREQ(name, "C:\\vorlanth\\font.tga");
  EXPECT_EQ(std::string((const char *)file.data, (size_t)file.size), "FONT");
  char drive[FILE_NAME_SIZE] = "C:vorlanth\\font.tga";
  EXPECT_EQ(FileLoad(&file, drive), 0);
  EXPECT_STREQ(drive, "C:\\vorlanth\\font.tga");
  // The record's own name as the name to load: repaired and copied safely.
  snprintf(file.name, sizeof file.name, "\\vorlanth\\font.tga");
  EXPECT_EQ(FileLoad(&file, file.name), 0);
  EXPECT_STREQ(file.name, "C:\\vorlanth\\font.tga");
  // With an archive held the host device is not tried.
  char host[FILE_NAME_SIZE] = "hostonly.txt";
  console.clear();
  EXPECT_EQ(FileLoad(&file, host), FILE_ERR_NOT_IN_ARCHIVE);
  EXPECT_EQ(file.data, nullptr);
  EXPECT_EQ(console, "Missing file (hostonly.txt) in archive !\nMissing file (\\hostonly.txt) in archive !\n"
                     "Error while getting hostonly.txt from archive file !\n");
  EXPECT_EQ(FileFree(&file), 0);
  EXPECT_EQ(FileFree(&file), 0);
}

TEST_F(ArcTest, FileLoadFromTheHostWithoutAnArchive)
{
  MachineForTest(dir.path);
  MemFreeAll();
  MemInit();
  FileArcFree();
  MachineCaptureConsole(&console);
  EXPECT_EQ(FileArcInit("host:Morvane.hvk"), ARC_ERR_NONE);
  EXPECT_EQ(console, "Cannot open archive file (host:Morvane.hvk)\n");
  WriteHostFile(dir.path + "/zero.bin", "");
  FileData file{};
  char zero[FILE_NAME_SIZE] = "host:zero.bin";
  EXPECT_EQ(FileLoad(&file, zero), 0);
  EXPECT_EQ(file.size, 0);
  EXPECT_NE(file.data, nullptr);
  char missing[FILE_NAME_SIZE] = "host:none.bin";
  console.clear();
  EXPECT_EQ(FileLoad(&file, missing), FILE_ERR_NOT_FOUND);
  EXPECT_EQ(console, "Error while opening host:none.bin !\n");
  FileData out{};
  snprintf(out.name, sizeof out.name, "cdrom0:\\nowhere.bin");
  console.clear();
  EXPECT_EQ(FileWrite(&out), FILE_ERR_WRITE);
  EXPECT_EQ(console, "Cannot write file\n");
  // A name that fills the buffer is not repaired past its end.
  char longName[FILE_NAME_SIZE];
  memset(longName, 'a', sizeof longName - 1);
  longName[0] = '\\';
  longName[FILE_NAME_SIZE - 1] = 0;
  EXPECT_EQ(FileLoad(&file, longName), FILE_ERR_NOT_FOUND);
  EXPECT_EQ(strlen(longName), (size_t)FILE_NAME_SIZE - 1);
}

// The indexed operations resume their walk where the last one stopped; in
// any order of indexes they answer as a walk from the first entry would, and
// an archive held anew is walked from its own first entry.
TEST_F(ArcTest, IndexedWalksAgreeInAnyOrderAndForgetTheOldImage)
{
  std::vector<ArchiveMember> members;
  for (int i = 0; i < 20; i++)
    members.push_back({"C:\\m" + std::to_string(i) + std::string((size_t)i, 'x'), ARC_STORED, std::to_string(i)});
  Hold(ArchiveImage(members));
  char name[ARC_NAME_SIZE];
  for (int32_t index : {0, 1, 2, 19, 5, 5, 6, 0, 18, 3}) {
    ASSERT_EQ(FileArcGetIndexedFilename(name, index), 0) << index;
    EXPECT_EQ(name, "/m" + std::to_string(index) + std::string((size_t)index, 'x'));
    void *data = nullptr;
    int32_t size = 0;
    ASSERT_EQ(FileArcGetIndexedFile(&data, index, &size), 0);
    EXPECT_EQ(std::string((const char *)data, (size_t)size), std::to_string(index));
  }
  std::string other = ArchiveImage({{"C:\\only.txt", ARC_STORED, "alone"}, {"C:\\two.txt", ARC_STORED, "2"}});
  ASSERT_EQ(FileArcAttach(other.data(), (int32_t)other.size()), 0);
  ASSERT_EQ(FileArcGetIndexedFilename(name, 1), 0);
  EXPECT_STREQ(name, "/two.txt");
  EXPECT_EQ(FileArcGetIndexedFilename(name, 5), ARC_ERR_MISSING);
  FileArcFree();
}

namespace {

// Takes all of the pool but `left` bytes.
void FillPool(int32_t left)
{
  ASSERT_NE(MemAlloc(MEM_POOL_SIZE - MemGetPosition() - 16 - left), nullptr);
}

}  // namespace

// A member the archive holds but cannot hand over is neither missing nor
// looked up again under the second-chance name: it keeps the archive's
// code, -5 without a pool block, -9 when damaged. Out of memory on the host
// road gives -5 as well.
TEST_F(ArcTest, FileLoadKeepsNoMemoryAndDamageApart)
{
  std::string image = ArchiveImage({{"C:\\big", ARC_STORED, std::string(4096, 'b')}, {"C:\\bad", ARC_STORED, "x"}});
  PutWord(&image, 8 + 27 + 16, 0xFFFFFFF0u);  // the second member's data far outside
  Hold(image);
  FillPool(64);
  FileData file{};
  char big[FILE_NAME_SIZE] = "C:\\big";
  console.clear();
  EXPECT_EQ(FileLoad(&file, big), FILE_ERR_NO_MEMORY);
  EXPECT_EQ(file.data, nullptr);
  EXPECT_EQ(console, "Not enough memory for C:\\big from archive file !\nNot enough memory\n");
  char bad[FILE_NAME_SIZE] = "C:\\bad";
  console.clear();
  EXPECT_EQ(FileLoad(&file, bad), FILE_ERR_DAMAGED);
  EXPECT_EQ(console.find("Missing"), std::string::npos) << console;
  EXPECT_NE(console.find("Damaged member (C:\\bad) in archive: data outside the archive file !"),
            std::string::npos) << console;

  // The host road, without an archive.
  FileArcFree();
  WriteHostFile(dir.path + "/host.bin", std::string(100, 'h'));
  char host[FILE_NAME_SIZE] = "host:host.bin";
  console.clear();
  EXPECT_EQ(FileLoad(&file, host), FILE_ERR_NO_MEMORY);
  EXPECT_EQ(console, "Not enough memory\n");
  EXPECT_EQ(file.size * 1 + (file.data != nullptr), 0);
  MemFreeAll();
  MemInit();
  EXPECT_EQ(FileLoad(&file, host), FILE_OK);
  EXPECT_EQ(std::string((const char *)file.data, (size_t)file.size), std::string(100, 'h'));
}

// An archive that cannot be opened, or has no room, replaces the one held
// before: loads then go to the host device, not to the old archive.
TEST_F(ArcTest, FailedArchiveInitLetsGoOfTheOldOne)
{
  Hold(ArchiveImage({{"C:\\a.txt", ARC_STORED, "archive"}}));
  WriteHostFile(dir.path + "/a.txt", "host");
  EXPECT_EQ(FileArcInit("host:none.hvk"), ARC_ERR_NONE);
  EXPECT_EQ(FileArcIsPresent(), 0);
  FileData file{};
  char name[FILE_NAME_SIZE] = "C:\\a.txt";
  ASSERT_EQ(FileLoad(&file, name), FILE_OK);
  EXPECT_EQ(std::string((const char *)file.data, (size_t)file.size), "host");

  Hold(ArchiveImage({{"C:\\a.txt", ARC_STORED, "archive"}}));
  FillPool(32);  // less than the 44-byte archive takes with its record
  console.clear();
  EXPECT_EQ(FileArcInit("host:t.hvk"), ARC_ERR_NO_MEMORY);
  EXPECT_EQ(FileArcIsPresent(), 0);
  EXPECT_EQ(console, "Not enough memory for archive file (host:t.hvk)\n");
}

// A drive followed by '/' is a whole path already: "C:/vorlanth/a.tga" is
// the member "C:\vorlanth\a.tga", and the name is left as it was.
TEST_F(ArcTest, DriveWithASlashNeedsNoRepair)
{
  Hold(ArchiveImage({{"C:\\vorlanth\\a.tga", ARC_STORED, "A"}}));
  FileData file{};
  char name[FILE_NAME_SIZE] = "C:/vorlanth/a.tga";
  ASSERT_EQ(FileLoad(&file, name), FILE_OK) << console;
  EXPECT_STREQ(name, "C:/vorlanth/a.tga");
  EXPECT_EQ(std::string((const char *)file.data, (size_t)file.size), "A");
  char mixed[FILE_NAME_SIZE] = "c:/VORLANTH\\A.TGA";
  EXPECT_EQ(FileLoad(&file, mixed), FILE_OK);
}
