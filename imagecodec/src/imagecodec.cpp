// The registry's side of the JPEG and PNG codecs: the file through FileLoad,
// the decode outside the pool, the fit to the texture area, and the pixels
// into the pool with the bottom row first, as every codec hands them over.
#include "imagecodec.h"

#include <cstring>

#include "console.h"
#include "file.h"
#include "mem.h"
#include "tex.h"

typedef int32_t (*ImageDecodeFunc)(const uint8_t *, size_t, ImagePicture *, std::string *);

// Copies the picture into a pool block the size it is drawn at, bottom row first.
static int32_t handOver(TexEntry *entry, const ImagePicture &picture)
{
  int32_t width, height;
  TexFitSize(picture.width, picture.height, &width, &height);
  uint8_t *pixels = static_cast<uint8_t *>(MemAllocUninit(width * height * 4));
  if (!pixels) {
    ConsoleAdd(TEX_MSG_NO_MEMORY, entry->name, (int)width, (int)height,
               (int)TEX_ERR_NO_MEMORY);
    return TEX_ERR_NO_MEMORY;
  }
  const size_t rowBytes = (size_t)width * 4;
  std::vector<uint8_t> fitted;
  const uint8_t *top = picture.rgba.data();
  if (width != picture.width || height != picture.height) {
    fitted.resize(rowBytes * height);
    TexShrink(top, picture.width, picture.height, fitted.data(), width, height);
    top = fitted.data();
  }
  for (int32_t y = 0; y < height; y++)
    memcpy(pixels + (size_t)(height - 1 - y) * rowBytes, top + (size_t)y * rowBytes, rowBytes);
  entry->pixels = pixels;
  entry->width = width;
  entry->height = height;
  entry->bitsPerPixel = picture.channels * 8;
  return TEX_OK;
}

static int32_t loadImage(TexEntry *entry, ImageDecodeFunc decode)
{
  if (!entry)
    return TEX_ERR_NULL;
  entry->pixels = nullptr;
  FileData file;
  memset(&file, 0, sizeof file);
  int32_t loaded = FileLoad(&file, entry->name);
  if (loaded != FILE_OK) {
    ConsoleAdd(IMAGE_MSG_LOAD, entry->name, (int)loaded);
    return loaded;
  }
  ImagePicture picture;
  std::string reason;
  int32_t result = decode(static_cast<const uint8_t *>(file.data), (size_t)file.size, &picture, &reason);
  FileFree(&file);
  if (result != TEX_OK) {
    ConsoleAdd(IMAGE_MSG_DECODE, entry->name, reason.c_str(), (int)result);
    return result;
  }
  return handOver(entry, picture);
}

int32_t ImageJpegLoad(TexEntry *entry)
{
  return loadImage(entry, ImageDecodeJpeg);
}

int32_t ImagePngLoad(TexEntry *entry)
{
  return loadImage(entry, ImageDecodePng);
}

int32_t ImageCodecsRegister(void)
{
  int32_t result = TexRegisterCodec("jpg", ImageJpegLoad);
  if (result == TEX_OK)
    result = TexRegisterCodec("jpe", ImageJpegLoad);
  if (result == TEX_OK)
    result = TexRegisterCodec("png", ImagePngLoad);
  return result;
}
