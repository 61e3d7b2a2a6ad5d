// The TGA codec: every image type the format defines in (colour-mapped,
// true-colour and greyscale, raw or run-length), 24-bit uncompressed out.
//
// Decoded pixels are R, G, B, A bytes with the picture's bottom row first,
// whatever the file's origin. 5-bit channels (16-bit pixels, 15- and 16-bit
// colour map entries) are scaled by 8 and get alpha 255; greyscale gives
// R = G = B, with the second byte of a 16-bit pixel as alpha.
#pragma once
#include <cstdint>

struct TexEntry;

enum { TGA_HEADER_SIZE = 18 };

// Result codes beyond the registry's (tex.h): a file that ends before its
// pixels do, or an image without pixels, is refused as a parse failure.
enum { TGA_ERR_TRUNCATED = -1, TGA_ERR_EMPTY = -1, TGA_ERR_WRITE = -4 };

// The 18-byte header, little-endian fields.
struct TgaHeader {
  int32_t idLength;       // bytes of the ID field that follows the header
  int32_t colorMapType;   // 1 when a colour map follows the ID field
  int32_t imageType;      // 1 colour-mapped, 2 true-colour, 3 greyscale; 8 set = run-length
  int32_t mapFirst, mapLength, mapEntryBits;
  int32_t xOrigin, yOrigin;
  int32_t width, height;
  int32_t depth;          // bits per pixel
  int32_t descriptor;     // bit 4 right-to-left, bit 5 top-to-bottom
};

// Reads the header; TGA_ERR_TRUNCATED when `size` is below 18.
int32_t TgaParseHeader(const uint8_t *data, int32_t size, TgaHeader *header);
// TEX_OK when the codec reads this variant, TEX_ERR_DEPTH when it does not.
int32_t TgaCheckVariant(const TgaHeader *header);

// Loads the file named by the record's name and decodes it.
int32_t TgaLoad(TexEntry *entry);
// Decodes a whole TGA file held in memory into the record: width, height,
// bitsPerPixel and a pool block of pixels.
int32_t TgaDecode(TexEntry *entry, const uint8_t *data, int32_t size);
int32_t TgaSave(TexEntry *entry);
int32_t TgaFlip(TexEntry *entry);
