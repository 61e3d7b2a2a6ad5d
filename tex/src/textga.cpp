// The TGA codec.
//
// File layout, little-endian:
//   header        18 bytes (TgaHeader gives the fields)
//   ID field      idLength bytes, skipped
//   colour map    mapLength entries of (mapEntryBits + 7) / 8 bytes, when colorMapType is 1;
//                 colour-mapped images use it, others skip it
//   pixel data    width x height pixels in file order, raw or in run-length packets
//
// Pixels by image type (the low three bits; 8 set means run-length):
//   1 colour-mapped  an 8- or 16-bit index; index i is map entry i - mapFirst,
//                    entries of 15 or 16 bits (5 per channel), 24 (B, G, R) or
//                    32 (B, G, R, A); an index outside the map is opaque black
//   2 true-colour    16 bits (5 per channel), 24 (B, G, R) or 32 (B, G, R, A)
//   3 greyscale      8 bits of grey, or 16: grey, then alpha
// Five-bit channels are scaled by 8 and their top bit is not taken as alpha.
//
// A run-length packet starts with a byte h: below 128, h + 1 raw pixels follow;
// from 128 on, one pixel follows that stands for h - 127 equal pixels. Packets
// may cross row ends; output stops at the image's end.
//
// The file's rows run bottom to top unless descriptor bit 5 is set, and left
// to right unless bit 4 is set; the decoded image always has its bottom row
// first and its left column first.
#include "textga.h"

#include <algorithm>
#include <cstring>

#include "console.h"
#include "file.h"
#include "mem.h"
#include "tex.h"

enum {
  PALETTE_ENTRIES = 256,    // what an 8-bit index can name
  PACKET_PIXELS = 128,      // most pixels one run-length packet can give
  DESC_RIGHT_TO_LEFT = 0x10,
  DESC_TOP_TO_BOTTOM = 0x20,
  TYPE_RUN_LENGTH = 8,
  TYPE_COLOR_MAPPED = 1,
  TYPE_TRUE_COLOR = 2,
  TYPE_GREYSCALE = 3
};

// How the bytes of one file pixel become R, G, B, A.
enum TgaPixelKind {
  PIXEL_INDEX8,    // 8-bit index into `palette`
  PIXEL_INDEX16,   // 16-bit index into the file's colour map
  PIXEL_RGB16,
  PIXEL_RGB24,
  PIXEL_RGBA32,
  PIXEL_GREY8,
  PIXEL_GREY_ALPHA16
};

// What the pixel decoders read: the file and a cursor into it. `palette` holds
// the colour map expanded to R, G, B, A by 8-bit index value; 16-bit indices
// read the file's map (`map`, `mapFirst`, `mapLength`, `mapEntryBits`) itself.
struct TgaSource {
  const uint8_t *data;
  int32_t size;
  int32_t pos;
  int32_t kind;
  int32_t bytesPerPixel;
  const uint8_t *palette;
  const uint8_t *map;
  int32_t mapFirst, mapLength, mapEntryBits;
};

static int32_t readU16(const uint8_t *bytes)
{
  return bytes[0] | bytes[1] << 8;
}

int32_t TgaParseHeader(const uint8_t *data, int32_t size, TgaHeader *header)
{
  if (!data || !header)
    return TEX_ERR_NULL;
  if (size < TGA_HEADER_SIZE)
    return TGA_ERR_TRUNCATED;
  header->idLength = data[0];
  header->colorMapType = data[1];
  header->imageType = data[2];
  header->mapFirst = readU16(data + 3);
  header->mapLength = readU16(data + 5);
  header->mapEntryBits = data[7];
  header->xOrigin = readU16(data + 8);
  header->yOrigin = readU16(data + 10);
  header->width = readU16(data + 12);
  header->height = readU16(data + 14);
  header->depth = data[16];
  header->descriptor = data[17];
  return TEX_OK;
}

// Every type and depth the format defines is read: colour maps of any length,
// first index and entry size behind 8- or 16-bit indices, true colour at 16, 24
// and 32 bits, greyscale at 8 and 16. Anything else, type 0 (no image data)
// and the types the format does not define are refused.
int32_t TgaCheckVariant(const TgaHeader *header)
{
  switch (header->imageType & ~TYPE_RUN_LENGTH) {
  case TYPE_COLOR_MAPPED:
    if (header->colorMapType != 1 || header->mapLength == 0 || (header->depth != 8 && header->depth != 16))
      return TEX_ERR_DEPTH;
    switch (header->mapEntryBits) {
    case 15: case 16: case 24: case 32: return TEX_OK;
    default: return TEX_ERR_DEPTH;
    }
  case TYPE_TRUE_COLOR:
    if (header->depth == 16 || header->depth == 24 || header->depth == 32)
      return TEX_OK;
    return TEX_ERR_DEPTH;
  case TYPE_GREYSCALE:
    if (header->depth == 8 || header->depth == 16)
      return TEX_OK;
    return TEX_ERR_DEPTH;
  default:
    return TEX_ERR_DEPTH;
  }
}

// Which pixel decoder a checked header needs.
static int32_t pixelKind(const TgaHeader *header)
{
  switch (header->imageType & ~TYPE_RUN_LENGTH) {
  case TYPE_COLOR_MAPPED: return header->depth == 8 ? PIXEL_INDEX8 : PIXEL_INDEX16;
  case TYPE_GREYSCALE: return header->depth == 8 ? PIXEL_GREY8 : PIXEL_GREY_ALPHA16;
  default: return header->depth == 16 ? PIXEL_RGB16 : header->depth == 24 ? PIXEL_RGB24 : PIXEL_RGBA32;
  }
}

// Five bits per channel, A R R R R R G G G G G B B B B B (the top bit is not alpha here).
static void convertRGB16(int32_t w, uint8_t *dst)
{
  dst[0] = (uint8_t)(((w >> 10) & 31) * 8);
  dst[1] = (uint8_t)(((w >> 5) & 31) * 8);
  dst[2] = (uint8_t)((w & 31) * 8);
  dst[3] = 255;
}

// Entry i of the file's colour map as R, G, B, A; opaque black outside the map.
static void mapEntry(const TgaSource *source, int32_t index, uint8_t *dst)
{
  int32_t i = index - source->mapFirst;
  if (i < 0 || i >= source->mapLength) {
    dst[0] = dst[1] = dst[2] = 0;
    dst[3] = 255;
    return;
  }
  const uint8_t *e = source->map + (size_t)i * ((source->mapEntryBits + 7) / 8);
  if (source->mapEntryBits <= 16) {
    convertRGB16(e[0] | e[1] << 8, dst);
    return;
  }
  dst[0] = e[2];
  dst[1] = e[1];
  dst[2] = e[0];
  dst[3] = source->mapEntryBits == 32 ? e[3] : 255;
}

// B, G, R, A to R, G, B, A: the pixels are copied whole, then blue and red
// trade places; green and alpha are not touched again.
static void swapRedBlue(const uint8_t *src, uint8_t *dst, int32_t n)
{
  memcpy(dst, src, (size_t)n * 4);
  for (int32_t i = 0; i < n; i++, dst += 4) {
    uint8_t blue = dst[0];
    dst[0] = dst[2];
    dst[2] = blue;
  }
}

// Turns n file pixels at src into R, G, B, A at dst.
static void convertPixels(const TgaSource *source, const uint8_t *src, uint8_t *dst, int32_t n)
{
  switch (source->kind) {
  case PIXEL_INDEX8:
    for (int32_t i = 0; i < n; i++, dst += 4)
      memcpy(dst, source->palette + 4 * src[i], 4);
    break;
  case PIXEL_INDEX16:
    for (int32_t i = 0; i < n; i++, src += 2, dst += 4)
      mapEntry(source, src[0] | src[1] << 8, dst);
    break;
  case PIXEL_RGB16:
    for (int32_t i = 0; i < n; i++, src += 2, dst += 4)
      convertRGB16(src[0] | src[1] << 8, dst);
    break;
  case PIXEL_RGB24:
    for (int32_t i = 0; i < n; i++, src += 3, dst += 4) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      dst[3] = 255;
    }
    break;
  case PIXEL_GREY8:
    for (int32_t i = 0; i < n; i++, dst += 4) {
      dst[0] = dst[1] = dst[2] = src[i];
      dst[3] = 255;
    }
    break;
  case PIXEL_GREY_ALPHA16:
    for (int32_t i = 0; i < n; i++, src += 2, dst += 4) {
      dst[0] = dst[1] = dst[2] = src[0];
      dst[3] = src[1];
    }
    break;
  default:  // PIXEL_RGBA32
    swapRedBlue(src, dst, n);
    break;
  }
}

static int32_t decodeRaw(TgaSource *source, uint8_t *dst, int32_t count)
{
  if ((int64_t)count * source->bytesPerPixel > source->size - source->pos)
    return TGA_ERR_TRUNCATED;
  convertPixels(source, source->data + source->pos, dst, count);
  source->pos += count * source->bytesPerPixel;
  return TEX_OK;
}

static int32_t decodeRunLength(TgaSource *source, uint8_t *dst, int32_t count)
{
  const int32_t bpp = source->bytesPerPixel;
  int32_t done = 0;
  while (done < count) {
    if (source->pos >= source->size)
      return TGA_ERR_TRUNCATED;
    int32_t head = source->data[source->pos++];
    int32_t n = std::min((head & 127) + 1, count - done);
    const uint8_t *src = source->data + source->pos;
    uint8_t *out = dst + (size_t)done * 4;
    if (head < 128) {
      if (n * bpp > source->size - source->pos)
        return TGA_ERR_TRUNCATED;
      convertPixels(source, src, out, n);
      source->pos += n * bpp;
    } else {
      if (bpp > source->size - source->pos)
        return TGA_ERR_TRUNCATED;
      convertPixels(source, src, out, 1);
      for (int32_t i = 1; i < n; i++)
        memcpy(out + 4 * i, out, 4);
      source->pos += bpp;
    }
    done += n;
  }
  return TEX_OK;
}

// Whether the bytes after the cursor can hold `count` pixels at all: exactly
// for raw data, at the densest packing (full run packets) for run-length data.
// Checked before the pixel buffer is taken, so a short file costs no memory.
static int enoughData(const TgaSource *source, int64_t count, int runLength)
{
  int64_t left = source->size - source->pos;
  if (!runLength)
    return count * source->bytesPerPixel <= left;
  int64_t packets = (count + PACKET_PIXELS - 1) / PACKET_PIXELS;
  return packets * (1 + source->bytesPerPixel) <= left;
}

// Places the cursor at the pixel data. For a colour-mapped image the map is
// kept, and for 8-bit indices expanded into `palette` (256 x R, G, B, A, by
// index value) on the way.
static int32_t findPixelData(TgaSource *source, const TgaHeader *header, uint8_t *palette)
{
  int64_t mapBytes = 0;
  if (header->colorMapType == 1)
    mapBytes = (int64_t)header->mapLength * ((header->mapEntryBits + 7) / 8);
  int64_t start = TGA_HEADER_SIZE + header->idLength;
  if (start + mapBytes > source->size)
    return TGA_ERR_TRUNCATED;
  source->kind = pixelKind(header);
  source->bytesPerPixel = header->depth / 8;
  source->map = source->data + start;
  source->mapFirst = header->mapFirst;
  source->mapLength = header->mapLength;
  source->mapEntryBits = header->mapEntryBits;
  if (source->kind == PIXEL_INDEX8)
    for (int32_t i = 0; i < PALETTE_ENTRIES; i++)
      mapEntry(source, i, palette + 4 * i);
  source->pos = (int32_t)(start + mapBytes);
  source->palette = palette;
  return TEX_OK;
}

// Reverses the pixel order of every row (files stored right to left).
static void mirrorRows(TexEntry *entry)
{
  uint32_t *row = reinterpret_cast<uint32_t *>(entry->pixels);
  for (int32_t y = 0; y < entry->height; y++, row += entry->width)
    std::reverse(row, row + entry->width);
}

int32_t TgaDecode(TexEntry *entry, const uint8_t *data, int32_t size)
{
  if (!entry)
    return TEX_ERR_NULL;
  entry->pixels = nullptr;
  TgaHeader header;
  if (!data || TgaParseHeader(data, size, &header) != TEX_OK)
    return TGA_ERR_TRUNCATED;
  entry->width = header.width;
  entry->height = header.height;
  entry->bitsPerPixel = header.depth;
  if (TgaCheckVariant(&header) != TEX_OK)
    return TEX_ERR_DEPTH;
  if (header.width == 0 || header.height == 0)
    return TGA_ERR_EMPTY;
  // Both sides are below 65536, so the count cannot overflow 64 bits; the
  // buffer must fit the pool at 4 bytes a pixel.
  int64_t count = (int64_t)header.width * header.height;
  if (count > MEM_POOL_SIZE / 4)
    return TEX_ERR_NO_MEMORY;

  uint8_t palette[PALETTE_ENTRIES * 4];
  TgaSource source = {data, size, 0, 0, 0, nullptr, nullptr, 0, 0, 0};
  int runLength = (header.imageType & TYPE_RUN_LENGTH) != 0;
  if (findPixelData(&source, &header, palette) != TEX_OK || !enoughData(&source, count, runLength))
    return TGA_ERR_TRUNCATED;
  uint8_t *pixels = static_cast<uint8_t *>(MemAlloc((int32_t)count * 4));
  if (!pixels)
    return TEX_ERR_NO_MEMORY;
  int32_t result = runLength ? decodeRunLength(&source, pixels, (int32_t)count)
                             : decodeRaw(&source, pixels, (int32_t)count);
  if (result != TEX_OK) {
    MemFree(pixels);
    return result;
  }
  entry->pixels = pixels;
  if (header.descriptor & DESC_RIGHT_TO_LEFT)
    mirrorRows(entry);
  if (header.descriptor & DESC_TOP_TO_BOTTOM)
    TgaFlip(entry);
  return TEX_OK;
}

int32_t TgaLoad(TexEntry *entry)
{
  if (!entry)
    return TEX_ERR_NULL;
  FileData file;
  memset(&file, 0, sizeof file);
  if (FileLoad(&file, entry->name) != 0)
    return TEX_ERR_NOT_FOUND;
  int32_t result = TgaDecode(entry, static_cast<const uint8_t *>(file.data), file.size);
  FileFree(&file);
  if (result == TEX_ERR_NO_MEMORY)
    ConsoleAdd(TEX_MSG_NO_MEMORY, entry->name, (int)entry->width, (int)entry->height,
               (int)result);
  return result;
}

// Reverses the row order in place; the middle row of an odd height stays.
int32_t TgaFlip(TexEntry *entry)
{
  if (!entry || !entry->pixels)
    return TEX_ERR_NULL;
  const size_t rowBytes = (size_t)std::max(entry->width, 0) * 4;
  for (int32_t r = 0; r < entry->height / 2; r++) {
    uint8_t *top = entry->pixels + (size_t)r * rowBytes;
    uint8_t *bottom = entry->pixels + (size_t)(entry->height - 1 - r) * rowBytes;
    std::swap_ranges(top, top + rowBytes, bottom);
  }
  return TEX_OK;
}

// Writes an uncompressed 24-bit TGA under the record's name: the header, then
// the first width x height x 3 bytes of the pixels exactly as they are (the
// record must already hold 3-byte pixels in file order).
int32_t TgaSave(TexEntry *entry)
{
  const uint8_t *pixels = TexGetPixels(entry);
  if (!entry || !pixels)
    return TEX_ERR_NULL;
  if (entry->bitsPerPixel != 24)
    return TEX_ERR_DEPTH;
  int64_t bytes = (int64_t)std::max(entry->width, 0) * std::max(entry->height, 0) * 3;
  if (bytes + TGA_HEADER_SIZE > MEM_POOL_SIZE)
    return TEX_ERR_NO_MEMORY;
  FileData file;
  memset(&file, 0, sizeof file);
  uint8_t *out = static_cast<uint8_t *>(MemAlloc((int32_t)bytes + TGA_HEADER_SIZE));
  if (!out)
    return TEX_ERR_NO_MEMORY;
  out[2] = 2;
  out[12] = (uint8_t)(entry->width & 255);
  out[13] = (uint8_t)((entry->width >> 8) & 255);
  out[14] = (uint8_t)(entry->height & 255);
  out[15] = (uint8_t)((entry->height >> 8) & 255);
  out[16] = 24;
  memcpy(out + TGA_HEADER_SIZE, pixels, (size_t)bytes);
  memcpy(file.name, entry->name, FILE_NAME_SIZE);
  file.name[FILE_NAME_SIZE - 1] = '\0';
  file.size = (int32_t)bytes + TGA_HEADER_SIZE;
  file.data = out;
  int32_t result = FileWrite(&file);
  MemFree(out);
  if (result != 0)
    return TGA_ERR_WRITE;
  return TEX_OK;
}
