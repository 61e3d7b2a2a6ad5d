// CLIP: the image files of an object.
//
//   CLIP: index (U4), then sub-chunks: ID (4 bytes), size (U2)
//     STIL  S0 file name of a still image
//
// Image sequences and the other clip kinds are not loaded: their slot keeps
// an empty name, and a surface that uses one is drawn in its flat colour.
#include "lwoparse.h"

#include <cstring>

// The name the clip loader looks an image up under: every '/' before the
// first '.' (after the first character) becomes '\', and a name whose second
// character is then '\' gets a second one ("a/b.tga" -> "a\\b.tga").
void lwoRewriteStillName(char *name)
{
  size_t length = strlen(name);
  for (size_t i = 1; i < length && name[i] != '.'; i++)
    if (name[i] == '/')
      name[i] = '\\';
  if (length >= 2 && name[1] == '\\') {
    // Cut to 191 characters when the inserted backslash does not fit.
    size_t kept = length + 1 < LWO_NAME_SIZE ? length : LWO_NAME_SIZE - 2;
    memmove(name + 2, name + 1, kept - 1);
    name[kept + 1] = 0;
    name[1] = '\\';
  }
}

static int32_t isRegistered(const TexEntry *entry)
{
  for (const TexEntry *e = TexGetFirst(); e; e = e->next)
    if (e == entry)
      return 1;
  return 0;
}

// A clip whose image the texture registry cannot register ends the load.
// NOTE: a record is linked into the registry's list, so it is registered once:
// a second STIL, or a second CLIP with the same index, is not used.
int32_t LwoParseTex(void)
{
  uint32_t index = LwoGetUINT32();
  if (index < 1 || index > (uint32_t)lwoCurr->clipCount) {
    lwoIgnored.clipRefs++;
    return 0;
  }
  TexEntry *entry = &lwoCurr->clips[index - 1];
  while (lwoLeft() >= 6) {
    subChunkID = LwoGetUINT32();
    subChunkSize = LwoGetUINT16();
    const uint8_t *outer = lwoEnter(subChunkSize);
    if (subChunkID == ID_STIL && !isRegistered(entry)) {
      lwoGetName(entry->name);
      lwoRewriteStillName(entry->name);
      if (TexAdd(entry) != 0) {
        lwoLeave(outer);
        return LWO_ERR_IMAGE;
      }
    }
    lwoLeave(outer);
  }
  return 0;
}
