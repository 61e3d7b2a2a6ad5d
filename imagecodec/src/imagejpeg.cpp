// JPEG pictures through libjpeg-turbo.
//
// The library reports a fatal error by calling error_exit, which must not
// return: it jumps back to the decode with the library's message. A file that
// ends before its image data does, or whose image data runs into a marker, is
// damaged too (the library would make up grey rows and only warn), so those
// warnings end the decode the same way. Without that, a few hundred bytes that
// announce a picture of millions of pixels decode as one, all grey.
#include "imagecodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

#include "tex.h"

struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

static void jpegFail(j_common_ptr info)
{
  JpegError *error = reinterpret_cast<JpegError *>(info->err);
  info->err->format_message(info, error->message);
  longjmp(error->jump, 1);
}

static void jpegMessage(j_common_ptr info, int level)
{
  if (level < 0 &&
      (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER))
    jpegFail(info);
}

// Fills `picture` from the started decompression, a row at a time through a
// row buffer of the library's own (released with the decompression); 0 or -1.
// Runs where the library may jump out: no object with a destructor lives here.
static int32_t readScanlines(jpeg_decompress_struct *info, ImagePicture *picture)
{
  int32_t width = (int32_t)info->output_width;
  int32_t channels = info->output_components;
  JSAMPARRAY rows = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                               (JDIMENSION)(width * channels), 1);
  uint8_t *row = rows[0];
  size_t rowBytes = (size_t)width * 4;
  while (info->output_scanline < info->output_height) {
    if (jpeg_read_scanlines(info, rows, 1) != 1)
      return TEX_ERR_FAILED;
    // The picture grows a row at a time inside the room reserved for it, so
    // a damaged file that announces a huge picture costs only what it decodes.
    picture->rgba.resize(picture->rgba.size() + rowBytes);
    uint8_t *out = picture->rgba.data() + picture->rgba.size() - rowBytes;
    for (int32_t x = 0; x < width; x++) {
      const uint8_t *p = row + (size_t)x * channels;
      out[x * 4 + 0] = p[0];
      out[x * 4 + 1] = channels == 3 ? p[1] : p[0];
      out[x * 4 + 2] = channels == 3 ? p[2] : p[0];
      out[x * 4 + 3] = 255;
    }
  }
  return 0;
}

// Checks the header's picture and prepares the buffers; 0 or a code.
static int32_t startPicture(jpeg_decompress_struct *info, ImagePicture *picture,
                            std::string *reason)
{
  if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK) {
    *reason = "CMYK JPEG images are not read";
    return TEX_ERR_DEPTH;
  }
  int64_t pixels = (int64_t)info->image_width * info->image_height;
  if (info->image_width > IMAGE_MAX_SIDE || info->image_height > IMAGE_MAX_SIDE ||
      pixels > IMAGE_MAX_PIXELS) {
    char text[96];
    snprintf(text, sizeof text, "picture of %u x %u pixels is too large", info->image_width,
             info->image_height);
    *reason = text;
    return TEX_ERR_NO_MEMORY;
  }
  bool grey = info->jpeg_color_space == JCS_GRAYSCALE;
  info->out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  picture->width = (int32_t)info->image_width;
  picture->height = (int32_t)info->image_height;
  picture->channels = grey ? 1 : 3;
  picture->rgba.reserve((size_t)pixels * 4);
  return 0;
}

// The library's part of the decode: 0, a code from startPicture or
// readScanlines, or 1 when the library jumped out with its message. Nothing
// here or below has a destructor that the jump could skip, and the caller's
// strings are made only after this returns.
static int32_t decodeGuarded(jpeg_decompress_struct *info, JpegError *error, const uint8_t *data,
                             size_t size, ImagePicture *picture, std::string *reason)
{
  if (setjmp(error->jump))
    return 1;
  jpeg_mem_src(info, data, (unsigned long)size);
  jpeg_read_header(info, TRUE);
  int32_t result = startPicture(info, picture, reason);
  if (result != 0)
    return result;
  jpeg_start_decompress(info);
  return readScanlines(info, picture);
}

int32_t ImageDecodeJpeg(const uint8_t *data, size_t size, ImagePicture *picture, std::string *reason)
{
  if (!data || !picture || !reason)
    return TEX_ERR_NULL;
  *picture = ImagePicture();
  if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) {
    *reason = "not a JPEG file";
    return TEX_ERR_FAILED;
  }
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegFail;
  error.manager.emit_message = jpegMessage;
  jpeg_create_decompress(&info);
  int32_t result = decodeGuarded(&info, &error, data, size, picture, reason);
  if (result == 1) {
    *reason = std::string("damaged JPEG data: ") + error.message;
    result = TEX_ERR_FAILED;
  }
  // NOTE: the markers after the last scanline are not read: a file that lacks
  // only its end marker still gives its whole picture, as other readers take it.
  jpeg_destroy_decompress(&info);
  if (result != 0) {
    if (reason->empty())
      *reason = "damaged JPEG data";
    *picture = ImagePicture();
  }
  return result;
}
