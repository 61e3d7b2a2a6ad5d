// hvk extract: every member as a file under a folder, as carefully as an
// archiver must be with a file from elsewhere.
//
// - A member name maps to a path below the folder: the drive is dropped,
//   either slash separates folders, "." parts are dropped. A name with a ".."
//   part, or with nothing left, is unsafe: that member is skipped.
// - The folders on the way are opened one by one without following symbolic
//   links, so a link already in the output folder cannot lead a member
//   outside it. A file is created only where nothing is, and removed again
//   when it cannot be written whole; it is never written through a link.
// - A file that is already there is left alone unless --force, which writes
//   a temporary file beside it and renames it over; the archive being read
//   is never replaced.
// - Two members with the same name for the show (drive, slash direction and
//   case aside) are one file to it, and it reads the first: the later one is
//   skipped, so it cannot replace the first on disk.
// - A damaged member is not written.
// Every skipped member is reported on its own line and extraction goes on;
// the exit status is then 1.
#include "hvk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

// The archive's own file, never to be replaced.
struct Identity {
  dev_t device;
  ino_t inode;
};

}  // namespace

// The parts of the path a member name maps to; false when it is unsafe.
static bool memberParts(const std::string &name, std::vector<std::string> *parts)
{
  std::string rest = name.size() >= 2 && name[1] == ':' ? name.substr(2) : name;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find_first_of("\\/", start);
    if (end == std::string::npos)
      end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part == "..")
      return false;
    if (!part.empty() && part != ".")
      parts->push_back(part);
    start = end + 1;
  }
  return !parts->empty();
}

// Opens (making it when missing) folder `name` inside `parent` without
// following a symbolic link. -1 with errno set when it cannot.
static int openFolder(int parent, const std::string &name)
{
  int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    if (mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST)
      return -1;
    fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  }
  return fd;
}

// Writes `length` bytes to the new file `fd`, then closes it; 0 or an errno.
static int writeAll(int fd, const uint8_t *bytes, size_t length)
{
  size_t done = 0;
  int error = 0;
  while (done < length && !error) {
    ssize_t n = write(fd, bytes + done, length - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      error = n < 0 ? errno : ENOSPC;
    else
      done += (size_t)n;
  }
  if (close(fd) != 0 && !error)
    error = errno;
  return error;
}

// Why `name` in `dir`, which is there, is not replaced ("" when --force may).
static std::string inTheWay(int dir, const std::string &name, bool force, const Identity &archive)
{
  struct stat st;
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return "";
  if (st.st_dev == archive.device && st.st_ino == archive.inode)
    return "it would replace the archive being read";
  if (S_ISDIR(st.st_mode))
    return "a folder of that name is there";
  return force ? "" : "a file of that name is there (--force replaces it)";
}

// A new file: created only where nothing is (not even a link), removed
// again when it cannot be written whole.
static std::string writeNew(int dir, const std::string &name, const uint8_t *bytes, size_t length,
                            const Identity &archive)
{
  int fd = openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0)
    return errno == EEXIST ? inTheWay(dir, name, false, archive)
                           : std::string("cannot be written: ") + strerror(errno);
  int error = writeAll(fd, bytes, length);
  if (error) {
    unlinkat(dir, name.c_str(), 0);
    return std::string("cannot be written: ") + strerror(error);
  }
  return "";
}

// --force: the file is written beside its name and renamed over what is
// there, which replaces a link itself rather than the file it leads to.
static std::string writeOver(int dir, const std::string &name, const uint8_t *bytes, size_t length,
                             const Identity &archive)
{
  std::string problem = inTheWay(dir, name, true, archive);
  if (!problem.empty())
    return problem;
  static std::mt19937 random{std::random_device{}()};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
    temp = ".hvk-" + std::to_string(random() % 1000000000u);
    fd = openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST)
      break;
  }
  if (fd < 0)
    return std::string("cannot be written: ") + strerror(errno);
  int error = writeAll(fd, bytes, length);
  if (!error && renameat(dir, temp.c_str(), dir, name.c_str()) != 0)
    error = errno;
  if (error) {
    unlinkat(dir, temp.c_str(), 0);
    return std::string("cannot be written: ") + strerror(error);
  }
  return "";
}

// Writes one member below the folder `root`. Returns "" or why not.
static std::string extractOne(int root, const std::vector<std::string> &parts, const void *data,
                              int32_t size, bool force, const Identity &archive)
{
  int dir = dup(root);
  for (size_t i = 0; dir >= 0 && i + 1 < parts.size(); i++) {
    int next = openFolder(dir, parts[i]);
    int error = errno;
    close(dir);
    dir = next;
    if (dir < 0)
      return error == ELOOP || error == ENOTDIR
                 ? "'" + parts[i] + "' on its way is a symbolic link or a file, not a folder"
                 : "cannot make folder '" + parts[i] + "': " + strerror(error);
  }
  if (dir < 0)
    return std::string("cannot open the folder: ") + strerror(errno);
  const uint8_t *bytes = (const uint8_t *)data;
  std::string problem = force ? writeOver(dir, parts.back(), bytes, (size_t)size, archive)
                              : writeNew(dir, parts.back(), bytes, (size_t)size, archive);
  close(dir);
  return problem;
}

int HvkExtract(const std::string &archive, const std::string &folder, bool force)
{
  int32_t count = 0;
  if (HvkOpenArchive(archive, &count) != 0)
    return 1;
  struct stat st;
  Identity self = {0, 0};
  if (stat(archive.c_str(), &st) == 0)
    self = {st.st_dev, st.st_ino};
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  int root = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0 || faccessat(root, ".", W_OK, AT_EACCESS) != 0) {
    if (root >= 0)
      close(root);
    return HvkFail(folder, "folder not writable");
  }
  int skipped = 0;
  std::unordered_set<std::string> taken;  // normalised names already extracted
  for (int32_t i = 0; i < count; i++) {
    ArcNodeInfo info;
    void *data;
    int32_t size;
    std::string problem;
    std::vector<std::string> parts;
    bool fetched = HvkFetchMember(i, &info, &data, &size, &problem);
    if (problem.rfind("damaged archive", 0) == 0) {
      close(root);
      return HvkFail(archive, problem);
    }
    if (!memberParts(info.name, &parts))
      problem = "unsafe name, not extracted";
    else if (!taken.insert(HvkNormalised(info.name)).second)
      problem = "same name as an earlier member (which the show reads), not extracted";
    else if (fetched)
      problem = extractOne(root, parts, data, size, force, self);
    else
      problem += ", not extracted";
    if (!problem.empty()) {
      HvkFail(archive, std::string("member ") + info.name + ": " + problem);
      skipped++;
    }
  }
  close(root);
  return skipped ? 1 : 0;
}
