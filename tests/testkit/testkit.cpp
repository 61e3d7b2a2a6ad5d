#include "testkit.h"

#include "machine_regs.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

std::string CorpusDir(void)
{
  std::error_code ec;
  return fs::is_directory(MORVANE_CORPUS_DIR, ec) ? std::string(MORVANE_CORPUS_DIR) : std::string();
}

TempDir::TempDir()
{
  std::string pattern = (fs::temp_directory_path() / "morvane-test-XXXXXX").string();
  char *made = mkdtemp(pattern.data());
  path = made ? made : "";
}

TempDir::~TempDir()
{
  std::error_code ec;
  if (!path.empty())
    fs::remove_all(path, ec);
}

void MachineForTest(const std::string &hostDir, int region, int maxFrames)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = hostDir;
  config.region = region;
  config.maxFrames = maxFrames;
  MachineSetup(&config);
}

void GsSend(const std::vector<uint64_t> &words)
{
  HwWrite(D2_QWC, words.size() / 2);
  HwWrite(D2_MADR, (uint64_t)(uintptr_t)words.data());
  HwWrite(D2_CHCR, 0x101);
}

std::vector<uint64_t> GsPacketAD(const std::vector<std::pair<int, uint64_t>> &writes)
{
  std::vector<uint64_t> words = {0x1000000000008000ull + writes.size(), 0xE};
  for (const auto &w : writes) {
    words.push_back(w.second);
    words.push_back((uint64_t)w.first);
  }
  return words;
}

void GsWriteAD(const std::vector<std::pair<int, uint64_t>> &writes)
{
  GsSend(GsPacketAD(writes));
}

uint64_t GsXYZ16(int x16, int y16, uint32_t z)
{
  return (uint64_t)((x16 + 16384) & 0xFFFF) | (uint64_t)((y16 + 16384) & 0xFFFF) << 16 | (uint64_t)z << 32;
}

void PutWord(std::string *image, size_t at, uint32_t value)
{
  for (int i = 0; i < 4; i++)
    (*image)[at + i] = (char)(value >> (8 * i));
}

std::string ArchiveImage(const std::vector<ArchiveMember> &members)
{
  std::string image = "DAT1" + std::string(4, '\0');
  PutWord(&image, 4, (uint32_t)members.size());
  std::vector<size_t> entries;
  for (const ArchiveMember &m : members) {
    entries.push_back(image.size());
    std::string entry(20, '\0');
    PutWord(&entry, 0, (uint32_t)(20 + m.name.size() + 1));
    PutWord(&entry, 4, m.storage);
    PutWord(&entry, 8, (uint32_t)m.bytes.size());
    PutWord(&entry, 12, m.word);
    image += entry + m.name + '\0';
  }
  for (size_t i = 0; i < members.size(); i++) {
    PutWord(&image, entries[i] + 16, (uint32_t)image.size());
    image += members[i].bytes;
  }
  return image;
}

std::string ReadHostFile(const std::string &path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteHostFile(const std::string &path, const std::string &bytes)
{
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), (std::streamsize)bytes.size());
}

CommandResult RunCommand(const std::string &command)
{
  CommandResult result{-1, ""};
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe)
    return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.output.append(buffer, n);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
