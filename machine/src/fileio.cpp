// The IOP's remote file service, served from a folder of the host.
//
// Names come in the forms LightWave content and the console use:
//   "host:Morvane.hvk"            the host device
//   "C:\vorlanth\vorlanth.lws"    a Windows path: the drive letter is dropped
//   "Objects/ship.lwo"            no device: relative to the host folder
// Either slash separates folders. Content authored on Windows names files
// without regard to case, so where a component does not exist as written, the
// folder is searched for one that matches it ignoring case. ".." never climbs
// above the host folder, and a symbolic link inside it that leads out of it
// is not followed. Only regular files open: a FIFO or a device named like a
// file would block the show or feed it without end. Any other device
// ("cdrom0:", "mc0:") is not found. With findByName set, a name to read found
// nowhere else (on any device) is looked for by its file name in the folders
// of the files read before it.
#include "machine.h"
#include "machine_fileio.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

enum { MAX_OPEN_FILES = 32 };

// Host descriptors of the open files; handle h is openFiles[h - 1], -1 when free.
static int openFiles[MAX_OPEN_FILES] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

// Folders of the files opened for reading, the latest first. Built on first
// use: the boot code resets the model before this file's constructors run.
static std::vector<std::string> &readFolders(void)
{
  static std::vector<std::string> folders;
  return folders;
}

void machineFileioReset(void)
{
  for (int &fd : openFiles) {
    if (fd >= 0)
      close(fd);
    fd = -1;
  }
  readFolders().clear();
}

static void noteReadFolder(const std::string &path)
{
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  std::vector<std::string> &folders = readFolders();
  for (size_t i = 0; i < folders.size(); i++)
    if (folders[i] == folder) {
      folders.erase(folders.begin() + (long)i);
      break;
    }
  folders.insert(folders.begin(), folder);
}

// Splits the part of a name after its device into folder components.
static bool splitComponents(const char *path, std::vector<std::string> *out)
{
  std::string part;
  for (const char *p = path;; p++) {
    if (*p == '/' || *p == '\\' || *p == 0) {
      if (part == "..") {
        if (!out->empty())
          out->pop_back();
      } else if (!part.empty() && part != ".") {
        out->push_back(part);
      }
      part.clear();
      if (*p == 0)
        return true;
    } else {
      part += *p;
    }
  }
}

// The entry of `folder` named `name`, as written or else ignoring case.
static std::string matchEntry(const std::string &folder, const std::string &name)
{
  std::string exact = folder + "/" + name;
  struct stat st;
  if (lstat(exact.c_str(), &st) == 0)
    return exact;
  DIR *dir = opendir(folder.c_str());
  if (!dir)
    return exact;
  std::string found = exact;
  while (struct dirent *entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = folder + "/" + entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

// The path of `name` below the folder `root`, or "" for another device.
static std::string resolveUnder(const std::string &root, const char *name)
{
  if (!name)
    return std::string();
  const char *rest = name;
  if (const char *colon = strchr(name, ':')) {
    size_t deviceLength = (size_t)(colon - name);
    bool driveLetter = deviceLength == 1 && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z');
    bool host = (deviceLength == 4 && strncasecmp(name, "host", 4) == 0) ||
                (deviceLength == 5 && strncasecmp(name, "host0", 5) == 0);
    if (!driveLetter && !host)
      return std::string();
    rest = colon + 1;
    // "host:C:\x" names a Windows path on the host: drop its drive too.
    if (host && rest[0] && rest[1] == ':')
      rest += 2;
  }
  std::vector<std::string> parts;
  splitComponents(rest, &parts);
  std::string path = root.empty() ? std::string(".") : root;
  for (const std::string &part : parts)
    path = matchEntry(path, part);
  return path;
}

// The real path of `path` (symbolic links followed), or "" when it has none.
static std::string realPath(const std::string &path)
{
  char buffer[PATH_MAX];
  return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

// The real path of a host or fallback folder, worked out once per folder
// name: every open checks against it, and following the folder's links again
// each time was a quarter of the cost of opening a small file. The folders
// are fixed when the machine is set up, so the sandbox is the folder they
// named then. A relative name is kept with the working folder it was read
// in; a folder that does not exist (yet) is looked up again.
static std::string rootPath(const std::string &root)
{
  static std::string names[2], reals[2];
  static int next;
  std::string name = root.empty() ? std::string(".") : root;
  if (name[0] != '/') {
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here))
      return realPath(name);
    name = std::string(here) + "/" + name;
  }
  for (int i = 0; i < 2; i++)
    if (!reals[i].empty() && names[i] == name)
      return reals[i];
  std::string real = realPath(name);
  if (!real.empty()) {
    names[next] = name;
    reals[next] = real;
    next ^= 1;
  }
  return real;
}

// Whether `path`, found below `root`, stays inside it once symbolic links
// are followed. A name that does not exist yet is judged by its folder; a
// dangling link could lead anywhere and is refused.
static bool staysInside(const std::string &root, const std::string &path)
{
  std::string top = rootPath(root);
  if (top.empty())
    return false;
  std::string real = realPath(path);
  if (real.empty()) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0)
      return false;  // there, but leads nowhere: a dangling link
    size_t slash = path.find_last_of('/');
    real = realPath(slash == std::string::npos ? std::string(".") : path.substr(0, slash));
    if (real.empty())
      return true;  // its folder does not exist either: opening it fails anyway
  }
  return real == top || (real.size() > top.size() && real.compare(0, top.size(), top) == 0 &&
                         (top == "/" || real[top.size()] == '/'));
}

std::string MachineResolveHostPath(const char *name)
{
  return resolveUnder(MachineGetConfig()->hostDir, name);
}

std::string MachineResolveHostPathUnder(const std::string &folder, const char *name)
{
  return resolveUnder(folder, name);
}

// The name's last component: its file name, whatever the separators.
static std::string fileNameOf(const char *name)
{
  const char *last = name;
  for (const char *p = name; *p; p++)
    if (*p == '/' || *p == '\\' || *p == ':')
      last = p + 1;
  return last;
}

// The file `name` names in a folder read before, or "".
static std::string findByName(const char *name)
{
  std::string file = fileNameOf(name);
  struct stat st;
  if (file.empty() || file == "." || file == "..")
    return std::string();
  for (const std::string &folder : readFolders()) {
    std::string path = matchEntry(folder, file);
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
      return path;
  }
  return std::string();
}

// Where a file to read is found: under the host folder, or else under the
// fallback folder (the built-in content while another scene plays, so the
// show's own font still loads), or else by its file name (findByName).
static std::string resolveForReading(const char *name)
{
  std::string path = MachineResolveHostPath(name);
  const MachineConfig *config = MachineGetConfig();
  struct stat st;
  if (!path.empty() && stat(path.c_str(), &st) == 0)
    return path;
  if (!path.empty() && !config->fallbackDir.empty()) {
    std::string other = resolveUnder(config->fallbackDir, name);
    if (stat(other.c_str(), &st) == 0)
      return other;
  }
  if (config->findByName) {
    std::string found = findByName(name);
    if (!found.empty())
      return found;
  }
  return path;
}

static int hostFd(int handle)
{
  if (handle < 1 || handle > MAX_OPEN_FILES)
    return -1;
  return openFiles[handle - 1];
}

int fileio_init(void)
{
  return 0;
}

int fio_open(const char *name, int flags)
{
  if (!name)
    return FIO_EINVAL;
  const MachineConfig *config = MachineGetConfig();
  bool reading = (flags & FIO_O_RDWR) == FIO_O_RDONLY;
  std::string path = reading ? resolveForReading(name) : MachineResolveHostPath(name);
  if (path.empty())
    return FIO_ENOENT;
  // Files are read from the host folder or the fallback folder and written
  // to the host folder only.
  if (!staysInside(config->hostDir, path) &&
      (!reading || config->fallbackDir.empty() || !staysInside(config->fallbackDir, path)))
    return FIO_EACCES;
  int slot = 0;
  while (slot < MAX_OPEN_FILES && openFiles[slot] >= 0)
    slot++;
  if (slot == MAX_OPEN_FILES)
    return FIO_EMFILE;

  int mode;
  switch (flags & FIO_O_RDWR) {
  case FIO_O_RDONLY: mode = O_RDONLY; break;
  case FIO_O_WRONLY: mode = O_WRONLY; break;
  case FIO_O_RDWR: mode = O_RDWR; break;
  default: return FIO_EINVAL;
  }
  if (flags & FIO_O_CREAT)
    mode |= O_CREAT;
  if (flags & FIO_O_TRUNC)
    mode |= O_TRUNC;
  if (flags & FIO_O_APPEND)
    mode |= O_APPEND;

  // NOTE: O_NONBLOCK, or opening a FIFO waits for a writer that never comes;
  // it is taken off again once the file is known to be a regular one.
  int fd = open(path.c_str(), mode | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? FIO_ENOENT : errno == EACCES ? FIO_EACCES : FIO_EIO;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return FIO_ENOENT;  // folders, FIFOs and devices are not files
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  openFiles[slot] = fd;
  if ((flags & FIO_O_RDWR) == FIO_O_RDONLY)
    noteReadFolder(path);
  return slot + 1;
}

int fio_close(int handle)
{
  int fd = hostFd(handle);
  if (fd < 0)
    return FIO_EBADF;
  openFiles[handle - 1] = -1;
  return close(fd) == 0 ? 0 : FIO_EIO;
}

int fio_read(int handle, void *buffer, int size)
{
  int fd = hostFd(handle);
  if (fd < 0)
    return FIO_EBADF;
  if (!buffer || size < 0)
    return FIO_EINVAL;
  int done = 0;
  while (done < size) {
    ssize_t n = read(fd, (char *)buffer + done, (size_t)(size - done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return FIO_EIO;
    if (n == 0)
      break;
    done += (int)n;
  }
  return done;
}

int fio_write(int handle, const void *buffer, int size)
{
  int fd = hostFd(handle);
  if (fd < 0)
    return FIO_EBADF;
  if (!buffer || size < 0)
    return FIO_EINVAL;
  int done = 0;
  while (done < size) {
    ssize_t n = write(fd, (const char *)buffer + done, (size_t)(size - done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return done > 0 ? done : FIO_EIO;
    done += (int)n;
  }
  return done;
}

int fio_lseek(int handle, int offset, int whence)
{
  int fd = hostFd(handle);
  if (fd < 0)
    return FIO_EBADF;
  int how = whence == FIO_SEEK_SET ? SEEK_SET : whence == FIO_SEEK_CUR ? SEEK_CUR : whence == FIO_SEEK_END ? SEEK_END : -1;
  if (how < 0)
    return FIO_EINVAL;
  off_t at = lseek(fd, offset, how);
  if (at < 0)
    return FIO_EINVAL;
  return at > 0x7FFFFFFF ? FIO_EINVAL : (int)at;
}
