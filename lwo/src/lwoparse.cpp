// The LWO2 chunk walk.
//
//   FORM <U4 form size, ignored> LWO2
//   then chunks: ID (4 ASCII bytes), size (U4), exactly `size` bytes of data
//
// No pad byte follows odd-sized chunks. The walk trusts no size: a chunk that
// runs past the end of the file ends the load, bytes after the last whole
// chunk header are left unread, and each handler is confined to its chunk.
#include "lwoparse.h"
#include "console.h"
#include "mem.h"

#include <cstdio>
#include <cstring>

static const uint8_t *fileStart(void)
{
  return (const uint8_t *)lwoFile->data;
}

static const uint8_t *fileEnd(void)
{
  return fileStart() + lwoFile->size;
}

// Walks the chunks from the cursor to the end of the file and calls
// `visit(id, header, size)` for each whole one; stops at the first chunk that
// does not fit. Leaves the cursor where it was. Returns 0 when the chunks end
// with the file, -1 when one runs past it.
template <typename Visit>
static int32_t walkChunks(Visit visit)
{
  const uint8_t *saved = lwoPtr;
  int32_t result = 0;
  while (lwoLeft() >= 8) {
    const uint8_t *header = lwoPtr;
    uint32_t id = LwoGetUINT32();
    uint32_t size = LwoGetUINT32();
    if (size > lwoLeft()) {
      result = -1;
      break;
    }
    visit(id, header, size);
    lwoPtr += size;
  }
  lwoPtr = saved;
  return result;
}

static int32_t reportCut(void)
{
  ConsoleAdd(LWO_MSG_CUT, lwoFile->name);
  return LWO_ERR_FAILED;
}

// Pre-scan: the CLIP chunks are counted, and the FACE polygons of the last
// POLS chunk, so both arrays exist before the chunk loop fills them. The
// chunk's triangle count is kept for its handler (lwoScanPols).
int32_t LwoParseGetPolyTexCount(void)
{
  if (!lwoCurr || !lwoFile)
    return LWO_ERR_NULL;
  const uint8_t *lastPols = nullptr;
  uint32_t lastSize = 0;
  int32_t clips = 0;
  walkChunks([&](uint32_t id, const uint8_t *header, uint32_t size) {
    if (id == ID_CLIP)
      clips++;
    if (id == ID_POLS) {
      lastPols = header + 8;
      lastSize = size;
    }
  });
  lwoCurr->clipCount = clips;
  lwoCurr->polygonCount = 0;
  lwoScanPols.data = nullptr;
  if (!lastPols)
    return 0;

  const uint8_t *saved = lwoPtr;
  lwoPtr = lastPols;
  const uint8_t *outer = lwoEnter(lastSize);
  if (LwoGetUINT32() == ID_FACE) {
    int32_t count;
    lwoScanPols.triangles = 0;
    while (lwoLeft() > 0 && lwoSkipPolygon(&count) == 0) {
      lwoCurr->polygonCount++;
      lwoScanPols.triangles += count >= 3 ? count - 2 : count > 0 ? 1 : 0;
    }
    lwoScanPols.data = lastPols;
  }
  lwoLeave(outer);
  lwoPtr = saved;
  return 0;
}

// The order the chunk loop reads the chunks in: [second][middle][first] is
// read as [first][middle][second]. The bytes stay where they are; the loop
// visits the pieces in the new order. Moving them (reversing the span and
// each piece) went over every byte of the span twice, a twentieth of the
// load. Set by LwoOrderChunks, read by chunkLoop.
static struct {
  const uint8_t *second, *middle, *first, *end;  // null `second`: file order
} chunkOrder;

void LwoOrderChunks(uint32_t first, uint32_t second)
{
  const uint8_t *firstAt = nullptr, *secondAt = nullptr;
  uint32_t firstLength = 0, secondLength = 0;
  walkChunks([&](uint32_t id, const uint8_t *header, uint32_t size) {
    if (id == first) {
      firstAt = header;
      firstLength = size + 8;
    }
    if (id == second) {
      secondAt = header;
      secondLength = size + 8;
    }
  });
  chunkOrder.second = nullptr;
  if (!firstAt || !secondAt || secondAt >= firstAt)
    return;
  chunkOrder.second = secondAt;
  chunkOrder.middle = secondAt + secondLength;
  chunkOrder.first = firstAt;
  chunkOrder.end = firstAt + firstLength;
}

// One console line for everything the file held that could not be used.
static void reportIgnored(void)
{
  const LwoIgnored &ig = lwoIgnored;
  char line[CONSOLE_LINE_SIZE] = "";
  size_t used = 0;
  auto add = [&](int32_t count, const char *what) {
    if (count > 0 && used < sizeof line)
      used += (size_t)snprintf(line + used, sizeof line - used, "%s%d %s", used ? ", " : "",
                               count, what);
  };
  add(ig.pointRefs, "bad point indices");
  add(ig.polygonRefs, "bad polygon indices");
  add(ig.clipRefs, "bad clip indices");
  add(ig.surfaceNames, "unknown surfaces");
  add(ig.uvMapNames, "unknown UV maps");
  add(ig.extraMaps, "vertex maps over the limits");
  add(ig.extraPoints, "extra PNTS");
  add(ig.trailingBytes, "trailing bytes");
  add(ig.earlyMaps, "vertex maps before the points");
  if (used)
    ConsoleAdd(LWO_MSG_IGNORED, lwoFile->name, line);
}

static int32_t dispatchChunk(void)
{
  switch (chunkID) {
  case ID_PNTS: return LwoParseVert();
  case ID_BBOX: LwoParseBounBox(); return 0;
  case ID_TAGS: return LwoParseSurfCreate();
  case ID_PTAG: LwoParsePolyGetSurf(); return 0;
  case ID_POLS: return LwoParsePoly();
  case ID_SURF: return LwoParseSurf();
  case ID_CLIP: return LwoParseTex();
  case ID_VMAP: return LwoParseVMAP();
  case ID_VMAD: return LwoParseVMAD();
  case ID_LAYR: return lwoParseLayer();  // the one left by lwoSelectLayer
  default: return 0;  // skipped by its size
  }
}

// Reads the chunks of [from, to); only the file's last piece may end in
// bytes too few for a chunk header.
static int32_t readChunks(const uint8_t *from, const uint8_t *to)
{
  lwoPtr = from;
  lwoEnd = to;
  while (lwoLeft() > 0) {
    if (lwoLeft() < 8) {
      lwoIgnored.trailingBytes += (int32_t)lwoLeft();
      break;
    }
    chunkID = LwoGetUINT32();
    chunkSize = LwoGetUINT32();
    if (chunkSize > lwoLeft())
      return reportCut();
    const uint8_t *outer = lwoEnter(chunkSize);
    lwoOverrun = 0;
    int32_t result = dispatchChunk();
    lwoLeave(outer);
    if (result != 0)
      return result;
  }
  return 0;
}

// The chunks from the cursor to the end of the file, in the order
// LwoOrderChunks chose. The pieces begin and end on chunk boundaries.
static int32_t chunkLoop(void)
{
  const uint8_t *end = lwoEnd;
  if (!chunkOrder.second)
    return readChunks(lwoPtr, end);
  const uint8_t *pieces[5][2] = {{lwoPtr, chunkOrder.second},
                                 {chunkOrder.first, chunkOrder.end},
                                 {chunkOrder.middle, chunkOrder.first},
                                 {chunkOrder.second, chunkOrder.middle},
                                 {chunkOrder.end, end}};
  for (const auto &piece : pieces) {
    int32_t result = readChunks(piece[0], piece[1]);
    if (result != 0)
      return result;
  }
  lwoEnd = end;
  return 0;
}

int32_t LwoParse(void)
{
  if (!LwoGetCurrent() || !LwoGetCurrentFile())
    return LWO_ERR_NULL;
  memset(&lwoIgnored, 0, sizeof lwoIgnored);
  lwoOverrun = 0;
  lwoPtr = fileStart();
  lwoEnd = fileEnd();
  lwoPtr += lwoLeft() < 8 ? lwoLeft() : 8;  // FORM and the form size
  if (LwoGetUINT32() != ID_LWO2) {
    ConsoleAdd(LWO_MSG_NOT_LWO2, lwoFile->name);
    return LWO_ERR_NOT_LWO2;
  }
  // A chunk that cannot be read whole ends the load before anything is made.
  if (walkChunks([](uint32_t, const uint8_t *, uint32_t) {}) != 0)
    return reportCut();
  // From here on the bytes hold one layer: the one asked for.
  int32_t layered = lwoSelectLayer();
  if (layered != 0)
    return layered;
  // The reordering moves no bytes, and the last POLS in file order is also
  // the last one read, so the pre-scan notes the chunk its handler will read.
  LwoOrderChunks(ID_PTAG, ID_POLS);
  LwoParseGetPolyTexCount();
  if (lwoCurr->polygonCount <= 0) {
    ConsoleAdd(LWO_MSG_NO_FACE, lwoFile->name);
    return LWO_ERR_NO_FACE;
  }
  lwoCurr->polygons = (LwoPolygon *)lwoAlloc(lwoCurr->polygonCount, sizeof(LwoPolygon));
  lwoCurr->clips = (TexEntry *)lwoAlloc(lwoCurr->clipCount, sizeof(TexEntry));
  if (!lwoCurr->polygons || !lwoCurr->clips)
    return lwoNoMemory();
  int32_t result = chunkLoop();
  if (result == 0)
    reportIgnored();
  return result;
}
