// The host folder: how device and Windows names find files.
#include "machine_fileio.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A whole small file as read through the host device, or "<code>" when the
// open fails.
std::string readName(const char *name)
{
  int h = fio_open(name, FIO_O_RDONLY);
  if (h < 1)
    return "<" + std::to_string(h) + ">";
  char buffer[64];
  int n = fio_read(h, buffer, sizeof buffer);
  fio_close(h);
  return std::string(buffer, n > 0 ? n : 0);
}

TEST(HostFiles, NamesResolveUnderTheHostFolderIgnoringCaseWhereNeeded)
{
  TempDir dir;
  WriteHostFile(dir.path + "/Vorlanth/Objects/Ship.lwo", "ship");
  WriteHostFile(dir.path + "/vorlanth/vorlanth.lws", "lower");
  WriteHostFile(dir.path + "/Morvane.hvk", "archive");
  MachineForTest(dir.path);
  EXPECT_EQ(readName("host:Morvane.hvk"), "archive");
  EXPECT_EQ(readName("host:morvane.HVK"), "archive");
  EXPECT_EQ(readName("C:\\Vorlanth\\Objects\\Ship.lwo"), "ship");  // drive letter dropped
  EXPECT_EQ(readName("D:/VORLANTH/objects/ship.LWO"), "ship");     // either slash, any case
  EXPECT_EQ(readName("Vorlanth\\Objects/Ship.lwo"), "ship");       // no device at all
  EXPECT_EQ(readName("\\vorlanth\\vorlanth.lws"), "lower");        // exact name wins
  EXPECT_EQ(readName("host:C:\\vorlanth\\vorlanth.lws"), "lower");
  EXPECT_EQ(readName("Vorlanth/Objects/../../Morvane.hvk"), "archive");
  EXPECT_EQ(readName("../../../../Morvane.hvk"), "archive");       // never above the host folder
  EXPECT_EQ(readName("cdrom0:\\MORVANE.HVK;1"), "<-2>");           // other devices are not served
  EXPECT_EQ(readName("mc0:Morvane.hvk"), "<-2>");
  EXPECT_EQ(readName("host:missing.lwo"), "<-2>");
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

// Content copied out of its folder: with findByName, a name found nowhere
// else is found by its file name in the folders of the files read before it,
// the latest first; without it (the show's own content), it is not found.
TEST(HostFiles, NamesFoundByTheirFileNameBesideFilesReadBefore)
{
  TempDir dir;
  WriteHostFile(dir.path + "/scenes/a.lws", "scene");
  WriteHostFile(dir.path + "/scenes/cube.lwo", "cube beside the scene");
  WriteHostFile(dir.path + "/objects/ship.lwo", "ship");
  WriteHostFile(dir.path + "/objects/Chrome.JPG", "chrome beside the object");
  WriteHostFile(dir.path + "/scenes/chrome.jpg", "chrome beside the scene");
  MachineForTest(dir.path);
  EXPECT_EQ(readName("scenes/a.lws"), "scene");
  EXPECT_EQ(readName("C:storage/box/cube.lwo"), "<-2>");

  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = dir.path;
  config.findByName = 1;
  MachineSetup(&config);
  EXPECT_EQ(readName("Images\\Reflections/chrome.jpg"), "<-2>");  // nothing read yet
  EXPECT_EQ(readName("scenes/a.lws"), "scene");
  EXPECT_EQ(readName("C:storage/box/cube.lwo"), "cube beside the scene");
  EXPECT_EQ(readName("objects/ship.lwo"), "ship");
  EXPECT_EQ(readName("images\\reflections/chrome.jpg"), "chrome beside the object");
  EXPECT_EQ(readName("HQ:maps/CUBE.LWO"), "cube beside the scene");  // other devices too
  EXPECT_EQ(readName("images/chrome.jpg"), "chrome beside the scene");  // latest folder first
  EXPECT_EQ(readName("images/"), "<-2>");
  EXPECT_EQ(readName("images/missing.jpg"), "<-2>");
}

// The content folder of a scene: its own folder, then its parents, the first
// under which its objects are found; the scene's name below it.
TEST(HostFiles, TheContentFolderIsWhereTheSceneFindsItsObjects)
{
  TempDir dir;
  WriteHostFile(dir.path + "/content/Objects/Ship.lwo", "ship");
  WriteHostFile(dir.path + "/content/Objects/Wing.lwo", "wing");
  WriteHostFile(dir.path + "/content/Scenes/Deep/ship.lws",
                "LWSC\n3\n\nLoadObjectLayer 1 objects/ship.lwo\nAddNullObject x\n"
                "LoadObjectLayer 2 C:\\Objects\\WING.lwo\r\n");
  WriteHostFile(dir.path + "/content/Scenes/five.lws",
                "LWSC\n5\n\nLoadObjectLayer 1 10000000 Objects/Wing.lwo\n");
  WriteHostFile(dir.path + "/content/Scenes/lost.lws",
                "LWSC\n3\n\nLoadObjectLayer 1 Objects/Ship.lwo\nLoadObjectLayer 1 Objects/Gone.lwo\n");
  WriteHostFile(dir.path + "/none.lws", "LWSC\n3\n\nAddNullObject alone\n");
  MachineContent content;
  ASSERT_EQ(MachineFindContentFolder(dir.path + "/content/Scenes/Deep/ship.lws", &content), 0);
  EXPECT_EQ(content.folder, dir.path + "/content");
  EXPECT_EQ(content.sceneName, "Scenes/Deep/ship.lws");
  EXPECT_EQ(content.found * 10 + content.objects, 22);
  EXPECT_EQ(MachineDescribeContent(content),
            "content folder " + dir.path + "/content (2 of 2 objects found there)");
  ASSERT_EQ(MachineFindContentFolder(dir.path + "/content/Scenes/five.lws", &content), 0);
  EXPECT_EQ(content.folder, dir.path + "/content");
  // Not every object anywhere: the nearest folder with the most of them.
  ASSERT_EQ(MachineFindContentFolder(dir.path + "/content/Scenes/lost.lws", &content), 0);
  EXPECT_EQ(content.folder, dir.path + "/content");
  EXPECT_EQ(content.found * 10 + content.objects, 12);
  // No objects: the scene's own folder.
  ASSERT_EQ(MachineFindContentFolder(dir.path + "/none.lws", &content), 0);
  EXPECT_EQ(content.folder, dir.path);
  EXPECT_EQ(content.sceneName, "none.lws");
  EXPECT_EQ(MachineFindContentFolder(dir.path + "/missing.lws", &content), -1);
  EXPECT_EQ(MachineFindContentFolder(dir.path + "/content", &content), -1);
}

}  // namespace
