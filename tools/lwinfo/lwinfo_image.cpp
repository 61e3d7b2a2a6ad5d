// lwinfo's JPEG and PNG part: what the desktop's codecs decode from the file,
// optionally written out as a PNG, as the TGA part does for TGA files.
#include <nlohmann/json.hpp>

#include <cstdio>
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

static void printJson(const LwinfoOptions &options, size_t bytes, bool png, const ImagePicture &picture)
{
  int drawnWidth, drawnHeight;
  LwinfoFitSize(picture.width, picture.height, &drawnWidth, &drawnHeight);
  nlohmann::ordered_json info = {{"file", options.file},
                                 {"bytes", bytes},
                                 {"format", png ? "PNG" : "JPEG"},
                                 {"channels", picture.channels},
                                 {"channelNames", channelNames(picture.channels)},
                                 {"decodedWidth", picture.width},
                                 {"decodedHeight", picture.height},
                                 {"drawnWidth", drawnWidth},
                                 {"drawnHeight", drawnHeight}};
  printf("%s\n", info.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

int LwinfoImage(const LwinfoOptions &options)
{
  std::vector<uint8_t> bytes;
  std::string problem;
  if (!LwinfoReadFile(options.file, &bytes, &problem))
    return LwinfoFail(options.file, problem);
  bool png = bytes.size() >= 4 && bytes[0] == 0x89 && bytes[1] == 'P';
  ImagePicture picture;
  std::string reason;
  int32_t result = png ? ImageDecodePng(bytes.data(), bytes.size(), &picture, &reason)
                       : ImageDecodeJpeg(bytes.data(), bytes.size(), &picture, &reason);
  if (result != 0)
    return LwinfoFail(options.file, reason + " (result " + std::to_string(result) + ")");
  if (options.json) {
    printJson(options, bytes.size(), png, picture);
  } else {
    printf("file:            %s (%zu bytes)\n", options.file.c_str(), bytes.size());
    printf("format:          %s, %s\n", png ? "PNG" : "JPEG", channelNames(picture.channels));
    printf("decoded:         %d x %d pixels, R, G, B, A\n", (int)picture.width, (int)picture.height);
    LwinfoPrintFit(picture.width, picture.height);
  }
  if (!options.png.empty() &&
      !LwinfoWritePng(options.png, picture.width, picture.height, picture.rgba.data(), false))
    return LwinfoFail(options.png, "PNG cannot be written");
  return 0;
}
