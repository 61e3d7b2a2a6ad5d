// LAYR: the layers of an object, and the choice of the one to load.
//
//   LAYR: number (U2), flags (U2), pivot (three F4), name (S0), then the
//         number of the parent layer (U2) when the chunk goes on
//
// A file holds its layers one after another: a LAYR chunk, then the chunks of
// that layer (points, bounds, vertex maps, polygons, polygon tags) up to the
// next LAYR. Chunks before the first LAYR belong to the first layer; TAGS,
// CLIP, SURF and the rest belong to the whole file. The reader loads one
// layer: lwoSelectLayer keeps, in the loaded bytes, the whole file's chunks
// and that layer's, so everything after it reads a file of one layer.
#include "lwoparse.h"
#include "console.h"

#include <cstring>

enum { LAYR_HEADER_SIZE = 16 };  // number, flags and pivot; name and parent follow

// The layer this load asks for: a LAYR number, or LWO_LAYER_FIRST.
int32_t lwoLayerWanted = LWO_LAYER_FIRST;

static uint32_t peekU4(const uint8_t *p)
{
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

static uint32_t peekU2(const uint8_t *p)
{
  return (uint32_t)p[0] << 8 | p[1];
}

// Chunks that belong to the layer before them.
static int isLayerChunk(uint32_t id)
{
  switch (id) {
  case ID_PNTS: case ID_BBOX: case ID_POLS: case ID_PTAG: case ID_VMAP: case ID_VMAD:
  case LWO_ID('V', 'M', 'P', 'A'):
    return 1;
  default:
    return 0;
  }
}

// Reads a LAYR chunk's data. A chunk too short for its number, flags and
// pivot gives what it holds, zeros for the rest, and -1.
static int32_t readLayer(const uint8_t *data, uint32_t size, LwoLayerInfo *layer)
{
  memset(layer, 0, sizeof *layer);
  layer->parent = -1;
  uint8_t header[LAYR_HEADER_SIZE] = {0};
  memcpy(header, data, size < (uint32_t)LAYR_HEADER_SIZE ? size : (uint32_t)LAYR_HEADER_SIZE);
  layer->number = (int32_t)peekU2(header);
  layer->flags = (int32_t)peekU2(header + 2);
  for (int i = 0; i < 3; i++) {
    uint32_t bits = peekU4(header + 4 + 4 * i);
    memcpy(&layer->pivot[i], &bits, sizeof bits);
  }
  if (size < LAYR_HEADER_SIZE)
    return -1;
  uint32_t at = LAYR_HEADER_SIZE, length = 0;
  while (at + length < size && data[at + length])
    length++;
  uint32_t kept = length < LWO_NAME_SIZE - 1 ? length : LWO_NAME_SIZE - 1;
  memcpy(layer->name, data + at, kept);
  layer->name[kept] = 0;
  at += length + 1;
  at += (length + 1) & 1;  // the pad byte of a name of odd length with its zero
  // NOTE: 0xFFFF is what some writers put for "no parent".
  if (at + 2 <= size && peekU2(data + at) != 0xFFFF)
    layer->parent = (int32_t)peekU2(data + at);
  return 0;
}

// Calls visit(id, header, size) for every whole chunk of the file's bytes.
template <typename Visit>
static void eachChunk(const uint8_t *data, size_t size, Visit visit)
{
  size_t at = 12;  // FORM, the form size, the form type
  while (size >= 8 && at <= size - 8) {
    uint32_t chunkSize = peekU4(data + at + 4);
    if (chunkSize > size - at - 8)
      break;
    visit(peekU4(data + at), data + at, chunkSize);
    at += 8 + (size_t)chunkSize;
  }
}

int32_t LwoListLayers(const void *data, int32_t size, LwoLayerInfo *layers, int32_t max)
{
  if (!data || size < 0 || (!layers && max > 0))
    return LWO_ERR_NULL;
  int32_t count = 0;
  eachChunk((const uint8_t *)data, (size_t)size, [&](uint32_t id, const uint8_t *header, uint32_t length) {
    if (id != ID_LAYR)
      return;
    LwoLayerInfo layer;
    readLayer(header + 8, length, &layer);
    if (count < max)
      layers[count] = layer;
    count++;
  });
  return count;
}

// Which LAYR chunk (0 for the first) holds the layer asked for; -1 when none does.
static int32_t findLayer(const uint8_t *data, size_t size, int32_t *layerCount)
{
  int32_t found = -1, index = 0;
  eachChunk(data, size, [&](uint32_t id, const uint8_t *header, uint32_t length) {
    if (id != ID_LAYR)
      return;
    LwoLayerInfo layer;
    readLayer(header + 8, length, &layer);
    if (found < 0 && (lwoLayerWanted == LWO_LAYER_FIRST || layer.number == lwoLayerWanted))
      found = index;
    index++;
  });
  *layerCount = index;
  return found;
}

// Moves the chunks that are kept to the front of the loaded bytes, in their
// order; what follows the last whole chunk stays behind them.
static void keepLayer(int32_t wanted)
{
  uint8_t *data = (uint8_t *)lwoFile->data;
  size_t size = (size_t)lwoFile->size, to = 12, end = 12;
  int32_t layer = 0, seen = 0;
  eachChunk(data, size, [&](uint32_t id, const uint8_t *header, uint32_t length) {
    size_t at = (size_t)(header - data), total = 8 + (size_t)length;
    if (id == ID_LAYR)
      layer = seen++;
    end = at + total;
    if ((id == ID_LAYR || isLayerChunk(id)) && layer != wanted)
      return;
    memmove(data + to, data + at, total);
    to += total;
  });
  memmove(data + to, data + end, size - end);
  lwoFile->size = (int32_t)(to + size - end);
}

int32_t lwoSelectLayer(void)
{
  const uint8_t *data = (const uint8_t *)lwoFile->data;
  size_t size = (size_t)lwoFile->size;
  int32_t layers = 0;
  int32_t wanted = findLayer(data, size, &layers);
  // A file of one layer is that layer whatever its number: files that name
  // their only layer otherwise than the scene does still load.
  if (wanted < 0 && layers <= 1)
    wanted = 0;
  if (wanted < 0) {
    ConsoleAdd(LWO_MSG_LAYERS, lwoFile->name, (int)lwoLayerWanted, (int)LWO_ERR_LAYERS);
    return LWO_ERR_LAYERS;
  }
  if (layers > 1) {
    keepLayer(wanted);
    lwoEnd = data + lwoFile->size;  // the walk goes on in the bytes that are left
  }
  return 0;
}

// The LAYR chunk of the layer loaded: its number, name, parent and pivot. A
// chunk cut short still names the layer; what it lacks reads as 0.
int32_t lwoParseLayer(void)
{
  LwoLayerInfo layer;
  if (readLayer(lwoPtr, lwoLeft(), &layer) != 0)
    ConsoleAdd(LWO_MSG_LAYR_CUT, lwoFile->name, (int)lwoLeft());
  lwoCurr->layer = layer.number;
  lwoCurr->layerParent = layer.parent;
  memcpy(lwoCurr->layerPivot, layer.pivot, sizeof layer.pivot);
  memcpy(lwoCurr->layerName, layer.name, sizeof layer.name);
  return 0;
}
