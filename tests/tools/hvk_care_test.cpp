// hvk with archives from elsewhere and files in the way: what verify checks
// in whose archives, how extract treats names, links and files already there,
// damaged members, special files, failed output and wrong command lines.
#include "testkit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const std::string hvk = std::string(MORVANE_BINARY_DIR) + "/hvk";

CommandResult run(const std::string &arguments)
{
  return RunCommand(hvk + " " + arguments + " 2>&1");
}

}  // namespace

// The fourth word belongs to the writer: another program's archive verifies
// whatever it holds there; hvk's own, marked archives have it checked, and
// what every archive guarantees is checked in all of them.
TEST(HvkCare, VerifyChecksTheEntryWordOnlyInArchivesHvkMarked)
{
  TempDir dir;
  std::string foreign = dir.path + "/foreign.hvk";
  WriteHostFile(foreign, ArchiveImage({{"C:\\a.txt", 0, "alpha", 0xDEADBEEF}, {"b.txt", 0, "", 7}}));
  CommandResult r = run("verify " + foreign);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("2 members, 0 bad (written by another program"), std::string::npos) << r.output;

  WriteHostFile(foreign, ArchiveImage({{"C:\\a.txt", 0, "alpha", 0}, {"C:\\odd.bin", 2, "beta", 0}}));
  r = run("verify " + foreign);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("member C:\\odd.bin: unknown storage type 2"), std::string::npos) << r.output;

  WriteHostFile(dir.path + "/src/a.txt", "alpha");
  std::string own = dir.path + "/own.hvk";
  ASSERT_EQ(run("create " + own + " " + dir.path + "/src").status, 0);
  std::string image = ReadHostFile(own);
  EXPECT_EQ(image.substr(image.size() - 16, 4), "HVK1");
  image[image.find("alpha")] = 'A';  // the member changes, its checksum stays
  WriteHostFile(own, image);
  r = run("verify " + own);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("member C:\\a.txt: checksum does not match the directory's"), std::string::npos);
}

// A member verify finds damaged is neither extracted nor printed; a member
// of a storage type the show does not read is no empty file.
TEST(HvkCare, ExtractAndCatCheckEveryMember)
{
  TempDir dir;
  WriteHostFile(dir.path + "/src/good.txt", "good");
  WriteHostFile(dir.path + "/src/bad.txt", "intact");
  std::string arc = dir.path + "/a.hvk", out = dir.path + "/out";
  ASSERT_EQ(run("create " + arc + " " + dir.path + "/src").status, 0);
  std::string image = ReadHostFile(arc);
  image[image.find("intact")] = 'I';
  WriteHostFile(arc, image);

  CommandResult r = run("extract " + arc + " " + out);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "hvk: " + arc + ": member C:\\bad.txt: checksum does not match the directory's, not extracted\n");
  EXPECT_EQ(ReadHostFile(out + "/good.txt"), "good");
  EXPECT_FALSE(fs::exists(out + "/bad.txt"));
  r = RunCommand(hvk + " cat " + arc + " 'C:\\bad.txt' 2>/dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "");

  // A member that cannot be written whole (a full disk) leaves no cut file.
  WriteHostFile(arc, ArchiveImage({{"C:\\big.bin", 0, std::string(8192, 'b'), 0}}));
  r = RunCommand("bash -c \"trap '' XFSZ; ulimit -f 4; " + hvk + " extract " + arc + " " + out + "\" 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "hvk: " + arc + ": member C:\\big.bin: cannot be written: File too large\n");
  EXPECT_FALSE(fs::exists(out + "/big.bin"));

  WriteHostFile(arc, ArchiveImage({{"C:\\odd.bin", 2, "beta", 0}}));
  r = run("cat " + arc + " 'C:\\odd.bin'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "hvk: " + arc + ": member C:\\odd.bin: unknown storage type 2 (the show reads it as nothing)\n");
}

// Names and what is already on disk: an unsafe name, a link in the output
// folder, a later member with the show's name of an earlier one, a file
// already there (kept unless --force) and the archive itself (always kept).
TEST(HvkCare, ExtractSkipsWhatItMustNotWriteAndGoesOn)
{
  TempDir dir, outside;
  std::string out = dir.path + "/out", arc = out + "/in.hvk";
  fs::create_directories(out);
  fs::create_directory_symlink(outside.path, out + "/link");
  WriteHostFile(arc, ArchiveImage({{"C:\\a.txt", 0, "first", 0},
                                   {"D:\\a.txt", 0, "second", 0},
                                   {"C:\\A.TXT", 0, "third", 0},
                                   {"C:\\..\\evil.txt", 0, "evil", 0},
                                   {"C:\\link\\c.txt", 0, "through", 0},
                                   {"C:\\sub\\.\\b.txt", 0, "fine", 0},
                                   {"C:\\in.hvk", 0, "not an archive", 0}}));
  std::string before = ReadHostFile(arc);
  CommandResult r = run("extract " + arc + " " + out);
  EXPECT_EQ(r.status, 1);
  for (const char *line : {"member D:\\a.txt: same name as an earlier member (which the show reads), not extracted",
                           "member C:\\A.TXT: same name as an earlier member",
                           "member C:\\..\\evil.txt: unsafe name, not extracted",
                           "member C:\\link\\c.txt: 'link' on its way is a symbolic link or a file, not a folder",
                           "member C:\\in.hvk: it would replace the archive being read"})
    EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
  EXPECT_EQ(ReadHostFile(out + "/a.txt"), "first");
  EXPECT_EQ(ReadHostFile(out + "/sub/b.txt"), "fine");
  EXPECT_TRUE(fs::is_empty(outside.path));
  EXPECT_FALSE(fs::exists(dir.path + "/evil.txt"));
  EXPECT_EQ(ReadHostFile(arc), before);

  WriteHostFile(out + "/a.txt", "mine");
  r = run("extract " + arc + " " + out);
  EXPECT_NE(r.output.find("member C:\\a.txt: a file of that name is there (--force replaces it)"), std::string::npos);
  EXPECT_EQ(ReadHostFile(out + "/a.txt"), "mine");
  r = run("extract --force " + arc + " " + out);
  EXPECT_EQ(r.status, 1);  // the archive and the unsafe names are still refused
  EXPECT_EQ(ReadHostFile(out + "/a.txt"), "first");
  EXPECT_EQ(ReadHostFile(arc), before);
  for (const auto &entry : fs::recursive_directory_iterator(out))
    EXPECT_EQ(entry.path().filename().string().find(".hvk-"), std::string::npos) << entry.path();
}

// FIFOs and devices are skipped with a warning; a file too large for a
// member is refused by its size before a byte of it is read.
TEST(HvkCare, CreateReadsOnlyRegularFilesOfAFittingSize)
{
  TempDir dir;
  std::string src = dir.path + "/src";
  WriteHostFile(src + "/a.txt", "alpha");
  ASSERT_EQ(mkfifo((src + "/pipe").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", src + "/zero");
  CommandResult r = RunCommand("timeout 60 " + hvk + " create " + dir.path + "/a.hvk " + src + " 2>&1 >/dev/null");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "hvk: " + src + "/pipe: a FIFO, skipped\nhvk: " + src + "/zero: a device, skipped\n");

  fs::remove(src + "/pipe");
  if (RunCommand("truncate -s 100G " + src + "/huge.bin").status != 0)
    GTEST_SKIP() << "no sparse files here";
  r = RunCommand("timeout 60 " + hvk + " create " + dir.path + "/b.hvk " + src + " 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find(src + "/huge.bin: 107374182400 bytes is over the"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir.path + "/b.hvk"));
}

// Bytes no packer shrinks, so a member is stored at its full size.
std::string noise(size_t size, uint32_t seed)
{
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i++) {
    seed = seed * 1664525u + 1013904223u;
    bytes[i] = (char)(seed >> 24);
  }
  return bytes;
}

// The show holds the archive and the member it loads in one 16 MiB pool: a
// member that cannot fit beside even an archive of itself is refused, and
// an archive whose largest member does not fit beside it gets a warning.
TEST(HvkCare, CreateSaysWhatTheShowCannotLoad)
{
  TempDir dir;
  WriteHostFile(dir.path + "/one/big.bin", noise(9000000, 1));
  CommandResult r = RunCommand(hvk + " create " + dir.path + "/one.hvk " + dir.path + "/one 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("big.bin: 9000000 bytes: the show could never load it"), std::string::npos)
      << r.output;
  EXPECT_FALSE(fs::exists(dir.path + "/one.hvk"));

  WriteHostFile(dir.path + "/two/a.bin", noise(6000000, 2));
  WriteHostFile(dir.path + "/two/b.bin", noise(6000001, 3));
  r = RunCommand(hvk + " create " + dir.path + "/two.hvk " + dir.path + "/two 2>&1 >/dev/null");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("warning: the archive (12000"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("largest member C:\\b.bin (6000001 bytes) do not fit"), std::string::npos)
      << r.output;
  EXPECT_TRUE(fs::exists(dir.path + "/two.hvk"));
}

// JSON in UTF-8 with camelCase keys; output that cannot be written and
// wrong command lines.
TEST(HvkCare, JsonOutputAndCommandLine)
{
  TempDir dir;
  std::string arc = dir.path + "/a.hvk";
  WriteHostFile(arc, ArchiveImage({{"C:\\caf\xe9.txt", 0, "coffee", 0}}));
  CommandResult r = RunCommand(hvk + " list --json " + arc);
  ASSERT_EQ(r.status, 0) << r.output;
  nlohmann::json list = nlohmann::json::parse(r.output);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["name"], "C:\\caf\xc3\xa9.txt");
  EXPECT_EQ(list[0]["storage"], "stored");
  EXPECT_EQ(list[0]["size"], 6);
  EXPECT_EQ(list[0]["packedSize"], 6);

  for (const char *command : {"cat A 'C:\\caf\xe9.txt'", "list A", "list --json A", "verify A"}) {
    std::string arguments = command;
    arguments.replace(arguments.find(" A"), 2, " " + arc);
    r = RunCommand(hvk + " " + arguments + " 2>&1 >/dev/full");
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.output, "hvk: standard output: cannot be written: No space left on device\n") << command;
  }

  r = run("bogus");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output.substr(0, r.output.find('\n')), "hvk: unknown command bogus");
  EXPECT_NE(r.output.find("Usage: hvk COMMAND"), std::string::npos);
  EXPECT_EQ(run("list").status, 2);
  EXPECT_EQ(run("create --drive CD a.hvk .").status, 2);
  EXPECT_EQ(run("--version").output, "hvk 0.1.0\n");
}
