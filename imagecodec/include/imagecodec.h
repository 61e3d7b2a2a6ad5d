// JPEG and PNG images for the texture registry, decoded by the host's
// libjpeg-turbo and libpng. The engine reads only TGA itself; the desktop show,
// lwinfo and the tests add these codecs to the registry's table after TGA.
//
// A picture is decoded outside the memory pool, scaled down there when it is
// larger than the GS texture area, and only what is drawn goes into the pool.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TexEntry;

// Pictures beyond these are refused as too large (TEX_ERR_NO_MEMORY) before
// anything is decoded: a side the registry's records can hold, and 64
// megapixels (256 MiB of decoded pixels at most).
enum { IMAGE_MAX_SIDE = 65535, IMAGE_MAX_PIXELS = 64 * 1024 * 1024 };

// A decoded picture: R, G, B, A bytes, top row first.
struct ImagePicture {
  int32_t width = 0, height = 0;
  int32_t channels = 0;  // what the file holds: 1 grey, 2 grey and alpha, 3 colour, 4 colour and alpha
  std::vector<uint8_t> rgba;
};

// The console lines of a failed load, with the image's name and the code:
// FileLoad's code, or the decoder's after its reason.
constexpr char IMAGE_MSG_LOAD[] = "Error : %s can not be loaded (%d) !";
constexpr char IMAGE_MSG_DECODE[] = "Error : %s : %s (%d) !";

// Decode a whole file held in memory. 0, or a negative code of the registry
// (tex.h: -1 damaged or not this format, -5 too large, -13 a variant not read)
// with `reason` saying what is wrong in a few words.
int32_t ImageDecodeJpeg(const uint8_t *data, size_t size, ImagePicture *picture, std::string *reason);
int32_t ImageDecodePng(const uint8_t *data, size_t size, ImagePicture *picture, std::string *reason);

// The registry's load functions: the file named by the record, through
// FileLoad as every image, into width x height pixels of the pool with the
// bottom row first, scaled down to fit the texture area. A failure prints one
// console line naming the file, what is wrong and the code, which is returned:
// FileLoad's code when the file cannot be loaded, else the decoder's, or -5
// when the pool cannot hold the pixels (with the registry's TEX_MSG_NO_MEMORY).
int32_t ImageJpegLoad(TexEntry *entry);
int32_t ImagePngLoad(TexEntry *entry);

// Adds "jpg", "jpe" (.jpeg, .jpe) and "png" to the registry's codec table,
// after the codecs already there. Returns 0, or the registry's code when the
// table is full.
int32_t ImageCodecsRegister(void);
