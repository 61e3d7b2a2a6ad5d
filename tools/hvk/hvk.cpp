// hvk: the archive tool. Every command reads and writes archives through the
// engine's archive and packed-stream code, so the tool and the show cannot
// disagree about the format.
//
// Exit statuses: 0 success, 1 a failure (one line per problem, naming the
// file), 2 a wrong command line.
#include "hvk.h"
#include "machine.h"
#include "toolkit.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE *hvkOut = stdout;

// The engine's console text, captured instead of shown (see keepConsoleAside).
static std::string engineConsole;

static const char usage[] = "hvk COMMAND [OPTIONS] ARGUMENTS (commands: create, list, extract, cat, verify)";

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

std::string HvkNormalised(const std::string &name)
{
  std::string text = name.size() >= 2 && name[1] == ':' ? name.substr(2) : name;
  for (char &c : text)
    c = c == '\\' ? '/' : (c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c);
  return text;
}

static std::string kindOf(mode_t mode)
{
  if (S_ISDIR(mode))
    return "a folder";
  if (S_ISFIFO(mode))
    return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device";
  if (S_ISSOCK(mode))
    return "a socket";
  return "not a regular file";
}

bool HvkReadFile(const std::string &path, int64_t limit, std::vector<uint8_t> *bytes, std::string *problem)
{
  // NOTE: O_NONBLOCK, or opening a FIFO would wait for a writer.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *problem = errno == ENOENT ? "no such file" : std::string("cannot be read: ") + strerror(errno);
    return false;
  }
  struct stat st;
  bool ok = fstat(fd, &st) == 0;
  if (!ok || !S_ISREG(st.st_mode))
    *problem = ok ? kindOf(st.st_mode) + ", not a file to read" : std::string("cannot be read: ") + strerror(errno);
  else if (st.st_size > limit)
    *problem = std::to_string((long long)st.st_size) + " bytes is over the limit of " + std::to_string((long long)limit);
  ok = ok && S_ISREG(st.st_mode) && st.st_size <= limit;
  if (ok) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    bytes->resize((size_t)st.st_size);
    size_t done = 0;
    while (done < bytes->size()) {
      ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        break;
      done += (size_t)n;
    }
    ok = done == bytes->size();
    if (!ok)
      *problem = "cannot be read whole";
  }
  close(fd);
  return ok;
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
  int error = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      break;
    }
    done += (size_t)n;
  }
  if (close(fd) != 0 && !error)
    error = errno;
  if (!error)
    chmod(pattern.c_str(), 0644);
  if (!error && rename(pattern.c_str(), path.c_str()) != 0)
    error = errno;
  if (error) {
    *problem = std::string("cannot be written: ") + strerror(error);
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

// The command named first, when it is not one hvk has: CLI11 would call it
// an unexpected argument.
static bool unknownCommand(const CLI::App &app, int argc, char **argv, std::string *name)
{
  for (int i = 1; i < argc; i++) {
    if (argv[i][0] == '-')
      continue;
    *name = argv[i];
    for (const CLI::App *command : app.get_subcommands([](const CLI::App *) { return true; }))
      if (command->get_name() == *name)
        return false;
    return true;
  }
  return false;
}

int main(int argc, char **argv)
{
  CLI::App app{"hvk: build, list, extract, print and check Morvane archives", "hvk"};
  app.set_version_flag("--version", std::string("hvk ") + MORVANE_VERSION);
  app.require_subcommand(1);
  app.footer("\nExit status: 0 success, 1 a failure (one line naming the file), 2 a wrong command line.");
  HvkCreateOptions create{"", "", 'C', false};
  std::string archive, folder, name, drive;
  bool json = false, noDrive = false, force = false;

  CLI::App *cmdCreate = app.add_subcommand("create", "archive every regular file under DIR");
  cmdCreate->add_option("ARCHIVE", create.archive, "archive to write")->required();
  cmdCreate->add_option("DIR", create.folder, "folder to archive")->required();
  cmdCreate->add_option("--drive", drive, "drive letter in front of member names (default C)");
  cmdCreate->add_flag("--no-drive", noDrive, "member names without a drive");
  cmdCreate->add_flag("--store", create.storeAll, "store every member, pack none");
  CLI::App *cmdList = app.add_subcommand("list", "storage, size, packed size and name of every member");
  cmdList->add_option("ARCHIVE", archive)->required();
  cmdList->add_flag("--json", json, "one JSON array");
  CLI::App *cmdExtract = app.add_subcommand("extract", "write every member under DIR");
  cmdExtract->add_option("ARCHIVE", archive)->required();
  cmdExtract->add_option("DIR", folder)->required();
  cmdExtract->add_flag("--force", force, "replace files that are already there");
  CLI::App *cmdCat = app.add_subcommand("cat", "one member's bytes to standard output");
  cmdCat->add_option("ARCHIVE", archive)->required();
  cmdCat->add_option("NAME", name, "member name, as the show asks for it")->required();
  CLI::App *cmdVerify = app.add_subcommand("verify", "unpack every member and check it");
  cmdVerify->add_option("ARCHIVE", archive)->required();

  std::string command;
  if (unknownCommand(app, argc, argv, &command))
    return ToolUsageError("hvk", "unknown command " + command, usage);
  int parsed = ToolParse(app, argc, argv, "hvk", usage);
  if (parsed >= 0)
    return parsed;
  if (*cmdCreate) {
    if (noDrive && !drive.empty())
      return ToolUsageError("hvk", "--drive and --no-drive contradict each other", usage);
    if (!drive.empty() && (drive.size() != 1 || !isalpha((unsigned char)drive[0])))
      return ToolUsageError("hvk", "--drive: a drive is one letter, not '" + drive + "'", usage);
    create.drive = noDrive ? 0 : drive.empty() ? 'C' : (char)toupper((unsigned char)drive[0]);
  }

  keepConsoleAside();
  HvkFreshPool();
  int status = 1;
  if (*cmdCreate)
    status = HvkCreate(create);
  else if (*cmdList)
    status = HvkList(archive, json);
  else if (*cmdExtract)
    status = HvkExtract(archive, folder, force);
  else if (*cmdCat)
    status = HvkCat(archive, name);
  else if (*cmdVerify)
    status = HvkVerify(archive);
  int written = ToolFinishOutput("hvk", hvkOut);
  return status ? status : written;
}
