// hvk: the archive tool. Every command reads and writes archives through the
// engine's archive and packed-stream code, so the tool and the show cannot
// disagree about the format.
#include "hvk.h"
#include "machine.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

FILE *hvkOut = stdout;

// The engine's console text, captured instead of shown (see keepConsoleAside).
static std::string engineConsole;

int HvkFail(const std::string &what, const std::string &problem)
{
  fflush(hvkOut);
  fprintf(stderr, "hvk: %s: %s\n", what.c_str(), problem.c_str());
  return 1;
}

std::string HvkEngineMessage(void)
{
  // The line that says what went wrong comes first when the loader adds its
  // own summary line after it.
  std::string text = engineConsole;
  engineConsole.clear();
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    if (end > start)
      lines.push_back(text.substr(start, end - start));
  }
  for (const std::string &line : lines)
    if (line.rfind("Damaged", 0) == 0 || line.rfind("Not enough", 0) == 0 ||
        line.rfind("Wrong", 0) == 0)
      return line;
  return lines.empty() ? std::string() : lines.back();
}

void HvkFreshPool(void)
{
  MemFreeAll();
  MemInit();
}

bool HvkReadFile(const std::string &path, std::vector<uint8_t> *bytes, std::string *problem)
{
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    *problem = fs::exists(path, ec) ? "not a regular file" : "no such file";
    return false;
  }
  uintmax_t size = fs::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    *problem = std::string("cannot be read: ") + strerror(errno);
    return false;
  }
  bytes->resize((size_t)size);
  in.read((char *)bytes->data(), (std::streamsize)size);
  if ((uintmax_t)in.gcount() != size) {
    *problem = "cannot be read whole";
    return false;
  }
  return true;
}

bool HvkWriteFile(const std::string &path, const std::vector<uint8_t> &bytes, std::string *problem)
{
  std::string pattern = path + ".hvk-XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) {
    *problem = std::string("cannot be written: ") + strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0)
      break;
    done += (size_t)n;
  }
  bool ok = done == bytes.size();
  ok = close(fd) == 0 && ok;
  if (ok)
    chmod(pattern.c_str(), 0644);
  if (!ok || rename(pattern.c_str(), path.c_str()) != 0) {
    *problem = std::string("cannot be written: ") + strerror(errno ? errno : EIO);
    unlink(pattern.c_str());
    return false;
  }
  return true;
}

// Standard output carries the command's output (a member's bytes for `cat`),
// so the engine's console text, which the machine prints there, goes to
// /dev/null instead and is kept for the error lines.
static void keepConsoleAside(void)
{
  fflush(stdout);
  int outFd = dup(STDOUT_FILENO);
  int nullFd = open("/dev/null", O_WRONLY);
  if (outFd < 0 || nullFd < 0)
    return;
  dup2(nullFd, STDOUT_FILENO);
  close(nullFd);
  hvkOut = fdopen(outFd, "wb");
  if (!hvkOut)
    hvkOut = stderr;
  MachineCaptureConsole(&engineConsole);
}

int main(int argc, char **argv)
{
  CLI::App app{"hvk: build, list, extract, print and check Morvane archives"};
  app.require_subcommand(1);
  HvkCreateOptions create{"", "", 'C', false};
  std::string archive, folder, name, drive;
  bool json = false, noDrive = false;

  CLI::App *cmdCreate = app.add_subcommand("create", "archive every regular file under DIR");
  cmdCreate->add_option("ARCHIVE", create.archive, "archive to write")->required();
  cmdCreate->add_option("DIR", create.folder, "folder to archive")->required();
  cmdCreate->add_option("--drive", drive, "drive letter in front of member names (default C)");
  cmdCreate->add_flag("--no-drive", noDrive, "member names without a drive");
  cmdCreate->add_flag("--store", create.storeAll, "store every member, pack none");
  CLI::App *cmdList = app.add_subcommand("list", "name, storage, size and packed size of every member");
  cmdList->add_option("ARCHIVE", archive)->required();
  cmdList->add_flag("--json", json, "one JSON array");
  CLI::App *cmdExtract = app.add_subcommand("extract", "write every member under DIR");
  cmdExtract->add_option("ARCHIVE", archive)->required();
  cmdExtract->add_option("DIR", folder)->required();
  CLI::App *cmdCat = app.add_subcommand("cat", "one member's bytes to standard output");
  cmdCat->add_option("ARCHIVE", archive)->required();
  cmdCat->add_option("NAME", name, "member name, as the show asks for it")->required();
  CLI::App *cmdVerify = app.add_subcommand("verify", "unpack every member and check it");
  cmdVerify->add_option("ARCHIVE", archive)->required();
  CLI11_PARSE(app, argc, argv);

  keepConsoleAside();
  HvkFreshPool();
  int status = 1;
  if (*cmdCreate) {
    if (noDrive)
      create.drive = 0;
    else if (!drive.empty()) {
      if (drive.size() != 1 || !isalpha((unsigned char)drive[0]))
        return HvkFail("--drive", "a drive is one letter");
      create.drive = (char)toupper((unsigned char)drive[0]);
    }
    status = HvkCreate(create);
  } else if (*cmdList) {
    status = HvkList(archive, json);
  } else if (*cmdExtract) {
    status = HvkExtract(archive, folder);
  } else if (*cmdCat) {
    status = HvkCat(archive, name);
  } else if (*cmdVerify) {
    status = HvkVerify(archive);
  }
  fflush(hvkOut);
  return status;
}
