// hvk from the command line: a folder through create, verify, list, extract
// and cat, and the one-line errors.
#include "testkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string Hvk(const std::string &arguments)
{
  return std::string(MORVANE_BINARY_DIR) + "/hvk " + arguments + " 2>&1";
}

// A folder like the show's content: text, a binary object, random bytes, an
// empty file, one byte value repeated.
void MakeContent(const std::string &root)
{
  std::string text;
  for (int i = 0; i < 2000; i++)
    text += "Object " + std::to_string(i) + " LoadObjectLayer 1 vorlanth.lwo\r\n";
  std::mt19937 random(3);
  std::string noise(20000, 0);
  for (char &c : noise)
    c = (char)random();
  WriteHostFile(root + "/vorlanth/vorlanth.lws", text);
  WriteHostFile(root + "/vorlanth/fonte_400x8.tga", std::string(5000, '\0') + noise.substr(0, 100));
  WriteHostFile(root + "/noise.bin", noise);
  WriteHostFile(root + "/Objects/Empty.lwo", "");
  WriteHostFile(root + "/Objects/same.raw", std::string(4096, 'Z'));
}

std::string Quote(const std::string &path)
{
  return "'" + path + "'";
}

}  // namespace

TEST(Hvk, FolderRoundTrip)
{
  TempDir dir;
  std::string src = dir.path + "/src", arc = dir.path + "/Morvane.hvk";
  MakeContent(src);
  CommandResult r = RunCommand(Hvk("create " + Quote(arc) + " " + Quote(src)));
  ASSERT_EQ(r.status, 0) << r.output;
  std::string first = ReadHostFile(arc);
  ASSERT_EQ(RunCommand(Hvk("create " + Quote(arc) + " " + Quote(src))).status, 0);
  EXPECT_EQ(ReadHostFile(arc), first);  // same folder, same bytes

  r = RunCommand(Hvk("verify " + Quote(arc)));
  EXPECT_EQ(r.status, 0) << r.output;
  r = RunCommand(Hvk("list " + Quote(arc)));
  EXPECT_EQ(r.output.substr(0, 7), "stored ");  // sorted by name: C:\Objects\Empty.lwo first
  EXPECT_NE(r.output.find("packed        4096"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("stored       20000      20000  C:\\noise.bin"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("C:\\vorlanth\\vorlanth.lws"), std::string::npos);
  r = RunCommand(Hvk("list --json " + Quote(arc)));
  EXPECT_NE(r.output.find("\"name\": \"C:\\\\vorlanth\\\\vorlanth.lws\",\n    \"storage\": \"packed\""),
            std::string::npos) << r.output;

  std::string out = dir.path + "/out";
  r = RunCommand(Hvk("extract " + Quote(arc) + " " + Quote(out)));
  ASSERT_EQ(r.status, 0) << r.output;
  for (const auto &entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file())
      continue;
    EXPECT_TRUE(ReadHostFile(out + "/" + fs::relative(entry.path(), src).string()) ==
                ReadHostFile(entry.path().string())) << entry.path();
  }

  std::string scene = ReadHostFile(src + "/vorlanth/vorlanth.lws");
  for (const char *name : {"C:\\vorlanth\\vorlanth.lws", "\\vorlanth\\vorlanth.lws", "C:vorlanth\\vorlanth.lws",
                           "D:\\VORLANTH\\Vorlanth.LWS", "vorlanth\\vorlanth.lws"}) {
    r = RunCommand(std::string(MORVANE_BINARY_DIR) + "/hvk cat " + Quote(arc) + " " + Quote(name));
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_TRUE(r.output == scene) << name;
  }
}

TEST(Hvk, DriveAndStoreOptions)
{
  TempDir dir;
  std::string src = dir.path + "/src", arc = dir.path + "/a.hvk";
  MakeContent(src);
  ASSERT_EQ(RunCommand(Hvk("create --store --no-drive " + Quote(arc) + " " + Quote(src))).status, 0);
  CommandResult r = RunCommand(Hvk("list " + Quote(arc)));
  EXPECT_EQ(r.output.find("packed"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("  \\vorlanth\\vorlanth.lws"), std::string::npos) << r.output;
  EXPECT_EQ(RunCommand(Hvk("cat " + Quote(arc) + " 'C:\\vorlanth\\vorlanth.lws'")).status, 0);
  ASSERT_EQ(RunCommand(Hvk("create --drive e " + Quote(arc) + " " + Quote(src))).status, 0);
  EXPECT_NE(RunCommand(Hvk("list " + Quote(arc))).output.find("E:\\vorlanth\\vorlanth.lws"), std::string::npos);
  EXPECT_EQ(RunCommand(Hvk("verify " + Quote(arc))).status, 0);
}

TEST(Hvk, ErrorsNameTheFileAndLeaveNothingBehind)
{
  TempDir dir;
  std::string src = dir.path + "/src", arc = dir.path + "/a.hvk";
  MakeContent(src);
  ASSERT_EQ(RunCommand(Hvk("create " + Quote(arc) + " " + Quote(src))).status, 0);
  std::string image = ReadHostFile(arc);

  auto fails = [&](const std::string &arguments, const std::string &line) {
    CommandResult r = RunCommand(Hvk(arguments));
    EXPECT_NE(r.status, 0) << arguments;
    EXPECT_EQ(r.output, line + "\n") << arguments;
  };
  fails("list " + Quote(dir.path + "/none.hvk"), "hvk: " + dir.path + "/none.hvk: no such file");
  fails("verify " + Quote(src + "/noise.bin"), "hvk: " + src + "/noise.bin: not an archive (no DAT1 signature)");
  fails("cat " + Quote(arc) + " 'C:\\nothing'", "hvk: " + arc + ": no member named C:\\nothing");
  fails("create " + Quote(dir.path + "/no/such/a.hvk") + " " + Quote(src),
        "hvk: " + dir.path + "/no/such/a.hvk: cannot be written: No such file or directory");
  fails("create " + Quote(arc) + " " + Quote(dir.path + "/nowhere"), "hvk: " + dir.path + "/nowhere: not a folder");

  // A node count larger than the directory.
  std::string damaged = image;
  damaged[4] = (char)0x7F;
  WriteHostFile(dir.path + "/count.hvk", damaged);
  CommandResult r = RunCommand(Hvk("list " + Quote(dir.path + "/count.hvk")));
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.output.rfind("hvk: " + dir.path + "/count.hvk: damaged archive: Damaged archive directory", 0), 0u)
      << r.output;

  // A flipped byte in a stored member is caught by verify, and only that member.
  damaged = image;
  size_t at = damaged.find(ReadHostFile(src + "/noise.bin").substr(0, 64));
  ASSERT_NE(at, std::string::npos);
  damaged[at + 10] ^= 1;
  WriteHostFile(dir.path + "/flip.hvk", damaged);
  r = RunCommand(Hvk("verify " + Quote(dir.path + "/flip.hvk")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("member C:\\noise.bin: checksum does not match the directory's"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("5 members, 1 bad"), std::string::npos) << r.output;

  // A cut archive: the packed members past the cut fail verify, nothing crashes.
  WriteHostFile(dir.path + "/cut.hvk", image.substr(0, image.size() - 200));
  r = RunCommand(Hvk("verify " + Quote(dir.path + "/cut.hvk")));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Damaged member (C:\\vorlanth\\vorlanth.lws)"), std::string::npos) << r.output;

  // Extract into a folder that cannot be written.
  fs::create_directories(dir.path + "/ro");
  fs::permissions(dir.path + "/ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (access((dir.path + "/ro").c_str(), W_OK) != 0)
    fails("extract " + Quote(arc) + " " + Quote(dir.path + "/ro"), "hvk: " + dir.path + "/ro: folder not writable");
  fs::permissions(dir.path + "/ro", fs::perms::owner_all);

  // No temporary file is left anywhere.
  for (const auto &entry : fs::recursive_directory_iterator(dir.path))
    EXPECT_EQ(entry.path().string().find(".hvk-"), std::string::npos) << entry.path();
}

TEST(Hvk, TheShowOpensTheArchiveItBuilds)
{
  TempDir dir, elsewhere;
  // Run from another folder: the show finds the archive through --host alone.
  std::string show = "cd " + Quote(elsewhere.path) + " && " + std::string(MORVANE_BINARY_DIR) +
                     "/morvane --frames 1 --host " + Quote(dir.path);
  CommandResult r = RunCommand(show + " 2>&1");
  EXPECT_NE(r.output.find("Cannot open archive file (host:Morvane.hvk)\n"), std::string::npos) << r.output;
  MakeContent(dir.path + "/src");
  ASSERT_EQ(RunCommand(Hvk("create " + Quote(dir.path + "/Morvane.hvk") + " " + Quote(dir.path + "/src"))).status, 0);
  r = RunCommand(show + " 2>&1");
  EXPECT_EQ(r.output.find("Cannot open archive file"), std::string::npos) << r.output;
}
