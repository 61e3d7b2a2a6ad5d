// lwinfo's TGA part: the header fields, then what the engine's codec decodes
// from the file, optionally written out as a PNG with the top row first.
#include <nlohmann/json.hpp>
#include <png.h>

#include <cstdio>
#include <vector>

#include "lwinfo.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"

static const char *typeName(int type)
{
  switch (type) {
  case 0: return "no image";
  case 1: return "colour-mapped";
  case 2: return "true-colour";
  case 3: return "greyscale";
  case 9: return "run-length colour-mapped";
  case 10: return "run-length true-colour";
  case 11: return "run-length greyscale";
  default: return "unknown";
  }
}

static void printHeader(const TgaHeader &h)
{
  printf("id length:       %d\n", h.idLength);
  printf("colour map:      type %d, first %d, length %d, entry bits %d\n", h.colorMapType,
         h.mapFirst, h.mapLength, h.mapEntryBits);
  printf("image type:      %d (%s)\n", h.imageType, typeName(h.imageType));
  printf("origin:          %d, %d\n", h.xOrigin, h.yOrigin);
  printf("size:            %d x %d\n", h.width, h.height);
  printf("depth:           %d bits per pixel\n", h.depth);
  printf("descriptor:      0x%02x (alpha bits %d, %s %s)\n", h.descriptor, h.descriptor & 15,
         (h.descriptor & 0x20) ? "top" : "bottom", (h.descriptor & 0x10) ? "right" : "left");
}

static std::string failure(int32_t result, const TgaHeader &h)
{
  char text[160];
  switch (result) {
  case TEX_ERR_DEPTH:
    snprintf(text, sizeof text,
             "unsupported TGA variant (image type %d, %d bits per pixel, colour map of %d "
             "entries of %d bits from %d)",
             h.imageType, h.depth, h.mapLength, h.mapEntryBits, h.mapFirst);
    return text;
  case TEX_ERR_NO_MEMORY:
    snprintf(text, sizeof text, "image of %d x %d pixels is too large for the memory pool",
             h.width, h.height);
    return text;
  default:
    if (h.width == 0 || h.height == 0)
      return "image has no pixels";
    return "file ends before its pixel data does";
  }
}

int LwinfoWritePng(const std::string &path, int width, int height, const uint8_t *rgba,
                   bool bottomFirst)
{
  FILE *out = fopen(path.c_str(), "wb");
  if (!out)
    return 0;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    fclose(out);
    return 0;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int i = 0; i < height; i++) {
    int y = bottomFirst ? height - 1 - i : i;
    png_write_row(png, rgba + (size_t)y * width * 4);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return fclose(out) == 0;
}

static void printJson(const LwinfoOptions &options, size_t bytes, const TgaHeader &h, const TexEntry &entry)
{
  int drawnWidth, drawnHeight;
  LwinfoFitSize(entry.width, entry.height, &drawnWidth, &drawnHeight);
  nlohmann::ordered_json info = {
      {"file", options.file},
      {"bytes", bytes},
      {"idLength", h.idLength},
      {"colorMapType", h.colorMapType},
      {"colorMapFirst", h.mapFirst},
      {"colorMapLength", h.mapLength},
      {"colorMapEntryBits", h.mapEntryBits},
      {"imageType", h.imageType},
      {"imageTypeName", typeName(h.imageType)},
      {"xOrigin", h.xOrigin},
      {"yOrigin", h.yOrigin},
      {"width", h.width},
      {"height", h.height},
      {"depth", h.depth},
      {"descriptor", h.descriptor},
      {"alphaBits", h.descriptor & 15},
      {"topFirst", (h.descriptor & 0x20) != 0},
      {"rightFirst", (h.descriptor & 0x10) != 0},
      {"decodedWidth", entry.width},
      {"decodedHeight", entry.height},
      {"drawnWidth", drawnWidth},
      {"drawnHeight", drawnHeight}};
  printf("%s\n", info.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

int LwinfoTga(const LwinfoOptions &options)
{
  std::vector<uint8_t> bytes;
  std::string problem;
  if (!LwinfoReadFile(options.file, &bytes, &problem))
    return LwinfoFail(options.file, problem);
  TgaHeader header;
  if (TgaParseHeader(bytes.data(), (int32_t)bytes.size(), &header) != TEX_OK)
    return LwinfoFail(options.file, "file is shorter than a TGA header");

  MemInit();
  TexEntry entry = {};
  int32_t result = TgaDecode(&entry, bytes.data(), (int32_t)bytes.size());
  if (result != TEX_OK)
    return LwinfoFail(options.file, failure(result, header) + " (result " +
                                        std::to_string(result) + ")");
  if (options.json) {
    printJson(options, bytes.size(), header, entry);
  } else {
    printf("file:            %s (%zu bytes)\n", options.file.c_str(), bytes.size());
    printHeader(header);
    printf("decoded:         %d x %d pixels, R, G, B, A\n", entry.width, entry.height);
    LwinfoPrintFit(entry.width, entry.height);
  }
  if (!options.png.empty() &&
      !LwinfoWritePng(options.png, entry.width, entry.height, entry.pixels, true))
    return LwinfoFail(options.png, "PNG cannot be written");
  return 0;
}
