// PNG files of the picture (libpng): exported frames and the window's F12.
//
// A frame is written whole to a temporary file beside its final name and
// only then renamed, so a full disk never leaves a cut or empty frame under
// a frame's name, and a symbolic link named like a frame is replaced rather
// than written through. Every write is checked, the close included.
#include "display_present.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <png.h>
#include <unistd.h>

namespace {

// Where libpng's writes go: a file descriptor, with the first error kept.
struct PngSink {
  int fd;
  int error;  // errno of the first failed write, 0 while all went well
};

}  // namespace

static void sinkWrite(png_structp png, png_bytep data, png_size_t length)
{
  PngSink *sink = (PngSink *)png_get_io_ptr(png);
  while (length > 0) {
    ssize_t n = write(sink->fd, data, length);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      sink->error = n < 0 ? errno : ENOSPC;
      png_error(png, "write failed");
    }
    data += n;
    length -= (size_t)n;
  }
}

static void sinkFlush(png_structp png)
{
  (void)png;
}

// libpng's own handlers print; the caller says what went wrong, in one line.
static void pngError(png_structp png, png_const_charp message)
{
  (void)message;
  png_longjmp(png, 1);
}

static void pngWarning(png_structp png, png_const_charp message)
{
  (void)png, (void)message;
}

// The PNG stream of the picture into `sink`; 0, or -1 when a write failed.
static int encode(PngSink *sink, const uint8_t *rgb, int width, int height)
{
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    sink->error = ENOMEM;
    return -1;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    if (!sink->error)
      sink->error = EIO;
    return -1;
  }
  png_set_write_fn(png, sink, sinkWrite, sinkFlush);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // The picture is shown 4:3 whatever its size: pHYs says how wide a pixel
  // is for the viewers that heed it (pixels per unit across : down).
  int num, den;
  presentSampleAspect(width, height, &num, &den);
  png_set_pHYs(png, info, (png_uint_32)den, (png_uint_32)num, PNG_RESOLUTION_UNKNOWN);
  png_write_info(png, info);
  for (int y = 0; y < height; y++)
    png_write_row(png, (png_const_bytep)(rgb + (size_t)y * (size_t)width * 3));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return 0;
}

// A new temporary file beside `path`; its name goes to `temp`.
static int openTemporary(const std::string &path, std::string *temp)
{
  *temp = path + ".tmp-XXXXXX";
  return mkstemp(temp->data());
}

int presentPngWrite(const std::string &path, const uint8_t *rgb, int width, int height,
                    int noReplace, std::string *problem)
{
  std::string temp;
  PngSink sink = {openTemporary(path, &temp), 0};
  if (sink.fd < 0) {
    *problem = std::strerror(errno);
    return -1;
  }
  static mode_t mask = (mode_t)-1;
  if (mask == (mode_t)-1) {
    mask = umask(0);  // read by setting it: put it straight back
    umask(mask);
  }
  fchmod(sink.fd, 0666 & ~mask);  // mkstemp makes the file private
  int ok = encode(&sink, rgb, width, height) == 0;
  if (close(sink.fd) != 0 && ok) {
    sink.error = errno;
    ok = 0;
  }
  if (ok) {
    // link() fails rather than replace what is there; rename() replaces.
    int placed = noReplace ? link(temp.c_str(), path.c_str()) : rename(temp.c_str(), path.c_str());
    if (placed != 0) {
      sink.error = errno;
      ok = 0;
    }
  }
  if (!ok || noReplace)
    unlink(temp.c_str());
  if (!ok)
    *problem = std::strerror(sink.error ? sink.error : EIO);
  return ok ? 0 : -1;
}
