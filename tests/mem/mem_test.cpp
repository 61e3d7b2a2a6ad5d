// The pool's layout: blocks, records, alignment, zeroing, rewinding and its end.
#include "mem.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const uint8_t *rewind()
{
  MemFreeAll();
  MemInit();
  return MemGetPoolStart();
}

TEST(MemPool, BlocksAreFollowedByTheirRecords)
{
  const uint8_t *pool = rewind();
  uint8_t *a = (uint8_t *)MemAlloc(0);
  EXPECT_EQ(a, pool);  // the first block starts the pool
  uint8_t *b = (uint8_t *)MemAlloc(1);
  EXPECT_EQ(b - a, 16);  // a zero-size block takes only its record
  uint8_t *c = (uint8_t *)MemAlloc(1);
  EXPECT_EQ(c - b, 32);
  uint8_t *d = (uint8_t *)MemAlloc(16);
  EXPECT_EQ(d - c, 32);
  uint8_t *e = (uint8_t *)MemAlloc(17);
  EXPECT_EQ(e - d, 32);
  uint8_t *f = (uint8_t *)MemAlloc(5);
  EXPECT_EQ(f - e, 48);
  EXPECT_EQ((uintptr_t)f % 16, 0u);
  EXPECT_EQ(MemGetUsed(), 0 + 1 + 1 + 16 + 17 + 5);

  // The records form a list in allocation order, each right after its block.
  const MemNode *node = MemGetFirstNode();
  const int32_t sizes[] = {0, 1, 1, 16, 17, 5};
  const uint8_t *blocks[] = {a, b, c, d, e, f};
  const MemNode *previous = nullptr;
  for (int i = 0; i < 6; i++) {
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pool + node->block, blocks[i]);
    EXPECT_EQ(node->size, sizes[i]);
    EXPECT_EQ((const uint8_t *)node, blocks[i] + ((sizes[i] + 15) & ~15));
    EXPECT_EQ(MemGetNode(node->previous), previous);
    previous = node;
    node = MemGetNode(node->next);
  }
  EXPECT_EQ(node, nullptr);
}

TEST(MemPool, BlocksAreZeroAfterARewindAndFreeKeepsContents)
{
  rewind();
  uint8_t *a = (uint8_t *)MemAlloc(64);
  memset(a, 0xAB, 64);
  MemFree(a);  // reclaims nothing: contents stay, space is not reused
  uint8_t *b = (uint8_t *)MemAlloc(64);
  EXPECT_NE(a, b);
  EXPECT_EQ(a[63], 0xAB);
  MemFree(nullptr);

  // A second MemInit with blocks recorded changes nothing.
  MemInit();
  uint8_t *c = (uint8_t *)MemAlloc(8);
  EXPECT_EQ(c - b, 64 + 16);

  // MemFreeAll forgets; MemInit then rewinds, and the reused space is zero again.
  MemFreeAll();
  EXPECT_EQ(MemGetUsed(), 0);
  EXPECT_EQ(MemGetFirstNode(), nullptr);
  uint8_t *d = (uint8_t *)MemAlloc(4);  // without MemInit the position is kept
  EXPECT_EQ(d - c, 16 + 16);
  MemFreeAll();
  MemInit();
  uint8_t *e = (uint8_t *)MemAlloc(64);
  EXPECT_EQ(e, MemGetPoolStart());
  for (int i = 0; i < 64; i++)
    ASSERT_EQ(e[i], 0) << i;
}

TEST(MemPool, NeverHandsOutMemoryBeyondItsEnd)
{
  const uint8_t *pool = rewind();
  EXPECT_EQ(MemAlloc(-1), nullptr);
  EXPECT_EQ(MemAlloc(MEM_POOL_SIZE), nullptr);  // no room left for the record
  EXPECT_EQ(MemAlloc(0x7FFFFFFF), nullptr);
  EXPECT_EQ(MemGetPosition(), 0);                // failures take nothing

  // The largest block that fits leaves exactly room for its record.
  uint8_t *big = (uint8_t *)MemAlloc(MEM_POOL_SIZE - 16);
  ASSERT_EQ(big, pool);
  EXPECT_EQ(MemGetPosition(), MEM_POOL_SIZE);
  EXPECT_EQ(MemAlloc(0), nullptr);

  rewind();
  ASSERT_NE(MemAlloc(MEM_POOL_SIZE - 48), nullptr);
  EXPECT_EQ(MemAlloc(17), nullptr);  // 32 bytes left: the block fits, its record not
  EXPECT_NE(MemAlloc(1), nullptr);   // 16 for the block, 16 for the record
  EXPECT_EQ(MemAlloc(0), nullptr);
  rewind();
}

}  // namespace

namespace {

TEST(MemPool, UninitialisedBlocksAreBookedAlikeAndOthersStillZeroed)
{
  rewind();
  uint8_t *a = (uint8_t *)MemAlloc(100);
  memset(a, 0xAB, 100);
  // Forget the pool: the next blocks fall on the dirty bytes.
  rewind();
  uint8_t *b = (uint8_t *)MemAllocUninit(20);
  ASSERT_EQ(b, a);
  EXPECT_EQ(b[0], 0xAB);  // left as the pool held it
  const MemNode *node = MemGetFirstNode();
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->size, 20);
  EXPECT_EQ(MemGetUsed(), 20);
  uint8_t *c = (uint8_t *)MemAlloc(4);
  EXPECT_EQ(c - b, 48);  // 20 padded to 32, then the record
  EXPECT_EQ(c[0] | c[1] | c[2] | c[3], 0);  // MemAlloc still zero-fills dirty bytes
  EXPECT_EQ(MemAllocUninit(-1), nullptr);
  EXPECT_EQ(MemAllocUninit(MEM_POOL_SIZE), nullptr);
}

}  // namespace

namespace {

// The last block goes back to the pool, and only the last; the check of the
// records finds a byte written past a block, and nothing on a sound pool.
TEST(MemPool, LastBlockGivenBackAndOverrunsFound)
{
  rewind();
  EXPECT_EQ(MemCheck(), 0);  // empty
  uint8_t *a = (uint8_t *)MemAlloc(40);
  uint8_t *b = (uint8_t *)MemAlloc(24);
  EXPECT_EQ(MemFreeLast(a), 0);  // not the last: kept as it is
  EXPECT_EQ(MemFreeLast(nullptr), 0);
  EXPECT_EQ(MemFreeLast(b), 1);
  EXPECT_EQ(MemGetUsed(), 40);
  EXPECT_EQ(MemGetPosition(), 48 + 16);
  EXPECT_EQ(MemCheck(), 0);
  uint8_t *c = (uint8_t *)MemAlloc(8);
  EXPECT_EQ(c, b);  // the space is handed out again, zero-filled
  EXPECT_EQ(c[0], 0);
  EXPECT_EQ(MemFreeLast(c), 1);
  EXPECT_EQ(MemFreeLast(a), 1);  // now the last, and the only one
  EXPECT_EQ(MemGetFirstNode(), nullptr);
  EXPECT_EQ(MemGetPosition(), 0);
  EXPECT_EQ(MemCheck(), 0);

  // A write past the padded end of a block lands on its record.
  rewind();
  uint8_t *d = (uint8_t *)MemAlloc(20);
  MemAlloc(100);
  MemAlloc(3);
  EXPECT_EQ(MemCheck(), 0);
  d[32] ^= 1;  // the first byte of d's record: its block offset
  EXPECT_EQ(MemCheck(), -1);
  d[32] ^= 1;
  d[32 + 12] ^= 0x40;  // its link to a previous record
  EXPECT_EQ(MemCheck(), -1);
  d[32 + 12] ^= 0x40;
  uint8_t *e = d + 32 + 16;  // the second block, behind d's record
  e[112 + 4] = 0x7F;          // its size, in its record behind its 100 bytes
  EXPECT_EQ(MemCheck(), -2);
  rewind();
}

}  // namespace
