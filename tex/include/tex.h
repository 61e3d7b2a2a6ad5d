// The texture registry: every image the program loads, shared by name, each
// loaded by the codec its file name's extension picks.
#pragma once
#include <cstdint>

enum { TEX_NAME_SIZE = 192, TEX_MAX_CODECS = 8 };

// The largest image the GS texture area takes: its rows lie 512 texels apart,
// and a texture is at most 1024 texels tall. A registered image larger than
// that is scaled down to fit (TexFitSize) when it is loaded.
enum { TEX_FIT_WIDTH = 512, TEX_FIT_HEIGHT = 1024 };

// Result codes of the registry and its codecs.
enum {
  TEX_OK = 0,
  TEX_ERR_FAILED = -1,      // codec failed, registry not empty, codec table full
  TEX_ERR_NULL = -2,
  TEX_ERR_NOT_FOUND = -3,   // the image file cannot be loaded
  TEX_ERR_NO_MEMORY = -5,
  TEX_ERR_DEPTH = -13       // a pixel depth or image variant the codec does not read
};

// Console texts that go with the codes; %s is the image's name. Every codec
// reports a picture the pool cannot hold with the same line: the size it was
// to be stored at, then the code.
// With TEX_ERR_NO_MEMORY.
constexpr char TEX_MSG_NO_MEMORY[] = "Error : %s (%d x %d pixels) does not fit in memory (%d) !";
// With TEX_ERR_FAILED, when the codec could not read the image.
constexpr char TEX_MSG_READ[] = "Error while reading %s !";

// A registered image. The caller owns the record (a static, an element of an
// object's clip array); the registry only links it, so it must stay valid
// while registered.
struct TexEntry {
  int32_t slot;          // entry in the video-memory texture pool
  int32_t index;         // registration number
  char name[TEX_NAME_SIZE];  // file name, lower-cased by TexAdd
  int32_t width, height;
  uint8_t *pixels;       // width x height x R,G,B,A, bottom row first; null when sharing
  int32_t bitsPerPixel;  // depth of the source image
  int32_t scrollCode;    // 1 "scup", 2 "scdn", 3 "sclt", 4 "scrt", else 0
  TexEntry *next, *prev; // registry list, in order of registration
  TexEntry *sameAs;      // the earlier record with the same name, or null
};

typedef int32_t (*TexLoadFunc)(TexEntry *entry);

struct TexCodec {
  char extension[4];  // lower case, at most three letters
  TexLoadFunc load;
};

int32_t TexInit(void);
int32_t TexRegisterCodec(const char *extension, TexLoadFunc load);
int32_t TexAdd(TexEntry *entry);
int32_t TexFree(TexEntry *entry);
int32_t TexFreeAll(void);
int32_t TexUploadAllToHard(void);
int32_t TexRemoveAllFromHard(void);

// The pixels a record draws with: its own, or those of the record it shares
// (following sameAs); null when there are none. Everything that reads pixels
// goes through here.
const uint8_t *TexGetPixels(const TexEntry *entry);

// The first registered record, for walks of the list.
TexEntry *TexGetFirst(void);

// The size a width x height image is drawn at: each side cut to what the
// texture area takes (texture coordinates run from 0 to 1 whatever the size,
// so the sides shrink independently).
void TexFitSize(int32_t width, int32_t height, int32_t *fitWidth, int32_t *fitHeight);
// Box filter from a width x height picture of R, G, B, A pixels to a smaller
// one of fitWidth x fitHeight: each output pixel is the rounded mean of the
// source pixels its area covers. Rows keep their order.
void TexShrink(const uint8_t *source, int32_t width, int32_t height, uint8_t *target,
               int32_t fitWidth, int32_t fitHeight);
