// The host folder: how device and Windows names find files.
#include "machine_fileio.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(HostFiles, NamesResolveUnderTheHostFolderIgnoringCaseWhereNeeded)
{
  TempDir dir;
  WriteHostFile(dir.path + "/Vorlanth/Objects/Ship.lwo", "ship");
  WriteHostFile(dir.path + "/vorlanth/vorlanth.lws", "lower");
  WriteHostFile(dir.path + "/Morvane.hvk", "archive");
  MachineForTest(dir.path);

  auto read = [](const char *name) {
    int h = fio_open(name, FIO_O_RDONLY);
    if (h < 1)
      return std::string("<") + std::to_string(h) + ">";
    char buffer[64];
    int n = fio_read(h, buffer, sizeof buffer);
    fio_close(h);
    return std::string(buffer, n > 0 ? n : 0);
  };
  EXPECT_EQ(read("host:Morvane.hvk"), "archive");
  EXPECT_EQ(read("host:morvane.HVK"), "archive");
  EXPECT_EQ(read("C:\\Vorlanth\\Objects\\Ship.lwo"), "ship");      // drive letter dropped
  EXPECT_EQ(read("D:/VORLANTH/objects/ship.LWO"), "ship");         // either slash, any case
  EXPECT_EQ(read("Vorlanth\\Objects/Ship.lwo"), "ship");           // no device at all
  EXPECT_EQ(read("\\vorlanth\\vorlanth.lws"), "lower");            // exact name wins
  EXPECT_EQ(read("host:C:\\vorlanth\\vorlanth.lws"), "lower");
  EXPECT_EQ(read("Vorlanth/Objects/../../Morvane.hvk"), "archive");
  EXPECT_EQ(read("../../../../Morvane.hvk"), "archive");           // never above the host folder
  EXPECT_EQ(read("cdrom0:\\MORVANE.HVK;1"), "<-2>");               // other devices are not served
  EXPECT_EQ(read("mc0:Morvane.hvk"), "<-2>");
  EXPECT_EQ(read("host:missing.lwo"), "<-2>");
}

// Only regular files open, and none through a link that leaves the folder.
TEST(HostFiles, OnlyRegularFilesInsideTheFolderOpen)
{
  TempDir dir, outside;
  WriteHostFile(dir.path + "/inside.lwo", "inside");
  WriteHostFile(outside.path + "/secret.lwo", "secret");
  ASSERT_EQ(mkfifo((dir.path + "/Morvane.hvk").c_str(), 0644), 0);
  fs::create_directory(dir.path + "/folder.lwo");
  fs::create_symlink("/dev/zero", dir.path + "/zero.lwo");
  fs::create_symlink(outside.path + "/secret.lwo", dir.path + "/secret.lwo");
  fs::create_directory_symlink(outside.path, dir.path + "/Objects");
  fs::create_symlink("inside.lwo", dir.path + "/alias.lwo");
  fs::create_symlink(outside.path + "/new.tga", dir.path + "/dangling.tga");
  MachineForTest(dir.path);

  alarm(20);  // a FIFO that blocks the open ends the test instead of hanging it
  EXPECT_EQ(fio_open("host:Morvane.hvk", FIO_O_RDONLY), FIO_ENOENT);
  alarm(0);
  EXPECT_EQ(fio_open("folder.lwo", FIO_O_RDONLY), FIO_ENOENT);
  EXPECT_EQ(fio_open("zero.lwo", FIO_O_RDONLY), FIO_EACCES);   // leads out to /dev
  EXPECT_EQ(fio_open("secret.lwo", FIO_O_RDONLY), FIO_EACCES);
  EXPECT_EQ(fio_open("C:\\Objects\\secret.lwo", FIO_O_RDONLY), FIO_EACCES);
  EXPECT_EQ(fio_open("Objects/new.tga", FIO_O_WRONLY | FIO_O_CREAT), FIO_EACCES);
  EXPECT_EQ(fio_open("dangling.tga", FIO_O_WRONLY | FIO_O_CREAT), FIO_EACCES);
  EXPECT_FALSE(fs::exists(outside.path + "/new.tga"));
  int h = fio_open("alias.lwo", FIO_O_RDONLY);  // a link that stays inside is fine
  ASSERT_GE(h, 1);
  char buffer[16];
  EXPECT_EQ(fio_read(h, buffer, sizeof buffer), 6);
  fio_close(h);
  h = fio_open("made.tga", FIO_O_WRONLY | FIO_O_CREAT);
  EXPECT_GE(h, 1);
  fio_close(h);
}

TEST(HostFiles, HandlesStartAtOneAndRunOut)
{
  TempDir dir;
  WriteHostFile(dir.path + "/a", "x");
  MachineForTest(dir.path);
  int handles[64];
  int opened = 0;
  for (int &h : handles) {
    h = fio_open("host:a", FIO_O_RDONLY);
    if (h < 1)
      break;
    opened++;
  }
  EXPECT_EQ(handles[0], 1);
  EXPECT_GT(opened, 8);
  EXPECT_LT(opened, 64);
  EXPECT_EQ(handles[opened], FIO_EMFILE);
  EXPECT_EQ(fio_lseek(1, 0, 7), FIO_EINVAL);
  EXPECT_EQ(fio_read(1, nullptr, 4), FIO_EINVAL);
  EXPECT_EQ(fio_read(999, handles, 4), FIO_EBADF);
  MachineForTest(dir.path);  // power-on state closes everything
  EXPECT_EQ(fio_open("host:a", FIO_O_RDONLY), 1);
}

}  // namespace
