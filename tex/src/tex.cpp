// The texture registry: a list of caller-owned records, in order of
// registration, and the table of image codecs chosen by file name.
//
// A record whose name is already registered shares that record's image
// (sameAs) instead of loading the file again; TexGetPixels is the one way to
// the pixels a record draws with.
#include "tex.h"

#include <cstring>

#include "console.h"
#include "mem.h"
#include "texhard.h"
#include "texrgb.h"

// Module state: written only by the operations of this file; the list's
// records belong to their callers and are only linked here.
static TexEntry *texTree;              // first record, null when empty
static int32_t texIndex;               // registration number of the next record
static int32_t codecCount;
static TexCodec codec[TEX_MAX_CODECS];

// Lower-cases the letters A to Z in place; other bytes stay as they are.
static void strPrepare(char *text)
{
  for (; *text; text++)
    if (*text >= 'A' && *text <= 'Z')
      *text = (char)(*text - 'A' + 'a');
}

static TexEntry *lastRecord(void)
{
  TexEntry *entry = texTree;
  while (entry && entry->next)
    entry = entry->next;
  return entry;
}

static int isLinked(const TexEntry *wanted)
{
  for (const TexEntry *entry = texTree; entry; entry = entry->next)
    if (entry == wanted)
      return 1;
  return 0;
}

// The codes a file name carries for scrolling textures, first match wins.
static int32_t scrollCodeOf(const char *name)
{
  if (strstr(name, "scup"))
    return 1;
  if (strstr(name, "scdn"))
    return 2;
  if (strstr(name, "scrt"))
    return 4;
  if (strstr(name, "sclt"))
    return 3;
  return 0;
}

// The earlier record registered under the same name, or null.
static TexEntry *findSameName(const char *name)
{
  char copy[TEX_NAME_SIZE];
  for (TexEntry *entry = texTree; entry; entry = entry->next) {
    memcpy(copy, entry->name, TEX_NAME_SIZE);
    copy[TEX_NAME_SIZE - 1] = '\0';
    strPrepare(copy);
    if (strcmp(copy, name) == 0)
      return entry;
  }
  return nullptr;
}

// The codec for a name: the first whose extension begins the name's own
// extension (what follows its last '.'), so "c:\tga\chrome.jpg" goes to the
// JPEG codec and "x.jpeg" to one registered as "jpe"; else, as before there
// were several codecs, the first whose extension occurs anywhere in the name.
static const TexCodec *codecFor(const char *name)
{
  const char *dot = strrchr(name, '.');
  if (dot && !strpbrk(dot, "\\/"))
    for (int32_t i = 0; i < codecCount; i++)
      if (codec[i].extension[0] &&
          strncmp(dot + 1, codec[i].extension, strlen(codec[i].extension)) == 0)
        return &codec[i];
  for (int32_t i = 0; i < codecCount; i++)
    if (strstr(name, codec[i].extension))
      return &codec[i];
  return nullptr;
}

// A picture larger than the texture area is replaced by one scaled down to
// fit. NOTE: the pool reclaims nothing, so the large picture's block stays
// taken; the codecs that decode outside the pool hand over fitting pictures.
static int32_t fitTextureArea(TexEntry *entry)
{
  int32_t width, height;
  TexFitSize(entry->width, entry->height, &width, &height);
  if (!entry->pixels || (width == entry->width && height == entry->height))
    return TEX_OK;
  uint8_t *fitted = static_cast<uint8_t *>(MemAllocUninit(width * height * 4));
  if (!fitted) {
    ConsoleAdd(TEX_MSG_NO_MEMORY, entry->name, (int)width, (int)height,
               (int)TEX_ERR_NO_MEMORY);
    MemFree(entry->pixels);
    entry->pixels = nullptr;
    return TEX_ERR_NO_MEMORY;
  }
  TexShrink(entry->pixels, entry->width, entry->height, fitted, width, height);
  MemFree(entry->pixels);
  entry->pixels = fitted;
  entry->width = width;
  entry->height = height;
  return TEX_OK;
}

// Loads the record's pixels with the codec its name picks; a name no codec
// matches is registered without pixels.
static int32_t loadWithCodec(TexEntry *entry)
{
  entry->scrollCode = scrollCodeOf(entry->name);
  const TexCodec *chosen = codecFor(entry->name);
  if (!chosen)
    return TEX_OK;
  if (chosen->load(entry) != 0 || fitTextureArea(entry) != TEX_OK) {
    ConsoleAdd(TEX_MSG_READ, entry->name);
    return TEX_ERR_FAILED;
  }
  TexRGBConvert(entry);
  return TEX_OK;
}

int32_t TexInit(void)
{
  if (texTree)
    return TEX_ERR_FAILED;
  texTree = nullptr;
  texIndex = 0;
  codecCount = 0;
  TexRGBSet(0);
  return TEX_OK;
}

int32_t TexRegisterCodec(const char *extension, TexLoadFunc load)
{
  if (codecCount >= TEX_MAX_CODECS)
    return TEX_ERR_FAILED;
  if (!extension || !load)
    return TEX_ERR_NULL;
  TexCodec *entry = &codec[codecCount];
  strncpy(entry->extension, extension, sizeof entry->extension - 1);
  entry->extension[sizeof entry->extension - 1] = '\0';
  strPrepare(entry->extension);
  entry->load = load;
  codecCount++;
  return TEX_OK;
}

int32_t TexAdd(TexEntry *entry)
{
  if (!entry)
    return TEX_ERR_NULL;
  // NOTE: re-adding a linked record would reset its links and cut the list.
  if (isLinked(entry))
    return TEX_ERR_FAILED;
  entry->name[TEX_NAME_SIZE - 1] = '\0';
  strPrepare(entry->name);
  entry->next = entry->prev = nullptr;
  entry->width = entry->height = 0;
  entry->pixels = nullptr;
  entry->sameAs = nullptr;
  entry->index = texIndex;

  TexEntry *same = findSameName(entry->name);
  if (same) {
    entry->scrollCode = same->scrollCode;
    entry->width = same->width;
    entry->height = same->height;
    entry->sameAs = same;
  } else if (loadWithCodec(entry) != TEX_OK) {
    return TEX_ERR_FAILED;
  }

  TexEntry *last = lastRecord();
  if (last) {
    last->next = entry;
    entry->prev = last;
  } else {
    texTree = entry;
  }
  texIndex++;
  return TEX_OK;
}

// A record that others share hands its image to the first of them, so that
// no record is left sharing one that has gone from the list.
static void handOverImage(TexEntry *owner)
{
  TexEntry *heir = nullptr;
  for (TexEntry *entry = owner->next; entry; entry = entry->next) {
    if (entry->sameAs != owner)
      continue;
    if (!heir) {
      heir = entry;
      heir->sameAs = nullptr;
      heir->pixels = owner->pixels;
      heir->bitsPerPixel = owner->bitsPerPixel;
      heir->slot = owner->slot;
    } else {
      entry->sameAs = heir;
    }
  }
  if (heir)
    owner->pixels = nullptr;
}

int32_t TexFree(TexEntry *entry)
{
  for (TexEntry *walk = texTree; walk; walk = walk->next) {
    if (walk != entry)
      continue;
    handOverImage(entry);
    if (entry->pixels) {
      MemFree(entry->pixels);
      entry->pixels = nullptr;
    }
    if (entry->prev)
      entry->prev->next = entry->next;
    else
      texTree = entry->next;
    if (entry->next)
      entry->next->prev = entry->prev;
    break;
  }
  return TEX_OK;
}

int32_t TexFreeAll(void)
{
  for (TexEntry *entry = texTree; entry; entry = entry->next) {
    if (entry->pixels) {
      MemFree(entry->pixels);
      entry->pixels = nullptr;
    }
  }
  texTree = nullptr;
  texIndex = 0;
  return TEX_OK;
}

// Hands every image to the video-memory pool once; records that share an
// image take the slot of the record they share. A record the pool cannot
// take gets slot -1, and the result is then -1.
int32_t TexUploadAllToHard(void)
{
  int32_t result = TEX_OK;
  for (TexEntry *entry = texTree; entry; entry = entry->next) {
    if (entry->sameAs)
      continue;
    const uint8_t *pixels = TexGetPixels(entry);
    if (!pixels)
      continue;  // registered without an image: nothing to place
    if (TexHardAdd(&entry->slot, pixels, entry->width, entry->height, entry->bitsPerPixel) != 0) {
      entry->slot = -1;
      result = TEX_ERR_FAILED;
    }
  }
  for (TexEntry *entry = texTree; entry; entry = entry->next) {
    const TexEntry *owner = entry->sameAs;
    while (owner && owner->sameAs)
      owner = owner->sameAs;
    if (owner)
      entry->slot = owner->slot;
  }
  return result;
}

int32_t TexRemoveAllFromHard(void)
{
  for (TexEntry *entry = texTree; entry; entry = entry->next)
    if (!entry->sameAs)
      TexHardDelete(&entry->slot);
  return TEX_OK;
}

const uint8_t *TexGetPixels(const TexEntry *entry)
{
  // sameAs always names an earlier record, so a chain ends; the bound only
  // guards against a caller's record with broken links.
  for (int hops = 0; entry && entry->sameAs && hops < 1024; hops++)
    entry = entry->sameAs;
  return entry ? entry->pixels : nullptr;
}

TexEntry *TexGetFirst(void)
{
  return texTree;
}

void TexFitSize(int32_t width, int32_t height, int32_t *fitWidth, int32_t *fitHeight)
{
  *fitWidth = width > TEX_FIT_WIDTH ? TEX_FIT_WIDTH : width;
  *fitHeight = height > TEX_FIT_HEIGHT ? TEX_FIT_HEIGHT : height;
}

// Source columns [x * width / fitWidth, (x + 1) * width / fitWidth) make
// output column x, and the same for rows: every source pixel counts once.
void TexShrink(const uint8_t *source, int32_t width, int32_t height, uint8_t *target,
               int32_t fitWidth, int32_t fitHeight)
{
  for (int32_t y = 0; y < fitHeight; y++) {
    int32_t y0 = (int32_t)((int64_t)y * height / fitHeight);
    int32_t y1 = (int32_t)((int64_t)(y + 1) * height / fitHeight);
    for (int32_t x = 0; x < fitWidth; x++) {
      int32_t x0 = (int32_t)((int64_t)x * width / fitWidth);
      int32_t x1 = (int32_t)((int64_t)(x + 1) * width / fitWidth);
      uint32_t sum[4] = {0, 0, 0, 0};
      for (int32_t sy = y0; sy < y1; sy++) {
        const uint8_t *p = source + ((size_t)sy * width + x0) * 4;
        for (int32_t sx = x0; sx < x1; sx++, p += 4)
          for (int c = 0; c < 4; c++)
            sum[c] += p[c];
      }
      uint32_t count = (uint32_t)(y1 - y0) * (uint32_t)(x1 - x0);
      uint8_t *out = target + ((size_t)y * fitWidth + x) * 4;
      for (int c = 0; c < 4; c++)
        out[c] = (uint8_t)((sum[c] + count / 2) / count);
    }
  }
}
