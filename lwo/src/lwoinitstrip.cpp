// Triangle strips over the whole object's triangles.
//
// Shared edges are found first; each strip starts at the least connected free
// triangle (the smallest weight: the sum of its edges' use counts when it was
// entered, lowest index on ties) and grows greedily by the first free
// triangle, in index order, that shares the strip's last edge. Winding is not
// looked at.
//
// The edge table grows as needed (a triangle list can have more distinct
// edges than any fixed multiple of its points) and is indexed by a hash of the
// point pair; each edge keeps the triangles that use it, in index order, so
// growing a strip does not scan every triangle.
#include "lwoparse.h"
#include "mem.h"

#include <algorithm>
#include <cstring>

struct StripEdge {
  int32_t a, b;    // points as first entered; the edge is unordered
  int32_t count;   // triangles entered so far that use it
  int32_t first;   // start of its triangles in edgeTris
};

struct StripTriangle {
  int32_t edge[3];  // edges a-b, b-c, c-a
  int32_t weight;
  int32_t used;
};

// Module state, valid during LwoStripCreate only.
static StripEdge *edgeTable;
static int32_t edgeCount, edgeRoom;
static int32_t *edgeHash;          // edge index + 1 per slot, 0 when empty
static uint32_t hashMask;
static StripTriangle *triTable;
static int32_t triCount;
static int32_t *edgeTris;          // triangles of each edge, edge by edge
static int32_t *startOrder;        // triangles by weight, then index
static int32_t startCursor;

static uint32_t hashOf(int32_t a, int32_t b)
{
  uint32_t lo = (uint32_t)std::min(a, b), hi = (uint32_t)std::max(a, b);
  return (lo * 0x9E3779B1u) ^ (hi * 0x85EBCA77u + (hi >> 7));
}

static int32_t rehash(int32_t slots)
{
  int32_t *table = (int32_t *)lwoAlloc(slots, sizeof(int32_t));
  if (!table)
    return -1;
  MemFree(edgeHash);
  edgeHash = table;
  hashMask = (uint32_t)slots - 1;
  for (int32_t e = 0; e < edgeCount; e++) {
    uint32_t h = hashOf(edgeTable[e].a, edgeTable[e].b) & hashMask;
    while (edgeHash[h])
      h = (h + 1) & hashMask;
    edgeHash[h] = e + 1;
  }
  return 0;
}

// Doubles the edge table and its hash; -1 when the pool has no room.
static int32_t growEdges(void)
{
  int32_t room = edgeRoom ? edgeRoom * 2 : 64;
  StripEdge *table = (StripEdge *)lwoAlloc(room, sizeof(StripEdge));
  if (!table)
    return -1;
  if (edgeCount)
    memcpy(table, edgeTable, sizeof(StripEdge) * (size_t)edgeCount);
  MemFree(edgeTable);
  edgeTable = table;
  edgeRoom = room;
  return rehash(room * 2);
}

static int32_t findEdge(int32_t a, int32_t b)
{
  uint32_t h = hashOf(a, b) & hashMask;
  for (; edgeHash[h]; h = (h + 1) & hashMask) {
    const StripEdge *e = &edgeTable[edgeHash[h] - 1];
    if ((e->a == a && e->b == b) || (e->a == b && e->b == a))
      return edgeHash[h] - 1;
  }
  return -1;
}

// The edge {a, b} with one more use; -1 when the table cannot grow.
static int32_t addEdge(int32_t a, int32_t b)
{
  int32_t e = edgeRoom ? findEdge(a, b) : -1;
  if (e < 0) {
    if (edgeCount == edgeRoom && growEdges() != 0)
      return -1;
    e = edgeCount++;
    edgeTable[e] = StripEdge{a, b, 0, 0};
    uint32_t h = hashOf(a, b) & hashMask;
    while (edgeHash[h])
      h = (h + 1) & hashMask;
    edgeHash[h] = e + 1;
  }
  edgeTable[e].count++;
  return e;
}

static void freeTables(void)
{
  MemFree(edgeTable);
  MemFree(edgeHash);
  MemFree(triTable);
  MemFree(edgeTris);
  MemFree(startOrder);
  edgeTable = nullptr;
  edgeHash = nullptr;
  triTable = nullptr;
  edgeTris = nullptr;
  startOrder = nullptr;
  edgeCount = edgeRoom = 0;
  triCount = 0;
}

// Edges and weights of every triangle, each edge's triangles, and the order in
// which free triangles are taken as strip starts. -1 when the pool is full.
static int32_t initTables(const LwoObject *object)
{
  triCount = object->triangleCount;
  triTable = (StripTriangle *)lwoAlloc(triCount, sizeof(StripTriangle));
  startOrder = (int32_t *)lwoAlloc(triCount, sizeof(int32_t));
  edgeTris = (int32_t *)lwoAlloc((int64_t)triCount * 3, sizeof(int32_t));
  if (!triTable || !startOrder || !edgeTris || growEdges() != 0)
    return -1;
  for (int32_t t = 0; t < triCount; t++) {
    const int32_t *v = object->triangles[t].vertex;
    StripTriangle *tri = &triTable[t];
    for (int k = 0; k < 3; k++)
      if ((tri->edge[k] = addEdge(v[k], v[(k + 1) % 3])) < 0)
        return -1;
    tri->weight = edgeTable[tri->edge[0]].count + edgeTable[tri->edge[1]].count +
                  edgeTable[tri->edge[2]].count;
    startOrder[t] = t;
  }
  int32_t offset = 0;
  for (int32_t e = 0; e < edgeCount; e++) {
    edgeTable[e].first = offset;
    offset += edgeTable[e].count;
    edgeTable[e].count = 0;  // counts again as the lists fill
  }
  for (int32_t t = 0; t < triCount; t++)
    for (int k = 0; k < 3; k++) {
      StripEdge *e = &edgeTable[triTable[t].edge[k]];
      edgeTris[e->first + e->count++] = t;
    }
  std::stable_sort(startOrder, startOrder + triCount,
                   [](int32_t x, int32_t y) { return triTable[x].weight < triTable[y].weight; });
  startCursor = 0;
  return 0;
}

// The free triangle of smallest weight (lowest index on ties), marked used;
// -1 when every triangle is used. Weights never change, so the sorted order
// is walked once.
static int32_t findNextStartTriangle(void)
{
  while (startCursor < triCount && triTable[startOrder[startCursor]].used)
    startCursor++;
  if (startCursor == triCount)
    return -1;
  int32_t t = startOrder[startCursor++];
  triTable[t].used = 1;
  return t;
}

static void addStartTriangle(int32_t s, int32_t *out)
{
  const StripEdge *e0 = &edgeTable[triTable[s].edge[0]];
  const StripEdge *e1 = &edgeTable[triTable[s].edge[1]];
  const StripEdge *e2 = &edgeTable[triTable[s].edge[2]];
  out[0] = e0->a;
  out[1] = e0->b;
  int32_t candidates[3] = {e1->a, e1->b, e2->a};
  out[2] = e2->b;
  for (int32_t c : candidates)
    if (c != out[0] && c != out[1]) {
      out[2] = c;
      break;
    }
}

// The first free triangle in index order with the edge {p, q}, marked used,
// and its third point; -1 when there is none. A triangle whose points are all
// p or q adds q again (a degenerate step) rather than an invalid index.
static int32_t getNextTriangle(int32_t p, int32_t q, int32_t *point)
{
  int32_t e = findEdge(p, q);
  if (e < 0)
    return -1;
  const StripEdge *edge = &edgeTable[e];
  for (int32_t i = 0; i < edge->count; i++) {
    int32_t t = edgeTris[edge->first + i];
    if (triTable[t].used)
      continue;
    triTable[t].used = 1;
    int k = triTable[t].edge[0] == e ? 0 : triTable[t].edge[1] == e ? 1 : 2;
    *point = q;
    for (int j = 0; j < 3; j++) {
      if (j == k)
        continue;
      const StripEdge *other = &edgeTable[triTable[t].edge[j]];
      if (other->a != p && other->a != q) { *point = other->a; break; }
      if (other->b != p && other->b != q) { *point = other->b; break; }
    }
    return t;
  }
  return -1;
}

// Grows one strip from triangle s in `scratch` (room for every triangle plus
// two) and stores it with its length; -1 when the pool is full.
static int32_t addStrip(LwoObject *object, int32_t s, int32_t *scratch)
{
  addStartTriangle(s, scratch);
  int32_t length = 3, point;
  while (getNextTriangle(scratch[length - 2], scratch[length - 1], &point) >= 0)
    scratch[length++] = point;
  LwoStrip *strip = (LwoStrip *)lwoAlloc(1, sizeof(LwoStrip));
  int32_t *vertices = (int32_t *)lwoAlloc(length, sizeof(int32_t));
  if (!strip || !vertices)
    return -1;
  memcpy(vertices, scratch, sizeof(int32_t) * (size_t)length);
  strip->length = length;
  strip->vertices = vertices;
  object->strips[object->stripCount++] = strip;
  return 0;
}

void LwoStripCreate(LwoObject *object)
{
  if (!object || object->triangleCount < 0 || (object->triangleCount > 0 && !object->triangles))
    return;
  object->stripCount = 0;
  object->strips = (LwoStrip **)lwoAlloc(object->triangleCount, sizeof(LwoStrip *));
  int32_t *scratch = (int32_t *)lwoAlloc((int64_t)object->triangleCount + 2, sizeof(int32_t));
  if (object->strips && scratch && initTables(object) == 0) {
    for (int32_t s = findNextStartTriangle(); s >= 0; s = findNextStartTriangle())
      if (addStrip(object, s, scratch) != 0)
        break;
  }
  MemFree(scratch);
  freeTables();
}

void LwoStripRelease(LwoObject *object)
{
  if (!object)
    return;
  while (object->strips && object->stripCount > 0) {
    LwoStrip *strip = object->strips[--object->stripCount];
    if (strip)
      MemFree(strip->vertices);
    MemFree(strip);
  }
  object->stripCount = 0;
  MemFree(object->strips);
  object->strips = nullptr;
}
