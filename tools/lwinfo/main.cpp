// lwinfo FILE: prints what the engine's readers make of one of the show's
// input files, chosen by the file's extension.
//
// Exit statuses: 0 success, 1 the file does not load or cannot be read (one
// line naming it), 2 a wrong command line (an option the file's kind does not
// take included).
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "imagecodec.h"
#include "lwinfo.h"
#include "machine.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"
#include "toolkit.h"

static const char usage[] = "lwinfo [OPTIONS] FILE (a .tga, .jpg, .png, .lwo, .lws or .lvl file)";

// One inspector part per extension (lower case, with the dot), with the
// options it takes.
struct LwinfoPart {
  const char *extension;
  const char *kind;  // for the message about an option it does not take
  int (*run)(const LwinfoOptions &options);
  unsigned options;  // LWINFO_OPT_*
};

static const LwinfoPart parts[] = {
  {".tga", "images", LwinfoTga, LWINFO_OPT_JSON | LWINFO_OPT_PNG},
  {".jpg", "images", LwinfoImage, LWINFO_OPT_JSON | LWINFO_OPT_PNG},
  {".jpeg", "images", LwinfoImage, LWINFO_OPT_JSON | LWINFO_OPT_PNG},
  {".jpe", "images", LwinfoImage, LWINFO_OPT_JSON | LWINFO_OPT_PNG},
  {".png", "images", LwinfoImage, LWINFO_OPT_JSON | LWINFO_OPT_PNG},
  {".lwo", "objects", LwinfoObject, LWINFO_OPT_JSON | LWINFO_OPT_HOST | LWINFO_OPT_LAYER},
  {".lws", "scenes", LwinfoLws, LWINFO_OPT_JSON | LWINFO_OPT_HOST | LWINFO_OPT_EVAL},
  {".lvl", "level files", LwinfoLvl, 0},
};

void LwinfoStartEngine(const std::string &host, bool images)
{
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = host;
  config.findByName = 1;  // user content: files moved out of their folders are found by name
  MachineSetup(&config);
  MemInit();
  if (images) {
    TexInit();
    TexRegisterCodec("TGA", TgaLoad);
    ImageCodecsRegister();
  }
}

void LwinfoFitSize(int width, int height, int *fitWidth, int *fitHeight)
{
  int32_t w, h;
  TexFitSize(width, height, &w, &h);
  *fitWidth = w;
  *fitHeight = h;
}

void LwinfoPrintFit(int width, int height)
{
  int32_t fitWidth, fitHeight;
  TexFitSize(width, height, &fitWidth, &fitHeight);
  if (fitWidth != width || fitHeight != height)
    printf("drawn at:        %d x %d pixels (scaled down to fit the texture area)\n", (int)fitWidth,
           (int)fitHeight);
}

int LwinfoFail(const std::string &file, const std::string &message)
{
  fflush(stdout);
  fprintf(stderr, "lwinfo: %s: %s\n", file.c_str(), message.c_str());
  return 1;
}

// What a path that is there but is no regular file is, for the message.
static const char *notAFile(mode_t mode)
{
  if (S_ISDIR(mode))
    return "a folder, not a file";
  if (S_ISFIFO(mode))
    return "a FIFO, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device, not a file";
  return "not a regular file";
}

bool LwinfoReadFile(const std::string &path, std::vector<uint8_t> *bytes, std::string *problem)
{
  // NOTE: O_NONBLOCK, or opening a FIFO would wait for a writer.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *problem = "cannot be opened";
    return false;
  }
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= INT32_MAX;
  if (!ok)
    *problem = S_ISREG(st.st_mode) ? "file is too large" : notAFile(st.st_mode);
  if (ok) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    bytes->resize((size_t)st.st_size);
    size_t done = 0;
    ssize_t n = 1;
    while (done < bytes->size() && (n = read(fd, bytes->data() + done, bytes->size() - done)) != 0) {
      if (n < 0 && errno != EINTR)
        break;
      done += n > 0 ? (size_t)n : 0;
    }
    ok = done == bytes->size();
    if (!ok)
      *problem = std::string("cannot be read: ") + strerror(errno ? errno : EIO);
  }
  close(fd);
  return ok;
}

// The options given that the file's kind does not take; "" when none.
static std::string refusedOption(const LwinfoPart &part, const CLI::App &app)
{
  static const struct {
    unsigned bit;
    const char *name;
  } options[] = {{LWINFO_OPT_JSON, "--json"}, {LWINFO_OPT_PNG, "--png"}, {LWINFO_OPT_HOST, "--host"},
                 {LWINFO_OPT_EVAL, "--eval"}, {LWINFO_OPT_LAYER, "--layer"}};
  for (const auto &option : options)
    if (!(part.options & option.bit) && app.count(option.name) > 0)
      return std::string(option.name) + " does not apply to " + part.kind + " (" + part.extension + ")";
  return "";
}

int main(int argc, char **argv)
{
  CLI::App app{"Inspects the show's input files: TGA, JPEG and PNG images, LWO2 objects, LWS scenes, level files.",
               "lwinfo"};
  app.set_version_flag("--version", std::string("lwinfo ") + MORVANE_VERSION);
  app.footer("\nExit status: 0 success, 1 a failure (one line naming the file), 2 a wrong command line.");
  LwinfoOptions options;
  app.add_option("file", options.file, "file to inspect")->required();
  app.add_option("--png", options.png, "images: write the decoded picture to this PNG file");
  app.add_flag("--json", options.json, "print one JSON object (images, objects, scenes)");
  app.add_option("--host", options.host, "objects and scenes: the host folder for the load (default: the file's folder)");
  app.add_option("--layer", options.layer, "objects: show the layer of this LAYR number (default: the first)")
      ->check(CLI::Range(0, 65535));
  CLI::Option *eval = app.add_option("--eval", options.eval,
                                     "scenes: print every channel's value at T seconds (with --json, world matrices too)");
  int parsed = ToolParse(app, argc, argv, "lwinfo", usage);
  if (parsed >= 0)
    return parsed;
  options.hasEval = eval->count() > 0;

  std::string extension = std::filesystem::path(options.file).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return (char)std::tolower(c); });
  const LwinfoPart *part = nullptr;
  for (const LwinfoPart &candidate : parts)
    if (extension == candidate.extension)
      part = &candidate;
  if (!part)
    return LwinfoFail(options.file, "unknown file type '" + extension + "'");
  std::string refused = refusedOption(*part, app);
  if (!refused.empty())
    return ToolUsageError("lwinfo", refused, usage);
  // Only regular files are read: a folder, a FIFO or a device named like one
  // of the show's files is refused before anything opens it.
  struct stat st;
  if (stat(options.file.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return LwinfoFail(options.file, notAFile(st.st_mode));
  int status = part->run(options);
  int written = ToolFinishOutput("lwinfo", stdout);
  return status ? status : written;
}
