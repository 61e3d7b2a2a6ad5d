// lwinfo's JPEG and PNG part: what the desktop's codecs decode from the file,
// optionally written out as a PNG, as the TGA part does for TGA files.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "imagecodec.h"
#include "lwinfo.h"

static const char *channelNames(int32_t channels)
{
  switch (channels) {
  case 1: return "grey";
  case 2: return "grey and alpha";
  case 3: return "colour";
  default: return "colour and alpha";
  }
}

int LwinfoImage(const LwinfoOptions &options)
{
  std::ifstream in(options.file, std::ios::binary);
  if (!in)
    return LwinfoFail(options.file, "cannot be opened");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bool png = bytes.size() >= 4 && bytes[0] == 0x89 && bytes[1] == 'P';
  ImagePicture picture;
  std::string reason;
  int32_t result = png ? ImageDecodePng(bytes.data(), bytes.size(), &picture, &reason)
                       : ImageDecodeJpeg(bytes.data(), bytes.size(), &picture, &reason);
  if (result != 0)
    return LwinfoFail(options.file, reason + " (result " + std::to_string(result) + ")");
  printf("file:            %s (%zu bytes)\n", options.file.c_str(), bytes.size());
  printf("format:          %s, %s\n", png ? "PNG" : "JPEG", channelNames(picture.channels));
  printf("decoded:         %d x %d pixels, R, G, B, A\n", (int)picture.width, (int)picture.height);
  LwinfoPrintFit(picture.width, picture.height);
  if (!options.png.empty() &&
      !LwinfoWritePng(options.png, picture.width, picture.height, picture.rgba.data(), false))
    return LwinfoFail(options.png, "PNG cannot be written");
  return 0;
}
