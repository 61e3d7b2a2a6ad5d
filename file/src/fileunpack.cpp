// Packed streams, the reader: enters the stream's code table into lookup
// tables on the next few bits and decodes the data through them, keeping a
// code tree only for the few codes that are longer. Large members are read
// by several readers in step, each from its own piece of the stream. The
// layout is in filepack.h. Every read is checked against the stream's length, and a table
// that is not a prefix code or data that leads nowhere stops the decoding.
#include "filepack.h"

#include <cstring>
#include <new>

namespace {

// One node of the reader's code tree; -1 is "no child".
struct UnpackNode {
  int32_t child[2];
  int32_t leaf;  // 1 for a leaf
  uint8_t value;
};

// Reads header fields bit by bit; a read past the end gives 0 and sets `failed`.
struct BitReader {
  const uint8_t *data;
  uint64_t sizeBits;
  uint64_t position;
  int failed;
};

}  // namespace

enum {
  TABLE_BITS = 12,
  // Pair steps per refill: a refill leaves at least 56 bits in the word,
  // each step takes at most TABLE_BITS of them, and TABLE_BITS must be left
  // for the first lookup after the next refill.
  FAST_STEPS = (56 - TABLE_BITS) / TABLE_BITS,
  PAIR_MIN_SIZE = 4096,
  // Only codes longer than TABLE_BITS have nodes: each adds at most a tree
  // root and one node per bit past the table, far fewer than this.
  MAX_NODES = 1 + 256 * PACK_MAX_CODE_LENGTH,
  // Table entries, one 32-bit word: bits taken in bits 0-5 (low, so the
  // shift that consumes them needs no masking: it is the decoder's critical
  // path), first value in bits 8-15, second in 16-23, values given (1 or 2)
  // in 24-25. The single table gives one value per entry, the pair table one
  // or two. An entry that gives no value sends the decoder to the slow
  // path: 0 for a missing child (or, in the pair table, for any code that
  // is not short), ENTRY_LONG with the tree node reached after TABLE_BITS
  // bits in bits 8 and up for a longer code.
  PAIR_FIRST_SHIFT = 8,
  PAIR_SECOND_SHIFT = 16,
  PAIR_COUNT_SHIFT = 24,
  ENTRY_GIVES_ONE = 1 << PAIR_COUNT_SHIFT,
  ENTRY_LONG = 1 << 7,
  ENTRY_NODE_SHIFT = 8
};

// Reader state, owned by FileUnpack and rebuilt on every call.
static UnpackNode unpackNodes[MAX_NODES];
static int32_t unpackNodeCount;
static uint32_t shortestCode;  // the length of the table's shortest code
static uint32_t singleTable[1 << TABLE_BITS];
static uint32_t pairTable[1 << TABLE_BITS];

// Gathers the (at most five) bytes that hold the field and cuts it out of
// them: the code table of a member is read on every unpack, so a bit-by-bit
// loop here shows on small members.
static uint32_t readBits(BitReader *reader, uint32_t count)
{
  if (count > 32 || reader->position + count > reader->sizeBits) {
    reader->failed = 1;
    return 0;
  }
  if (count == 0)
    return 0;
  uint64_t first = reader->position >> 3;
  uint64_t last = (reader->position + count - 1) >> 3;
  uint64_t window = 0;
  for (uint64_t b = first; b <= last; b++)
    window = (window << 8) | reader->data[b];
  uint32_t below = (uint32_t)((last + 1) * 8 - (reader->position + count));
  reader->position += count;
  return (uint32_t)(window >> below) & (0xFFFFFFFFu >> (32 - count));
}

int32_t FileGetPackedHeader(const void *stream, int32_t streamSize, uint32_t *checksum,
                            uint32_t *size)
{
  const uint8_t *bytes = (const uint8_t *)stream;
  if (!bytes || streamSize < 12 || memcmp(bytes, "PAK1", 4) != 0)
    return PACK_ERR_FAILED;
  BitReader reader = {bytes, 96, 32, 0};
  uint32_t sum = readBits(&reader, 32);
  uint32_t length = readBits(&reader, 32);
  if (checksum)
    *checksum = sum;
  if (size)
    *size = length;
  return PACK_OK;
}

uint32_t FileGetUnpackedSize(const void *stream, int32_t streamSize)
{
  uint32_t size = 0;
  if (FileGetPackedHeader(stream, streamSize, nullptr, &size) != PACK_OK)
    return 0;
  return size;
}

static int32_t newNode(void)
{
  if (unpackNodeCount >= MAX_NODES)
    return -1;
  UnpackNode *node = &unpackNodes[unpackNodeCount];
  node->child[0] = node->child[1] = -1;
  node->leaf = 0;
  node->value = 0;
  return unpackNodeCount++;
}

// Follows the code's bits `length`-1 down to 0 from `node`. The code must
// end on a fresh node: passing through a leaf, or ending on a leaf or an
// inner node, means the table is not a prefix code.
static int insertCode(int32_t node, uint32_t code, uint32_t length, uint8_t value)
{
  for (int bit = (int)length - 1; bit >= 0; bit--) {
    if (unpackNodes[node].leaf)
      return 0;
    uint32_t b = (code >> bit) & 1u;
    int32_t child = unpackNodes[node].child[b];
    if (child < 0) {
      child = newNode();
      if (child < 0)
        return 0;
      unpackNodes[node].child[b] = child;
    }
    node = child;
  }
  UnpackNode *leaf = &unpackNodes[node];
  if (leaf->leaf || leaf->child[0] >= 0 || leaf->child[1] >= 0)
    return 0;
  leaf->leaf = 1;
  leaf->value = value;
  return 1;
}

// Enters one code into the single table. Codes arrive shortest first, so
// a code of up to TABLE_BITS bits can only clash with an earlier one by
// lying inside its span, and its first entry tells: anything there means
// two codes share a prefix. A longer code goes into the tree below the
// entry of its first TABLE_BITS bits, which must be empty or lead to such a
// tree already. Returns 0 when the table is not a prefix code.
static int placeCode(uint32_t code, uint32_t length, uint8_t value)
{
  if (length <= TABLE_BITS) {
    uint32_t *span = &singleTable[code << (TABLE_BITS - length)];
    uint32_t spanSize = 1u << (TABLE_BITS - length);
    if (span[0] != 0)
      return 0;
    for (uint32_t i = 0; i < spanSize; i++)
      span[i] = length | (uint32_t)value << PAIR_FIRST_SHIFT | ENTRY_GIVES_ONE;
    return 1;
  }
  uint32_t *entry = &singleTable[code >> (length - TABLE_BITS)];
  if (*entry == 0) {
    int32_t node = newNode();
    if (node < 0)
      return 0;
    *entry = ENTRY_LONG | (uint32_t)node << ENTRY_NODE_SHIFT;
  }
  if (!(*entry & ENTRY_LONG))
    return 0;
  return insertCode((int32_t)(*entry >> ENTRY_NODE_SHIFT), code, length - TABLE_BITS, value);
}

// Reads the presence map and the code table, then enters the codes
// shortest first into the single table and the tree of long codes.
// Returns 1, or 0 for a damaged table.
static int readTable(BitReader *reader)
{
  uint8_t present[256];
  for (int word = 0; word < 8; word++) {
    uint32_t map = readBits(reader, 32);
    for (int bit = 0; bit < 32; bit++)
      present[word * 32 + bit] = (uint8_t)((map >> (31 - bit)) & 1u);
  }
  uint32_t width = readBits(reader, 8);
  if (reader->failed || width > PACK_MAX_CODE_LENGTH)
    return 0;
  uint8_t lengths[256];
  uint32_t codes[256];
  // shorter[L]: how many codes are shorter than L bits, then where the
  // next code of L bits goes in `order`.
  uint32_t shorter[PACK_MAX_CODE_LENGTH + 2] = {0};
  for (int value = 0; value < 256; value++) {
    lengths[value] = 0;
    if (!present[value])
      continue;
    uint32_t length = readBits(reader, width);
    if (length > PACK_MAX_CODE_LENGTH)
      return 0;
    codes[value] = readBits(reader, length);
    if (reader->failed)
      return 0;
    lengths[value] = (uint8_t)length;
    if (length > 0)
      shorter[length + 1]++;
  }
  for (int length = 2; length <= PACK_MAX_CODE_LENGTH + 1; length++)
    shorter[length] += shorter[length - 1];
  uint8_t order[256];
  for (int value = 0; value < 256; value++)
    if (lengths[value] > 0)
      order[shorter[lengths[value]]++] = (uint8_t)value;
  unpackNodeCount = 0;
  memset(singleTable, 0, sizeof singleTable);
  shortestCode = shorter[PACK_MAX_CODE_LENGTH] > 0 ? lengths[order[0]] : 0;
  for (uint32_t i = 0; i < shorter[PACK_MAX_CODE_LENGTH]; i++) {
    uint8_t value = order[i];
    if (!placeCode(codes[value], lengths[value], value))
      return 0;
  }
  return 1;
}

namespace {

// The data's bits, left-aligned in a 64-bit word. Past the stream's end the
// word is filled with zero bytes, counted in `padBytes`.
struct BitStream {
  const uint8_t *next;
  const uint8_t *end;
  uint64_t bits;
  int count;
  uint32_t padBytes;
};

}  // namespace

static inline void refill(BitStream *s)
{
  if (s->end - s->next >= 8) {
    uint64_t word;
    memcpy(&word, s->next, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    word = __builtin_bswap64(word);  // the stream's bits run from the most significant
#endif
    s->bits |= word >> s->count;
    s->next += (63 - s->count) >> 3;
    s->count |= 56;
    return;
  }
  while (s->count <= 56) {
    uint64_t byte = 0;
    if (s->next < s->end)
      byte = *s->next++;
    else
      s->padBytes++;
    s->bits |= byte << (56 - s->count);
    s->count += 8;
  }
}

// The pair table: the first code of each index and, when the rest of its
// bits hold a whole second code, that one too. Text codes are short, so most
// lookups give two bytes. Filled a code at a time: every index in a short
// code's span starts with that code, and the rest of the index runs through
// the single table in steps of the code's length, one run per second code.
static void fillPairs(void)
{
  const uint32_t mask = (1u << TABLE_BITS) - 1;
  uint32_t index = 0;
  while (index <= mask) {
    uint32_t first = singleTable[index];
    uint32_t length = first & 0x3F;
    if (first < ENTRY_GIVES_ONE) {
      pairTable[index++] = 0;
      continue;
    }
    uint32_t span = 1u << (TABLE_BITS - length);
    uint32_t alone = first;
    uint32_t rest = 0;
    if (length + shortestCode > TABLE_BITS) {
      for (; rest < span; rest++)
        pairTable[index + rest] = alone;  // no second code fits after this one
    }
    while (rest < span) {
      uint32_t second = singleTable[(rest << length) & mask];
      uint32_t more = second & 0x3F;
      uint32_t entry = alone, run = 1;
      if (second >= ENTRY_GIVES_ONE && length + more <= TABLE_BITS) {
        entry = (length + more) | (first & 0xFF00) | (second & 0xFF00) << 8 |
                2u << PAIR_COUNT_SHIFT;
        run = 1u << (TABLE_BITS - length - more);
      }
      for (uint32_t i = 0; i < run; i++)
        pairTable[index + rest + i] = entry;
      rest += run;
    }
    index += span;
  }
}

// Decodes one code through the single table, walking the tree past
// TABLE_BITS for a long one; refills the word first when it is short of a
// whole code. Returns 0 when the data leads to a missing child.
static int decodeSingle(BitStream *s, uint8_t *out)
{
  if (s->count < PACK_MAX_CODE_LENGTH)
    refill(s);
  uint32_t entry = singleTable[s->bits >> (64 - TABLE_BITS)];
  if (!(entry & ENTRY_LONG)) {
    uint32_t length = entry & 0x3F;
    *out = (uint8_t)(entry >> PAIR_FIRST_SHIFT);
    s->bits <<= length;
    s->count -= (int)length;
    return length != 0;
  }
  int32_t node = (int32_t)(entry >> ENTRY_NODE_SHIFT);
  s->bits <<= TABLE_BITS;
  s->count -= TABLE_BITS;
  while (!unpackNodes[node].leaf) {
    node = unpackNodes[node].child[s->bits >> 63];
    s->bits <<= 1;
    s->count--;
    if (node < 0)
      return 0;
  }
  *out = unpackNodes[node].value;
  return 1;
}

// Writes both bytes of a pair entry (the second may be unused: the caller
// steps past only the bytes given), in one store where the byte order
// allows it.
static inline void putPair(uint8_t *put, uint32_t entry)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint16_t both = (uint16_t)(entry >> PAIR_FIRST_SHIFT);
  memcpy(put, &both, 2);
#else
  put[0] = (uint8_t)(entry >> PAIR_FIRST_SHIFT);
  put[1] = (uint8_t)(entry >> PAIR_SECOND_SHIFT);
#endif
}

namespace {

// A reader of the bulk of the data: the word and its count, the next stream
// byte and the next output byte, kept in registers by the loops below.
struct FastReader {
  const uint8_t *next;
  uint64_t bits;
  int count;
  uint8_t *put;
};

}  // namespace

// One refill and up to FAST_STEPS lookups; the caller makes sure eight bytes
// of stream and 2 * FAST_STEPS bytes of output remain, and that the word
// holds TABLE_BITS bits (topUp). Returns 0 when the data leads to a missing
// child.
__attribute__((always_inline)) static inline int fastSteps(FastReader *r, const uint32_t *table,
                                                           const uint8_t *end)
{
  const uint32_t shift = 64 - TABLE_BITS;
  // The word holds at least TABLE_BITS bits here, so the first lookup need
  // not wait for the refill below: each lookup waits on the one before, and
  // a refill in between would lengthen that chain.
  uint32_t entry = table[r->bits >> shift];
  uint64_t word;
  memcpy(&word, r->next, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  r->bits |= word >> r->count;
  r->next += (63 - r->count) >> 3;
  r->count |= 56;
#pragma GCC unroll 4
  for (int step = 0; step < FAST_STEPS; step++) {
    if (step > 0)
      entry = table[r->bits >> shift];
    if (entry < ENTRY_GIVES_ONE) {
      BitStream s = {r->next, end, r->bits, r->count, 0};
      if (!decodeSingle(&s, r->put))
        return 0;
      r->put++;
      // A long code may leave fewer bits than a lookup needs. Near the end
      // the word stays short, and the caller's loop ends on the stream's
      // bytes left: the last bytes are read one code at a time, where the
      // zero bits past the end are counted.
      if (end - s.next >= 8)
        refill(&s);
      r->next = s.next, r->bits = s.bits, r->count = s.count;
      return 1;
    }
    putPair(r->put, entry);
    r->bits <<= entry & 0x3F;
    r->count -= (int)(entry & 0x3F);
    r->put += entry >> PAIR_COUNT_SHIFT;
  }
  return 1;
}

// Fills the word while eight bytes of stream remain: a reader that went a
// code at a time may hold fewer bits than the fast loops' first lookup takes.
static inline void topUp(BitStream *s)
{
  if (s->end - s->next >= 8)
    refill(s);
}

// The bulk of the data, while eight bytes of stream and room for a refill's
// worth of bytes remain, and the next stream byte is short of `limit`.
// Returns 0 when the data leads to a missing child, else 1 with the number
// of bytes given in `*given`.
static int fastLoop(BitStream *s, const uint32_t *table, uint8_t *out, uint32_t size,
                    uint32_t *given, const uint8_t *limit)
{
  topUp(s);
  FastReader r = {s->next, s->bits, s->count, out};
  uint8_t *const outEnd = out + size;
  while (outEnd - r.put >= 2 * FAST_STEPS && s->end - r.next >= 8 && r.next < limit)
    if (!fastSteps(&r, table, s->end))
      return 0;
  s->next = r.next, s->bits = r.bits, s->count = r.count;
  *given = (uint32_t)(r.put - out);
  return 1;
}

// Several readers for a large member. The codes' lengths vary, so a reader
// cannot know where a code starts in the middle of the data, but a reader
// that starts anywhere falls in step with the true codes within a few codes
// (as a prefix code's decoding does, bar rare tables). So the member is cut
// into pieces of stream; a later reader starts at its piece's first byte
// and notes where each of its first SYNC_MARKS codes starts, and all then
// run together, each one's lookups filling the others' waits. The first
// reader then goes on to its piece's end and, a code at a time, until it
// starts a code where the next reader started one: from there both read the
// same codes, so the next reader's bytes are the true ones, and the first
// takes them and the next reader's place. Where they never meet, or the
// next reader stumbled, the first reads on alone, so the result is always
// the one reader's.
enum {
  READERS = 3,
  SEVERAL_READERS_MIN_SIZE = 1 << 16,
  SYNC_MARKS = 256
};

namespace {

// A later reader: its piece's first byte, its bytes so far (in its part of
// the scratch block) and where its first codes started, in bits from the
// stream's start, with how many bytes it had given there.
struct LaterReader {
  BitStream s;
  const uint8_t *pieceStart;
  uint8_t *out;
  uint32_t room;
  uint32_t given;
  int marks;  // 0 when it stumbled
  uint64_t mark[SYNC_MARKS];
};

}  // namespace

static uint8_t *laterOut;
static uint32_t laterOutSize;
static LaterReader later[READERS - 1];

static uint64_t bitPosition(const BitStream *s, const uint8_t *stream)
{
  return (uint64_t)(s->next - stream) * 8 - (uint64_t)s->count;
}

// The scratch block the later readers share, kept from member to member;
// 0 when there is no memory for it (the first reader then reads alone).
static int reserveLater(uint32_t size)
{
  if (laterOutSize >= size)
    return 1;
  delete[] laterOut;
  laterOut = new (std::nothrow) uint8_t[size];
  laterOutSize = laterOut ? size : 0;
  return laterOut != nullptr;
}

// A later reader's first codes, one at a time with their marks.
static void startLater(LaterReader *r, const uint8_t *stream)
{
  r->s = BitStream{r->pieceStart, r->s.end, 0, 0, 0};
  refill(&r->s);
  r->given = 0;
  r->marks = 0;
  while (r->marks < SYNC_MARKS && r->given < r->room && r->s.end - r->s.next >= 8) {
    r->mark[r->marks] = bitPosition(&r->s, stream);
    if (!decodeSingle(&r->s, &r->out[r->given])) {
      r->marks = 0;
      return;
    }
    r->marks++;
    r->given++;
  }
}

// All readers in step while each is short of its piece's end and has room.
// A later reader that stumbles is marked so (its bytes are not taken); the
// first reader's own stumble is met again when it reads on.
static void runTogether(BitStream *a, uint8_t *out, uint32_t size, uint32_t *given,
                        const uint32_t *table)
{
  FastReader r[READERS];
  topUp(a);
  r[0] = {a->next, a->bits, a->count, out + *given};
  const uint8_t *end = a->end;
  for (int k = 1; k < READERS; k++) {
    topUp(&later[k - 1].s);
    r[k] = {later[k - 1].s.next, later[k - 1].s.bits, later[k - 1].s.count,
            later[k - 1].out + later[k - 1].given};
  }
  // Ends and rooms as locals: the output stores may alias any global.
  const uint8_t *limit[READERS];
  const uint8_t *outEnd[READERS];
  for (int k = 0; k < READERS; k++) {
    limit[k] = k + 1 < READERS && later[k].pieceStart < end - 8 ? later[k].pieceStart : end - 8;
    outEnd[k] = (k == 0 ? out + size : later[k - 1].out + later[k - 1].room) - 2 * FAST_STEPS;
  }
  int stumbled = -1;
  for (;;) {
    int running = 1;
#pragma GCC unroll 4
    for (int k = 0; k < READERS; k++)
      running &= (r[k].next < limit[k]) & (r[k].put <= outEnd[k]);
    if (!running)
      break;
    FastReader keep = r[0];
    if (!fastSteps(&r[0], table, end)) {
      r[0] = keep;
      break;
    }
#pragma GCC unroll 4
    for (int k = 1; k < READERS && stumbled < 0; k++)
      if (!fastSteps(&r[k], table, end))
        stumbled = k;
    if (stumbled >= 0) {
      later[stumbled - 1].marks = 0;
      break;
    }
  }
  *a = BitStream{r[0].next, end, r[0].bits, r[0].count, 0};
  *given = (uint32_t)(r[0].put - out);
  for (int k = 1; k < READERS; k++) {
    later[k - 1].s = BitStream{r[k].next, end, r[k].bits, r[k].count, 0};
    later[k - 1].given = (uint32_t)(r[k].put - later[k - 1].out);
  }
}

// The first reader a code at a time until it starts a code where the later
// reader started one. Returns the mark, -1 when there is none (or the first
// reader stumbled: it meets that again alone).
static int meetLater(BitStream *a, const uint8_t *stream, uint8_t *out, uint32_t size,
                     uint32_t *given, const LaterReader *r)
{
  int m = 0;
  while (*given < size && a->end - a->next >= 8) {
    uint64_t at = bitPosition(a, stream);
    while (m < r->marks && r->mark[m] < at)
      m++;
    if (m == r->marks)
      return -1;
    if (r->mark[m] == at)
      return m;
    BitStream trial = *a;
    if (!decodeSingle(&trial, &out[*given]))
      return -1;
    *a = trial;
    (*given)++;
  }
  return -1;
}

// The pieces but the last; on return the first reader stands where the
// bytes given so far end, and the rest is read as for any member.
static void readPieces(BitStream *a, const uint8_t *stream, uint8_t *out, uint32_t size,
                       uint32_t *given, const uint32_t *table)
{
  if (!reserveLater(size))
    return;
  const uint8_t *first = a->next;
  for (int k = 0; k < READERS - 1; k++) {
    LaterReader *r = &later[k];
    r->pieceStart = first + (a->end - first) * (k + 1) / READERS;
    r->s.end = a->end;
    r->room = size / (READERS - 1);
    r->out = laterOut + (size_t)k * r->room;
    startLater(r, stream);
  }
  runTogether(a, out, size, given, table);
  for (int k = 0; k < READERS - 1; k++) {
    LaterReader *r = &later[k];
    uint32_t more = 0;
    if (r->marks == 0 || !fastLoop(a, table, out + *given, size - *given, &more, r->pieceStart))
      return;
    *given += more;
    int m = meetLater(a, stream, out, size, given, r);
    if (m < 0)
      return;
    more = r->given - (uint32_t)m;  // the later reader's first SYNC_MARKS bytes are one code each
    if (more > size - *given)
      more = size - *given;  // the header's size ends the data before the later reader did
    memcpy(out + *given, r->out + m, more);
    *given += more;
    *a = r->s;
  }
}

// The fast loop takes the bulk; the last few bytes of the stream or of the
// output go one code at a time.
static int decodeData(const uint8_t *stream, int32_t streamSize, uint64_t start, uint8_t *out,
                      uint32_t size)
{
  BitStream s = {stream + (start >> 3), stream + streamSize, 0, 0, 0};
  refill(&s);
  s.bits <<= start & 7;
  s.count -= (int)(start & 7);
  uint32_t i = 0;
  // Below a few kilobytes the pair table costs more to build than it saves.
  const uint32_t *table = singleTable;
  if (size >= PAIR_MIN_SIZE) {
    fillPairs();
    table = pairTable;
  }
  if (size >= SEVERAL_READERS_MIN_SIZE)
    readPieces(&s, stream, out, size, &i, table);
  uint32_t more = 0;
  if (!fastLoop(&s, table, out + i, size - i, &more, s.end))
    return 0;
  i += more;
  while (i < size) {
    // A stream that has run out has no use for more than a word of padding.
    if (s.padBytes > 8 || !decodeSingle(&s, &out[i++]))
      return 0;
  }
  // Every bit taken must have come from the stream, not from the padding.
  return (int64_t)s.padBytes * 8 <= s.count;
}

int32_t FileUnpack(const void *stream, int32_t streamSize, void *out, int32_t outSize)
{
  uint32_t size = 0;
  if (FileGetPackedHeader(stream, streamSize, nullptr, &size) != PACK_OK)
    return PACK_ERR_FAILED;
  if (!out && size > 0)
    return PACK_ERR_NULL;
  if (outSize < 0 || size > (uint32_t)outSize)
    return PACK_ERR_FAILED;
  const uint8_t *bytes = (const uint8_t *)stream;
  BitReader reader = {bytes, (uint64_t)streamSize * 8, 96, 0};
  if (!readTable(&reader))
    return PACK_ERR_FAILED;
  // Every byte takes at least one bit, so a size beyond the bits left is a lie.
  if (size > reader.sizeBits - reader.position)
    return PACK_ERR_FAILED;
  if (size == 0)
    return PACK_OK;
  if (!decodeData(bytes, streamSize, reader.position, (uint8_t *)out, size))
    return PACK_ERR_FAILED;
  return PACK_OK;
}
