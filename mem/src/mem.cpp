// The memory pool.
//
// Layout of one allocation: the block, its size padded up to a multiple of 16,
// then its 16-byte MemNode; the next allocation starts right after the record.
//
//   | block (size, padded to 16) | MemNode | block | MemNode | ... free ...
#include "mem.h"

#include <cstring>

// Module state: written only by the operations below.
alignas(16) static uint8_t memPool[MEM_POOL_SIZE];
static uint32_t memPointer;            // offset of the next free byte
static int32_t memUsed;                // requested bytes since the last initialisation
static uint32_t tree = MEM_NONE;       // head of the allocation list
static uint32_t lastUsed = MEM_NONE;   // tail of the allocation list
static int32_t last;                   // 1 once a record has been appended
static int initialised;                // MemInit has run at least once
static uint32_t generation;            // counts the times the pool was forgotten

static MemNode *nodeAt(uint32_t offset)
{
  return reinterpret_cast<MemNode *>(memPool + offset);
}

void MemInit(void)
{
  if (tree != MEM_NONE)
    return;
  tree = MEM_NONE;
  lastUsed = MEM_NONE;
  last = 0;
  memUsed = 0;
  memPointer = 0;
  initialised = 1;
}

static uint32_t padded16(int32_t size)
{
  return ((uint32_t)size + 15u) & ~15u;
}

// Books a block of `size` bytes and its record; the block's bytes are left as
// they are.
static void *allocate(int32_t size)
{
  if (!initialised || size < 0)
    return nullptr;
  // NOTE: the pool ends at 16 MiB, so padded sizes and offsets fit in 32 bits.
  uint32_t padded = padded16(size);
  uint32_t room = MEM_POOL_SIZE - memPointer;
  if (padded > room || room - padded < sizeof(MemNode))
    return nullptr;

  uint32_t block = memPointer;
  memPointer += padded;

  uint32_t record = memPointer;
  MemNode *node = nodeAt(record);
  node->block = block;
  node->size = size;
  node->next = MEM_NONE;
  node->previous = MEM_NONE;
  memPointer += sizeof(MemNode);

  if (tree == MEM_NONE) {
    tree = record;
  } else {
    nodeAt(lastUsed)->next = record;
    node->previous = lastUsed;
  }
  memUsed += size;
  last = 1;
  lastUsed = record;
  return memPool + block;
}

void *MemAlloc(int32_t size)
{
  void *block = allocate(size);
  if (block)
    memset(block, 0, (size_t)size);
  return block;
}

void *MemAllocUninit(int32_t size)
{
  return allocate(size);
}

void MemFree(void *block)
{
  (void)block;  // the pool reclaims nothing
}

int32_t MemFreeLast(void *block)
{
  if (!block || lastUsed == MEM_NONE)
    return 0;
  MemNode *node = nodeAt(lastUsed);
  if (memPool + node->block != block)
    return 0;
  uint32_t previous = node->previous;
  memUsed -= node->size;
  memPointer = node->block;
  lastUsed = previous;
  if (previous == MEM_NONE) {
    tree = MEM_NONE;
    last = 0;
  } else {
    nodeAt(previous)->next = MEM_NONE;
  }
  return 1;
}

void MemFreeAll(void)
{
  generation++;
  tree = MEM_NONE;
  lastUsed = MEM_NONE;
  last = 0;
  memUsed = 0;
}

int32_t MemGetUsed(void)
{
  return memUsed;
}

int32_t MemGetPosition(void)
{
  return (int32_t)memPointer;
}

const uint8_t *MemGetPoolStart(void)
{
  return memPool;
}

const MemNode *MemGetFirstNode(void)
{
  return MemGetNode(tree);
}

const MemNode *MemGetNode(uint32_t offset)
{
  if (offset == MEM_NONE || offset > MEM_POOL_SIZE - sizeof(MemNode))
    return nullptr;
  return nodeAt(offset);
}

// One record at `offset`, reached from `previous`: where the layout puts it.
static bool recordFits(uint32_t offset, uint32_t previous, uint32_t earliest)
{
  if (offset > MEM_POOL_SIZE - sizeof(MemNode) || offset < earliest)
    return false;
  const MemNode *node = nodeAt(offset);
  return node->size >= 0 && node->block % 16 == 0 && node->block >= earliest &&
         node->block <= offset && padded16(node->size) == offset - node->block &&
         node->previous == previous;
}

int32_t MemCheck(void)
{
  int64_t sum = 0;
  int32_t index = 0;
  uint32_t previous = MEM_NONE, earliest = 0;
  for (uint32_t at = tree; at != MEM_NONE; index++) {
    // The first block may start anywhere before its record (the pool is
    // not rewound after MemFreeAll); each later one right behind the last.
    if (!recordFits(at, previous, earliest))
      return -1 - index;
    const MemNode *node = nodeAt(at);
    if (previous != MEM_NONE && node->block != earliest)
      return -1 - index;
    sum += node->size;
    previous = at;
    earliest = at + (uint32_t)sizeof(MemNode);
    at = node->next;
  }
  if (previous != lastUsed || sum != memUsed ||
      (previous != MEM_NONE && earliest != memPointer))
    return -1 - index;
  return 0;
}

uint32_t MemGetGeneration(void)
{
  return generation;
}
