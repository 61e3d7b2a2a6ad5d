// PNG pictures through libpng.
//
// Every colour type and bit depth is turned into 8-bit R, G, B, A: palettes
// are looked up, a tRNS chunk becomes alpha, greys of 1, 2 and 4 bits are
// widened (a 2-bit 3 becomes 255), 16-bit samples keep their high byte, and
// interlaced files are put together whole. Gamma and colour profiles are not
// applied. libpng reports a fatal error by calling the error function, which
// jumps back to the decode with the library's message.
#include "imagecodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

#include "tex.h"

// The file's bytes and how far the library has read them, and the message of
// the error that ended the decode.
struct PngSource {
  const uint8_t *data;
  size_t size;
  size_t pos;
  char message[160];
};

static void pngFail(png_structp png, png_const_charp message)
{
  PngSource *source = static_cast<PngSource *>(png_get_error_ptr(png));
  snprintf(source->message, sizeof source->message, "%s", message);
  png_longjmp(png, 1);
}

static void pngWarn(png_structp, png_const_charp)
{
}

static void pngRead(png_structp png, png_bytep out, png_size_t length)
{
  PngSource *source = static_cast<PngSource *>(png_get_io_ptr(png));
  if (length > source->size - source->pos)
    png_error(png, "file ends before its image data does");
  memcpy(out, source->data + source->pos, length);
  source->pos += length;
}

// The transformations to 8-bit R, G, B, A for the file's colour type; the
// number of channels the file itself holds.
static int32_t setTransforms(png_structp png, png_infop info)
{
  int colorType = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(png);
    alpha = true;
  }
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  if (depth == 16)
    png_set_strip_16(png);
  bool grey = (colorType & PNG_COLOR_MASK_COLOR) == 0;
  if (grey)
    png_set_gray_to_rgb(png);
  if (!alpha)
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return (grey ? 1 : 3) + (alpha ? 1 : 0);
}

// Reads the header and the picture; runs where the library may jump out, so
// no object with a destructor lives here.
static int32_t readPicture(png_structp png, png_infop info, ImagePicture *picture,
                           std::vector<png_bytep> *rows, std::string *reason)
{
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  picture->channels = setTransforms(png, info);
  if (png_get_rowbytes(png, info) != (size_t)width * 4) {
    *reason = "unexpected row layout";
    return TEX_ERR_FAILED;
  }
  picture->width = (int32_t)width;
  picture->height = (int32_t)height;
  picture->rgba.resize((size_t)width * height * 4);
  rows->resize(height);
  for (png_uint_32 y = 0; y < height; y++)
    (*rows)[y] = picture->rgba.data() + (size_t)y * width * 4;
  png_read_image(png, rows->data());
  return 0;
}

// readPicture under the library's jump: its result, or 1 when the library
// jumped out with its message. The caller's strings are made only after this
// returns, so the jump skips no destructor.
static int32_t readGuarded(png_structp png, png_infop info, ImagePicture *picture,
                           std::vector<png_bytep> *rows, std::string *reason)
{
  if (setjmp(png_jmpbuf(png)))
    return 1;
  return readPicture(png, info, picture, rows, reason);
}

static uint32_t readU32(const uint8_t *p)
{
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// The size in the IHDR chunk, which comes first in every PNG file: a picture
// too large is refused as such before the library is started (it would only
// call the header invalid). 0 or -5.
static int32_t checkSize(const uint8_t *data, size_t size, std::string *reason)
{
  if (size < 24 || memcmp(data + 12, "IHDR", 4) != 0)
    return 0;  // the library says what is wrong
  uint32_t width = readU32(data + 16), height = readU32(data + 20);
  if (width <= IMAGE_MAX_SIDE && height <= IMAGE_MAX_SIDE &&
      (int64_t)width * height <= IMAGE_MAX_PIXELS)
    return 0;
  char text[96];
  snprintf(text, sizeof text, "picture of %u x %u pixels is too large", (unsigned)width,
           (unsigned)height);
  *reason = text;
  return TEX_ERR_NO_MEMORY;
}

int32_t ImageDecodePng(const uint8_t *data, size_t size, ImagePicture *picture, std::string *reason)
{
  if (!data || !picture || !reason)
    return TEX_ERR_NULL;
  *picture = ImagePicture();
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    *reason = "not a PNG file";
    return TEX_ERR_FAILED;
  }
  if (checkSize(data, size, reason) != 0)
    return TEX_ERR_NO_MEMORY;
  PngSource source = {data, size, 0, ""};
  std::vector<png_bytep> rows;  // outside the jumps, so that it is always released
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, pngFail, pngWarn);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *reason = "no memory for the PNG reader";
    return TEX_ERR_NO_MEMORY;
  }
  png_set_read_fn(png, &source, pngRead);
  png_set_user_limits(png, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE);
  int32_t result = readGuarded(png, info, picture, &rows, reason);
  if (result == 1) {
    *reason = std::string("damaged PNG data: ") + source.message;
    result = TEX_ERR_FAILED;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (result != 0)
    *picture = ImagePicture();
  return result;
}
