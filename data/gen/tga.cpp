// TGA writer: uncompressed true-colour images (type 2, 24 bits per pixel,
// bottom-left origin), the plainest form every TGA reader accepts.
//
// Header, 18 bytes little-endian: ID length 0, colour map type 0, image type
// 2, colour map fields 0 (5 bytes), X and Y origin 0, width, height,
// depth 24, descriptor 0 (bottom-left origin, no alpha bits); then the rows
// from the bottom of the picture up, each pixel as B, G, R.
#include "datagen.h"

GenImage GenImageMake(int32_t width, int32_t height)
{
  GenImage image;
  image.width = width;
  image.height = height;
  image.rgb.assign((size_t)width * (size_t)height * 3, 0);
  return image;
}

static uint8_t toByte(float value)
{
  if (value <= 0.0f)
    return 0;
  if (value >= 1.0f)
    return 255;
  return (uint8_t)(value * 255.0f + 0.5f);
}

// Row 0 is the bottom row of the picture; components are 0..1 and clamped.
void GenImageSet(GenImage &image, int32_t x, int32_t row, float r, float g, float b)
{
  if (x < 0 || row < 0 || x >= image.width || row >= image.height)
    return;
  size_t at = ((size_t)row * (size_t)image.width + (size_t)x) * 3;
  image.rgb[at] = toByte(r);
  image.rgb[at + 1] = toByte(g);
  image.rgb[at + 2] = toByte(b);
}

std::vector<uint8_t> GenTgaBytes(const GenImage &image)
{
  std::vector<uint8_t> out(18, 0);
  out[2] = 2;
  out[12] = (uint8_t)(image.width & 0xFF);
  out[13] = (uint8_t)((image.width >> 8) & 0xFF);
  out[14] = (uint8_t)(image.height & 0xFF);
  out[15] = (uint8_t)((image.height >> 8) & 0xFF);
  out[16] = 24;
  out.reserve(18 + image.rgb.size());
  for (size_t at = 0; at + 2 < image.rgb.size(); at += 3) {
    out.push_back(image.rgb[at + 2]);
    out.push_back(image.rgb[at + 1]);
    out.push_back(image.rgb[at]);
  }
  return out;
}
