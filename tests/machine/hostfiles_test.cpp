// The host folder: how device and Windows names find files.
#include "machine_fileio.h"
#include "testkit.h"

#include <gtest/gtest.h>

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
