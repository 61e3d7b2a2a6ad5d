// Shared state and helpers of the LWO2 reader and the object preparation.
// Private to lwo/src.
//
// The reader walks the file through one bounded cursor: `lwoPtr` moves
// between the file's first byte and `lwoEnd`, the end of the container being
// read (the file, a chunk, a sub-chunk). A read past `lwoEnd` yields 0, leaves
// the cursor at `lwoEnd` and sets `lwoOverrun`; a container is entered only
// for the bytes it really has, and the caller puts the cursor at its end when
// the handler returns, so no handler can read into the next chunk or past the
// file whatever the sizes in it say.
#pragma once
#include <cstdint>
#include <cstring>

#include "lwo.h"

// IFF identifiers, four ASCII bytes read as a big-endian U4.
#define LWO_ID(a, b, c, d) \
  (((uint32_t)(a) << 24) | ((uint32_t)(b) << 16) | ((uint32_t)(c) << 8) | (uint32_t)(d))

enum : uint32_t {
  ID_FORM = LWO_ID('F', 'O', 'R', 'M'), ID_LWO2 = LWO_ID('L', 'W', 'O', '2'),
  ID_PNTS = LWO_ID('P', 'N', 'T', 'S'), ID_BBOX = LWO_ID('B', 'B', 'O', 'X'),
  ID_LAYR = LWO_ID('L', 'A', 'Y', 'R'), ID_TAGS = LWO_ID('T', 'A', 'G', 'S'),
  ID_PTAG = LWO_ID('P', 'T', 'A', 'G'), ID_POLS = LWO_ID('P', 'O', 'L', 'S'),
  ID_SURF = LWO_ID('S', 'U', 'R', 'F'), ID_CLIP = LWO_ID('C', 'L', 'I', 'P'),
  ID_VMAP = LWO_ID('V', 'M', 'A', 'P'), ID_VMAD = LWO_ID('V', 'M', 'A', 'D'),
  ID_FACE = LWO_ID('F', 'A', 'C', 'E'), ID_STIL = LWO_ID('S', 'T', 'I', 'L'),
  ID_COLR = LWO_ID('C', 'O', 'L', 'R'), ID_SMAN = LWO_ID('S', 'M', 'A', 'N'),
  ID_BLOK = LWO_ID('B', 'L', 'O', 'K'), ID_IMAP = LWO_ID('I', 'M', 'A', 'P'),
  ID_TMAP = LWO_ID('T', 'M', 'A', 'P'), ID_PROJ = LWO_ID('P', 'R', 'O', 'J'),
  ID_AXIS = LWO_ID('A', 'X', 'I', 'S'), ID_IMAG = LWO_ID('I', 'M', 'A', 'G'),
  ID_REFL = LWO_ID('R', 'E', 'F', 'L'), ID_SIZE = LWO_ID('S', 'I', 'Z', 'E'),
  ID_CNTR = LWO_ID('C', 'N', 'T', 'R'), ID_TXUV = LWO_ID('T', 'X', 'U', 'V'),
  ID_MORF = LWO_ID('M', 'O', 'R', 'F')
};

// Largest vertex count of a polygon: the count word keeps 10 bits.
enum { LWO_MAX_POLY_POINTS = 0x3FF };

// Module state of the reader (lwo.cpp owns it). Written by LwoLoad and the
// cursor helpers; every other reader file only reads it or moves the cursor.
extern FileData *lwoFile;
extern LwoObject *lwoCurr;
extern const uint8_t *lwoPtr;      // read cursor
extern const uint8_t *lwoEnd;      // end of the container being read
extern int32_t lwoOverrun;         // a read ran into lwoEnd
extern uint32_t chunkID, chunkSize;
extern uint32_t subChunkID, subChunkSize;

// What a file held that could not be used; LwoParse prints one line for all of
// it at the end of the load.
struct LwoIgnored {
  int32_t pointRefs;      // point indices at or past the point count
  int32_t polygonRefs;    // polygon indices at or past the polygon count
  int32_t clipRefs;       // clip indices of 0 or past the clip count
  int32_t surfaceNames;   // SURF chunks naming no TAGS string
  int32_t uvMapNames;     // VMAD chunks naming no earlier UV map
  int32_t extraMaps;      // UV maps past 32 and endomorphs past 64
  int32_t extraPoints;    // PNTS chunks after the first
  int32_t trailingBytes;  // bytes after the last whole chunk, or of a short PNTS
  int32_t earlyMaps;      // vertex maps before the point list (nothing to index)
};
extern LwoIgnored lwoIgnored;

// What the pre-scan found in the last POLS chunk, so that its handler does not
// walk it once more to count.
struct LwoScan {
  const uint8_t *data;  // the chunk's data (its type word), or null
  int32_t triangles;    // triangles its polygons give
};
extern LwoScan lwoScanPols;

// Cursor. The reads are inline: they run once or more per point, polygon
// and map entry, and dominate the load.

// Bytes left in the container.
inline uint32_t lwoLeft(void)
{
  return lwoPtr < lwoEnd ? (uint32_t)(lwoEnd - lwoPtr) : 0;
}

// Takes `n` bytes or, when fewer are left, none: the cursor goes to the end.
inline const uint8_t *lwoTake(uint32_t n)
{
  if ((size_t)(lwoEnd - lwoPtr) < n || lwoPtr > lwoEnd) {
    lwoOverrun = 1;
    lwoPtr = lwoEnd;
    return nullptr;
  }
  const uint8_t *at = lwoPtr;
  lwoPtr += n;
  return at;
}

inline uint32_t LwoGetUINT8(void)
{
  const uint8_t *p = lwoTake(1);
  return p ? p[0] : 0;
}

inline uint32_t LwoGetUINT16(void)
{
  const uint8_t *p = lwoTake(2);
  return p ? ((uint32_t)p[0] << 8) | p[1] : 0;
}

inline uint32_t LwoGetUINT32(void)
{
  const uint8_t *p = lwoTake(4);
  return p ? ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3] : 0;
}

// VX: two bytes for an index below 0xFF00, else 0xFF and a 24-bit index.
inline uint32_t LwoGetVX(void)
{
  if (lwoPtr < lwoEnd && lwoPtr[0] == 0xFF)
    return LwoGetUINT32() & 0x00FFFFFFu;
  return LwoGetUINT16();
}

inline float lwoGetFloat(void)
{
  uint32_t bits = LwoGetUINT32();
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

// Unchecked reads at a local cursor, for the long runs of point, polygon and
// map entries: a loop uses them only while the longest form of a whole entry
// fits before the end of its chunk, and finishes the chunk with the checked
// reads above. Keeping the cursor in a local lets it live in a register.
inline uint32_t lwoPeekU2(const uint8_t *p)
{
  return ((uint32_t)p[0] << 8) | p[1];
}

inline float lwoPeekF4(const uint8_t *p)
{
  uint32_t bits = ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

// A VX at *p; moves *p past it (two or four bytes).
inline uint32_t lwoPeekVX(const uint8_t **p)
{
  const uint8_t *q = *p;
  if (q[0] != 0xFF) {
    *p = q + 2;
    return ((uint32_t)q[0] << 8) | q[1];
  }
  *p = q + 4;
  return ((uint32_t)q[1] << 16) | ((uint32_t)q[2] << 8) | q[3];
}
// Enters a container of `size` bytes at the cursor (cut to what is left) and
// returns the outer end, to be given back to lwoLeave.
const uint8_t *lwoEnter(uint32_t size);
// Puts the cursor at the end of the container and restores the outer end.
void lwoLeave(const uint8_t *outerEnd);
// Reads an S0 (with its pad byte) into `out` (LWO_NAME_SIZE bytes), cut to 191
// characters; the whole string is consumed.
void lwoGetName(char *out);
// Offset of the last occurrence of the four bytes of `id` in [from, to), or -1.
int32_t lwoFindLast(const uint8_t *from, const uint8_t *to, uint32_t id);
// A zero-filled pool block of count x size bytes, or null when that overflows
// or does not fit.
void *lwoAlloc(int64_t count, int64_t size);
// The same block, not zero-filled: only for an array the caller then writes
// whole (or whose unwritten part it zeroes itself).
void *lwoAllocUninit(int64_t count, int64_t size);
// Prints the out-of-memory line for the current file and returns -5.
int32_t lwoNoMemory(void);

// Layers (lwoparselayr.cpp): the layer the load asks for, the choice that
// leaves only its chunks and the whole file's in the loaded bytes, and its LAYR.
extern int32_t lwoLayerWanted;
int32_t lwoSelectLayer(void);
int32_t lwoParseLayer(void);

// Chunk walk (lwoparse.cpp).
int32_t LwoParse(void);
int32_t LwoParseGetPolyTexCount(void);
void LwoOrderChunks(uint32_t first, uint32_t second);

// Chunk handlers; the cursor is at the chunk data and lwoEnd at its end.
int32_t LwoParseVert(void);
void LwoParseBounBox(void);
int32_t LwoParsePoly(void);
void LwoParsePolyGetSurf(void);
int32_t LwoParseSurfCreate(void);
int32_t LwoParseSurf(void);
int32_t LwoParseSurfTexInfo(int32_t surfaceIndex);
int32_t LwoParseTex(void);
int32_t LwoParseVMAP(void);
int32_t LwoParseVMAD(void);
// Rewrites a STIL file name in place the way the clip loader looks it up.
void lwoRewriteStillName(char *name);

// Preparation (lwoinit*.cpp, lwoinituv.cpp).
extern LwoObject *initLwo;
extern int32_t initSurf;
int32_t LwoSurfAllocTriTable(void);
void LwoSurfBuildTriTable(void);
int32_t LwoObjBuildNormals(void);
int32_t LwoMorphAlloc(void);
int32_t LwoSurfBuildUV(void);
int32_t LwoSurfBuildUVMapping(void);
int32_t LwoObjBuildSeams(void);

// Walks one polygon at the cursor: its point count (flag bits masked off)
// and, when `keep`, up to LWO_MAX_POLY_POINTS indices into `points` (the
// passes that only count leave them). 0 when it was read whole. Inline and
// through a local cursor: this runs twice per polygon (pre-scan and fill) and
// is the heart of the load.
template <bool keep>
inline int32_t lwoWalkPolygon(int32_t *points, int32_t *count)
{
  const uint8_t *p = lwoPtr, *end = lwoEnd;
  *count = 0;
  if (p > end || end - p < 2)
    goto cut;
  {
    int32_t n = ((p[0] << 8) | p[1]) & LWO_MAX_POLY_POINTS;
    p += 2;
    if (end - p >= 4 * n) {
      // Room for n indices of the long form: none can run past the end.
      for (int32_t i = 0; i < n; i++) {
        int32_t index = (int32_t)lwoPeekVX(&p);
        if (keep)
          points[i] = index;
      }
    } else {
      for (int32_t i = 0; i < n; i++) {
        if (end - p < 2)
          goto cut;
        if (p[0] == 0xFF && end - p < 4)
          goto cut;
        int32_t index = (int32_t)lwoPeekVX(&p);
        if (keep)
          points[i] = index;
      }
    }
    *count = n;
    lwoPtr = p;
    return 0;
  }
cut:
  lwoOverrun = 1;
  lwoPtr = lwoEnd;
  return -1;
}

inline int32_t lwoReadPolygon(int32_t *points, int32_t *count)
{
  return lwoWalkPolygon<true>(points, count);
}

inline int32_t lwoSkipPolygon(int32_t *count)
{
  return lwoWalkPolygon<false>(nullptr, count);
}
