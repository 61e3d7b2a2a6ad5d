// The video presenter: raw RGB frames piped into ffmpeg, which encodes FILE.
//
// ffmpeg is started without a shell, with its arguments as they are, and
// the file name behind "file:", so that no name (one starting with '-', one
// with a colon or a quote) is ever taken for an option or a protocol. The
// video is only as good as ffmpeg says: a write to the pipe that fails (the
// encoder stopped early) and an encoder that exits with a status other than
// 0 or dies are failures of the show, named with the file.
#include "display_present.h"
#include "machine.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

// The running encoder: written only here.
static pid_t encoderPid = -1;
static int encoderPipe = -1;    // our end of its standard input
static int encoderFailed;       // it could not be started or stopped early

static std::string videoName(void)
{
  return MachineGetConfig()->videoFile;
}

static int startEncoder(int width, int height)
{
  const MachineConfig *config = MachineGetConfig();
  int num, den;
  presentSampleAspect(width, height, &num, &den);
  std::string size = std::to_string(width) + "x" + std::to_string(height);
  std::string sar = "setsar=" + std::to_string(num) + "/" + std::to_string(den);
  std::string output = "file:" + config->videoFile;
  const char *rate = config->region == MACHINE_REGION_PAL ? "50" : "60000/1001";
  const char *argv[] = {"ffmpeg", "-loglevel", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgb24",
                        "-s", size.c_str(), "-r", rate, "-i", "-", "-vf", sar.c_str(),
                        "-pix_fmt", "yuv420p", output.c_str(), nullptr};
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    MachineFail("cannot start ffmpeg for " + videoName() + ": " + std::strerror(errno));
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  // The show ignores SIGPIPE to learn of an early stop from write(); the
  // encoder gets the default back.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  int spawned = posix_spawnp(&encoderPid, "ffmpeg", &actions, &attributes, (char *const *)argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(fds[0]);
  if (spawned != 0) {
    close(fds[1]);
    encoderPid = -1;
    MachineFail("cannot start ffmpeg for " + videoName() + ": " + std::strerror(spawned));
    return -1;
  }
  encoderPipe = fds[1];
  return 0;
}

// Waits for the encoder and says what its end means for FILE.
static int reapEncoder(void)
{
  int status = 0;
  pid_t pid = encoderPid;
  encoderPid = -1;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      MachineFail("lost ffmpeg while it wrote " + videoName());
      return -1;
    }
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && !encoderFailed)
    return 0;
  if (WIFSIGNALED(status))
    MachineFail("ffmpeg was killed by signal " + std::to_string(WTERMSIG(status)) + " while it wrote " +
                videoName());
  else if (WEXITSTATUS(status) != 0)
    MachineFail("ffmpeg could not write " + videoName() + " (exit status " +
                std::to_string(WEXITSTATUS(status)) + ")");
  else
    MachineFail("ffmpeg stopped reading before the video " + videoName() + " was whole");
  return -1;
}

int presentVideoFrame(const uint8_t *rgb, int width, int height)
{
  if (encoderFailed)
    return -1;
  if (encoderPid < 0 && startEncoder(width, height) != 0) {
    encoderFailed = 1;
    return -1;
  }
  std::signal(SIGPIPE, SIG_IGN);  // an encoder that stops early must not kill the show
  size_t length = (size_t)width * (size_t)height * 3, done = 0;
  while (done < length) {
    ssize_t n = write(encoderPipe, rgb + done, length - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      encoderFailed = 1;
      close(encoderPipe);
      encoderPipe = -1;
      reapEncoder();
      return -1;
    }
    done += (size_t)n;
  }
  return 0;
}

int presentVideoFinish(void)
{
  int result = 0;
  if (encoderPipe >= 0)
    close(encoderPipe);
  encoderPipe = -1;
  if (encoderPid >= 0)
    result = reapEncoder();
  encoderFailed = 0;
  return result;
}
