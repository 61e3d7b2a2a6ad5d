// The memory pool: one static 16 MiB area handed out front to back.
//
// Every block is zero-filled over its requested size (except those asked for
// with MemAllocUninit) and aligned on 16 bytes.
// Blocks are never given back one at a time (MemFree does nothing); the pool
// can only be forgotten as a whole (MemFreeAll) and rewound by MemInit.
#pragma once
#include <cstdint>

enum { MEM_POOL_SIZE = 16 * 1024 * 1024 };

// The allocation record that follows every block in the pool: four 32-bit
// words. The pool is addressed by 32-bit offsets from its start, so a record
// is 16 bytes whatever the size of a host pointer; MEM_NONE marks "no record".
struct MemNode {
  uint32_t block;     // offset of the block
  int32_t size;       // size requested
  uint32_t next;      // offset of the next record in allocation order, or MEM_NONE
  uint32_t previous;  // offset of the previous record, or MEM_NONE
};
enum : uint32_t { MEM_NONE = 0xFFFFFFFFu };

// The pool bytes a block of `size` takes: its size padded to 16, then its record.
constexpr int64_t MemFootprint(int64_t size)
{
  return ((size + 15) & ~(int64_t)15) + (int64_t)sizeof(MemNode);
}

void MemInit(void);
// A zero-filled block of `size` bytes, or null when the block and its record
// do not fit in what is left of the pool or when `size` is negative.
void *MemAlloc(int32_t size);
// The same block, booked the same way, but not zero-filled: its bytes are
// whatever the pool held. Only for a block that the caller then writes whole
// (a file read into it, a copy), where zero-filling would be wasted work.
void *MemAllocUninit(int32_t size);
void MemFree(void *block);
// Gives back `block` when it is the most recent allocation (a temporary
// table taken and released before anything else is allocated): the pool
// rewinds to its start. Any other block is left as MemFree leaves it.
// Returns 1 when the block was given back, 0 otherwise.
int32_t MemFreeLast(void *block);
void MemFreeAll(void);

// Books of the pool, for tests and diagnostics.
int32_t MemGetUsed(void);          // sum of requested sizes since the last initialisation
int32_t MemGetPosition(void);      // offset of the next free byte
const uint8_t *MemGetPoolStart(void);
const MemNode *MemGetFirstNode(void);            // head of the allocation list, or null
const MemNode *MemGetNode(uint32_t offset);      // the record at a pool offset, or null for MEM_NONE
// Changes every time MemFreeAll forgets the pool: a module that keeps a block
// across calls compares it to know whether its block may have been handed out again.
uint32_t MemGetGeneration(void);
// Walks the allocation list and checks every record against the layout the
// pool writes: each record right behind its block, each block right behind
// the record before, the list linked both ways and ending at the position,
// the sizes adding up to the books. 0 when all hold; otherwise -1 - the
// index of the first bad record. A write past the end of a block lands on
// the record behind it first, so this finds overruns inside the pool that
// no sanitizer sees.
int32_t MemCheck(void);
