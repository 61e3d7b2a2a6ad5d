// Fuzz target for the desktop's JPEG and PNG decoders: any bytes as a whole
// file, decoded by the decoder its first bytes call for (both are tried on
// anything else), then scaled down to the texture area as the registry's
// codecs scale every large picture.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imagecodec.h"
#include "tex.h"

static void check(int32_t result, const ImagePicture &picture)
{
  if (result != 0) {
    if (!picture.rgba.empty())
      abort();  // a refused file leaves no pixels
    return;
  }
  if (picture.width < 1 || picture.height < 1 || picture.channels < 1 || picture.channels > 4 ||
      picture.rgba.size() != (size_t)picture.width * picture.height * 4)
    abort();
  int32_t width, height;
  TexFitSize(picture.width, picture.height, &width, &height);
  std::vector<uint8_t> fitted((size_t)width * height * 4);
  TexShrink(picture.rgba.data(), picture.width, picture.height, fitted.data(), width, height);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  ImagePicture picture;
  std::string reason;
  bool png = size > 0 && data[0] == 0x89;
  bool jpeg = size > 0 && data[0] == 0xFF;
  if (png || !jpeg)
    check(ImageDecodePng(data, size, &picture, &reason), picture);
  if (jpeg || !png)
    check(ImageDecodeJpeg(data, size, &picture, &reason), picture);
  return 0;
}
