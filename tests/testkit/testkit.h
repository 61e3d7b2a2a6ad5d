// Helpers shared by the test programs.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "machine.h"

// The corpus of real files made by other people, or "" when it is not there
// (a lone clone): tests that need it skip themselves.
std::string CorpusDir(void);
#define REQUIRE_CORPUS()                                                   \
  do {                                                                     \
    if (CorpusDir().empty())                                               \
      GTEST_SKIP() << "the shared corpus is not next to this checkout";    \
  } while (0)

// A fresh empty folder under the system's temporary folder, removed with the object.
struct TempDir {
  TempDir();
  ~TempDir();
  std::string path;
};

// Puts the machine model in power-on state with the host folder `hostDir`.
void MachineForTest(const std::string &hostDir, int region = MACHINE_REGION_PAL, int maxFrames = 0);

// Register writes (address, value) as one A+D packet: the words DMA channel
// 2 carries to the GS.
std::vector<uint64_t> GsPacketAD(const std::vector<std::pair<int, uint64_t>> &writes);
// Hands `words` (two a quadword) to the GS through DMA channel 2, as the
// console's program does; GsWriteAD sends GsPacketAD(writes).
void GsSend(const std::vector<uint64_t> &words);
void GsWriteAD(const std::vector<std::pair<int, uint64_t>> &writes);
// An XYZ2 value for the point (x16, y16) in 1/16 pixel at depth z, sent with
// the offset of 1024 pixels that the drawing environment's XYOFFSET takes away.
uint64_t GsXYZ16(int x16, int y16, uint32_t z = 0);

// An archive image as any writer may lay it out: the header, the entries,
// then each member's bytes as given, whatever its storage type says; the
// entry's fourth word (the writer's own) as given.
struct ArchiveMember {
  std::string name;
  uint32_t storage;
  std::string bytes;
  uint32_t word = 0;
};
std::string ArchiveImage(const std::vector<ArchiveMember> &members);
// Writes `value` as a little-endian 32-bit word at `at` of `image`.
void PutWord(std::string *image, size_t at, uint32_t value);

// Whole-file helpers for test data.
std::string ReadHostFile(const std::string &path);
void WriteHostFile(const std::string &path, const std::string &bytes);

// Runs a command through the shell; its standard output and exit status.
struct CommandResult {
  int status;
  std::string output;
};
CommandResult RunCommand(const std::string &command);
