// Packed streams, the writer: counts the bytes, builds the code tree with
// fixed tie rules, and writes the stream. The tie rules decide the codes, so
// one input always packs to the same bytes. The layout is in filepack.h.
#include "filepack.h"
#include "mem.h"

#include <cstring>

namespace {

// One node of the writer's code tree. Leaves are nodes 0..255 (by value),
// merged nodes follow them. Indices instead of addresses; -1 is "none".
struct PackNode {
  uint32_t weight;  // occurrences (leaf) or the sum of the children
  uint8_t value;
  int16_t parent;
  int16_t child0;   // reached by a 0 bit
  int16_t child1;   // reached by a 1 bit
  uint32_t length;  // code length L
  uint32_t code;
};

}  // namespace

// Writer state, owned by FilePack and rebuilt on every call.
static PackNode packNodes[512];
static int16_t nodeTable[256];  // working order: leaves, then merged nodes
static int32_t nodeTableCount;  // distinct byte values in the input

uint32_t computeChecksum(const void *data, int32_t size)
{
  const uint8_t *bytes = (const uint8_t *)data;
  uint32_t sum = 0;
  for (int32_t i = 0; bytes && i < size; i++)
    sum += bytes[i];
  return sum;
}

// Leaves by decreasing weight; equal weights keep increasing order of value.
// An insertion sort gives the same order as the stable exchange sort that
// defines it.
static void sortLeaves(void)
{
  for (int i = 0; i < 256; i++)
    nodeTable[i] = (int16_t)i;
  for (int i = 1; i < 256; i++) {
    int16_t node = nodeTable[i];
    int j = i;
    while (j > 0 && packNodes[nodeTable[j - 1]].weight < packNodes[node].weight) {
      nodeTable[j] = nodeTable[j - 1];
      j--;
    }
    nodeTable[j] = node;
  }
}

// Merges the two lightest nodes until one is left. The merged node moves
// towards the front past every strictly lighter node and stops behind nodes
// of equal weight.
static void buildTree(void)
{
  int n = nodeTableCount;
  int16_t next = 256;
  while (n > 1) {
    int16_t x = nodeTable[n - 2];
    int16_t y = nodeTable[n - 1];
    PackNode *node = &packNodes[next];
    node->weight = packNodes[x].weight + packNodes[y].weight;
    node->parent = -1;
    node->child0 = x;
    node->child1 = y;
    packNodes[x].parent = next;
    packNodes[y].parent = next;
    nodeTable[n - 2] = next;
    n--;
    for (int i = n - 1; i > 0 && packNodes[nodeTable[i - 1]].weight < node->weight; i--) {
      int16_t swap = nodeTable[i - 1];
      nodeTable[i - 1] = nodeTable[i];
      nodeTable[i] = swap;
    }
    next++;
  }
}

// Codes from each leaf up to the root: the step at the leaf gives bit 0.
// Returns the largest length, or 0 when a code would not fit in 32 bits.
static uint32_t assignCodes(void)
{
  uint32_t widest = 0;
  for (int value = 0; value < 256; value++) {
    uint32_t length = 0;
    uint32_t code = 0;
    for (int node = value; packNodes[node].parent >= 0; node = packNodes[node].parent) {
      if (length == PACK_MAX_CODE_LENGTH)
        return 0;
      if (packNodes[packNodes[node].parent].child1 == node)
        code |= 1u << length;
      length++;
    }
    packNodes[value].length = length;
    packNodes[value].code = code;
    if (length > widest)
      widest = length;
  }
  // NOTE: a single byte value repeated has no merge and so no code; it gets
  // the 1-bit code 0, which the reader's tree holds like any other.
  if (nodeTableCount == 1) {
    packNodes[nodeTable[0]].length = 1;
    widest = 1;
  }
  return widest;
}

// The stream's length in bits, final 8 zero bits included.
static uint64_t streamBits(uint32_t width)
{
  uint64_t bits = PACK_HEADER_SIZE * 8;
  for (int value = 0; value < 256; value++) {
    const PackNode *leaf = &packNodes[value];
    if (leaf->length)
      bits += width + leaf->length + (uint64_t)leaf->weight * leaf->length;
  }
  return bits + 8;
}

namespace {

// Appends bits most significant first into a zero-filled block known to be
// large enough.
struct BitWriter {
  uint8_t *out;
  uint64_t accumulator;
  int bits;
};

}  // namespace

static void writeBits(BitWriter *writer, uint32_t value, uint32_t count)
{
  if (count == 0)
    return;
  uint64_t mask = count >= 32 ? 0xFFFFFFFFull : ((1ull << count) - 1);
  writer->accumulator = (writer->accumulator << count) | (value & mask);
  writer->bits += (int)count;
  while (writer->bits >= 8) {
    writer->bits -= 8;
    *writer->out++ = (uint8_t)(writer->accumulator >> writer->bits);
  }
}

static void writeStream(uint8_t *block, const uint8_t *data, int32_t size, uint32_t width)
{
  BitWriter writer = {block, 0, 0};
  const uint8_t signature[4] = {'P', 'A', 'K', '1'};
  for (uint8_t byte : signature)
    writeBits(&writer, byte, 8);
  writeBits(&writer, computeChecksum(data, size), 32);
  writeBits(&writer, (uint32_t)size, 32);
  for (int value = 0; value < 256; value++)
    writeBits(&writer, packNodes[value].length ? 1 : 0, 1);
  writeBits(&writer, width, 8);
  for (int value = 0; value < 256; value++) {
    if (packNodes[value].length) {
      writeBits(&writer, packNodes[value].length, width);
      writeBits(&writer, packNodes[value].code, packNodes[value].length);
    }
  }
  for (int32_t i = 0; i < size; i++)
    writeBits(&writer, packNodes[data[i]].code, packNodes[data[i]].length);
  writeBits(&writer, 0, 8);
  // The rest of the final zero bits would fall in the byte the stream drops.
}

static void countBytes(const uint8_t *data, int32_t size)
{
  memset(packNodes, 0, sizeof packNodes);
  for (int i = 0; i < 512; i++) {
    packNodes[i].value = (uint8_t)i;
    packNodes[i].parent = packNodes[i].child0 = packNodes[i].child1 = -1;
  }
  for (int32_t i = 0; i < size; i++)
    packNodes[data[i]].weight++;
  nodeTableCount = 0;
  for (int value = 0; value < 256; value++)
    nodeTableCount += packNodes[value].weight > 0;
}

int32_t FilePack(const void *data, int32_t size, void **packed, int32_t *packedSize)
{
  if (!packed || !packedSize || (!data && size > 0))
    return PACK_ERR_NULL;
  *packed = nullptr;
  *packedSize = 0;
  if (size < PACK_HEADER_SIZE)
    return PACK_ERR_FAILED;  // the header alone would not fit
  const uint8_t *bytes = (const uint8_t *)data;
  countBytes(bytes, size);
  sortLeaves();
  buildTree();
  uint32_t width = assignCodes();
  if (width == 0)
    return PACK_ERR_FAILED;  // a code longer than 32 bits
  // The stream fits when the byte holding its last bit lies inside a block
  // as large as the input.
  uint64_t bits = streamBits(width);
  if ((bits - 1) / 8 >= (uint64_t)size)
    return PACK_ERR_FAILED;
  uint8_t *block = (uint8_t *)MemAlloc(size);
  if (!block)
    return PACK_ERR_NO_MEMORY;
  writeStream(block, bytes, size, width);
  *packed = block;
  *packedSize = (int32_t)(bits / 8);
  return PACK_OK;
}
