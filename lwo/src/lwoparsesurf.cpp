// TAGS and SURF.
//
//   TAGS: S0 strings; surface k is named by string k
//   SURF: name (S0), source name (S0), then sub-chunks: ID (4 bytes), size (U2)
//     COLR  three F4 red, green, blue, VX envelope
//     SMAN  F4 maximum smoothing angle
//     BLOK  an image block: sub-chunks IMAP, TMAP, PROJ, AXIS, IMAG, VMAP, ...
//     REFL  F4 reflectivity, VX envelope
//     RFOP  U2 reflection options: 0 backdrop, 1 ray tracing and backdrop,
//           2 spherical map, 3 ray tracing and spherical map
//     RIMG  VX the clip of the spherical reflection map
#include "lwoparse.h"
#include "console.h"

#include <cmath>
#include <cstring>

// Walks the strings of a TAGS chunk, copying string k into surface k when
// `surfaces` is given. A zero ends a string; a zero right after it is its pad
// byte. Returns the number of strings, counting a last one that the chunk
// ends without a zero: it names a surface as well, and the copying pass
// writes it, so the count must make room for it.
static int32_t walkTags(LwoSurface *surfaces)
{
  int32_t count = 0, length = 0;
  while (lwoLeft() > 0) {
    uint8_t c = (uint8_t)LwoGetUINT8();
    if (c != 0) {
      if (surfaces && length < LWO_NAME_SIZE - 1)
        surfaces[count].name[length] = (char)c;
      length++;
      continue;
    }
    if (lwoLeft() > 0 && *lwoPtr == 0)
      lwoPtr++;
    count++;
    length = 0;
  }
  return length > 0 ? count + 1 : count;
}

int32_t LwoParseSurfCreate(void)
{
  const uint8_t *start = lwoPtr;
  int32_t count = walkTags(nullptr);
  LwoSurface *surfaces = (LwoSurface *)lwoAlloc(count, sizeof(LwoSurface));
  if (!surfaces)
    return lwoNoMemory();
  lwoPtr = start;
  walkTags(surfaces);
  lwoCurr->surfaces = surfaces;
  lwoCurr->surfaceCount = count;
  return 0;
}

// A colour component, nominally 0..1, as a byte truncated toward zero. Values
// outside the range (and NaN) are held to it: the conversion of an
// out-of-range float to an integer has no defined result.
static uint8_t colorByte(float component)
{
  float scaled = component * 255.0f;
  if (!(scaled > 0.0f))
    return 0;
  if (scaled >= 255.0f)
    return 255;
  return (uint8_t)scaled;
}

static int32_t findSurface(const char *name)
{
  for (int32_t s = 0; s < lwoCurr->surfaceCount; s++)
    if (strcmp(lwoCurr->surfaces[s].name, name) == 0)
      return s;
  return -1;
}

// The reflection settings of the SURF being read; a reflection map is made
// of them once the whole SURF is read, whatever the order of its sub-chunks.
struct SurfReflection {
  float amount;        // REFL
  uint32_t options;    // RFOP
  uint32_t image;      // RIMG clip index, 0 for none
};
static SurfReflection surfReflection;

// A surface that reflects a spherical map (reflection options 2 or 3) draws
// that image as an environment map, as an image block of channel REFL does;
// an image block's own image comes first.
static void reflectionMap(LwoSurface *surface)
{
  const SurfReflection &r = surfReflection;
  if (!r.image || r.image > (uint32_t)lwoCurr->clipCount || !(r.amount > 0.0f) || r.options < 2 ||
      r.options > 3 || surface->texture)
    return;
  TexEntry *entry = &lwoCurr->clips[r.image - 1];
  if (entry->name[0] == 0)
    return;
  surface->reflection = 1;
  surface->texture = entry;
  surface->projection = LWO_PROJ_SPHERICAL;
  lwoCurr->needNormals = 1;
}

static int32_t surfSubChunk(int32_t s)
{
  LwoSurface *surface = &lwoCurr->surfaces[s];
  switch (subChunkID) {
  case ID_REFL: surfReflection.amount = lwoGetFloat(); return 0;
  case LWO_ID('R', 'F', 'O', 'P'): surfReflection.options = LwoGetUINT16(); return 0;
  case LWO_ID('R', 'I', 'M', 'G'): surfReflection.image = LwoGetVX(); return 0;
  case ID_COLR:
    surface->color[0] = colorByte(lwoGetFloat());
    surface->color[1] = colorByte(lwoGetFloat());
    surface->color[2] = colorByte(lwoGetFloat());
    return 0;
  case ID_SMAN:
    if (LwoGetUINT32() != 0) {
      surface->smoothing = 1;
      lwoCurr->needNormals = 1;
    }
    return 0;
  case ID_BLOK:
    return LwoParseSurfTexInfo(s);
  default:
    return 0;
  }
}

// The surface is found by its name among the TAGS strings; a SURF naming none
// of them is not used.
int32_t LwoParseSurf(void)
{
  char name[LWO_NAME_SIZE], source[LWO_NAME_SIZE];
  lwoGetName(name);
  lwoGetName(source);  // surfaces derived from another one: not used
  int32_t s = findSurface(name);
  if (s < 0) {
    lwoIgnored.surfaceNames++;
    return 0;
  }
  surfReflection = SurfReflection{0.0f, 0, 0};
  while (lwoLeft() >= 6) {
    subChunkID = LwoGetUINT32();
    subChunkSize = LwoGetUINT16();
    const uint8_t *outer = lwoEnter(subChunkSize);
    int32_t result = surfSubChunk(s);
    lwoLeave(outer);
    if (result != 0)
      return result;
  }
  reflectionMap(&lwoCurr->surfaces[s]);
  return 0;
}

// TMAP: the three F4 that follow the last SIZE or CNTR tag and its U2 size.
static void readTextureVector(uint32_t id, float *out)
{
  int32_t at = lwoFindLast(lwoPtr, lwoEnd, id);
  if (at < 0 || (uint32_t)at + 6 + 12 > lwoLeft())
    return;
  const uint8_t *saved = lwoPtr;
  lwoPtr += at + 6;
  for (int i = 0; i < 3; i++)
    out[i] = lwoGetFloat();
  lwoPtr = saved;
}

// IMAG: the block's image is clip c (slot c - 1). A clip without a loaded
// still image leaves the surface in its flat colour.
static void blockImage(LwoSurface *surface, uint32_t clip, int32_t pendingProjection)
{
  if (clip < 1 || clip > (uint32_t)lwoCurr->clipCount)
    return;
  TexEntry *entry = &lwoCurr->clips[clip - 1];
  if (entry->name[0] == 0) {
    ConsoleAdd(LWO_MSG_TEXTURE, lwoFile->name, surface->name);
    surface->smoothing = 1;
    surface->reflection = 0;
    surface->texture = nullptr;
    surface->projection = LWO_PROJ_NONE;
    lwoCurr->needNormals = 1;
    return;
  }
  if (surface->reflection && surface->texture)
    return;
  surface->texture = entry;
  surface->projection = pendingProjection;
}

int32_t LwoParseSurfTexInfo(int32_t surfaceIndex)
{
  LwoSurface *surface = &lwoCurr->surfaces[surfaceIndex];
  int32_t pending = 0;  // set by PROJ; an IMAG before it leaves the surface untextured
  while (lwoLeft() >= 6) {
    uint32_t id = LwoGetUINT32();
    uint32_t size = LwoGetUINT16();
    const uint8_t *outer = lwoEnter(size);
    switch (id) {
    case ID_IMAP:
      if (lwoFindLast(lwoPtr, lwoEnd, ID_REFL) >= 0) {
        surface->reflection = 1;
        lwoCurr->needNormals = 1;
      }
      break;
    case ID_TMAP:
      readTextureVector(ID_SIZE, surface->textureSize);
      readTextureVector(ID_CNTR, surface->textureCenter);
      break;
    case ID_PROJ: pending = (int32_t)LwoGetUINT16() + 1; break;
    case ID_AXIS: surface->axis = (int32_t)LwoGetUINT16(); break;
    case ID_IMAG: blockImage(surface, LwoGetVX(), pending); break;
    case ID_VMAP: lwoGetName(surface->uvMapName); break;
    default: break;
    }
    lwoLeave(outer);
  }
  return 0;
}
