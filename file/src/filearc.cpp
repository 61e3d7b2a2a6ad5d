// The data archive: the whole archive file held in one block, members found
// by their normalised names and copied or unpacked into fresh pool blocks.
//
// The image is untrusted: every entry, name and member is checked against
// the image's size before it is read, and a damaged directory or member
// fails the lookup with a message naming what was asked for.
#include "filearc.h"
#include "console.h"
#include "fileio.h"
#include "filepack.h"
#include "mem.h"

#include <cstdio>
#include <cstring>

// Archive state, owned by this module. FileArcInit and FileArcAttach set it;
// FileArcFree and a bad signature clear it. `arcOwned` is 1 when the image is
// a pool block of ours, 0 when a tool lent it.
static const uint8_t *arcBuffer;
static uint32_t arcSize;
static int arcOwned;
static const uint8_t arcSignature[4] = {'D', 'A', 'T', '1'};

namespace {

// One directory entry, checked to lie inside the image.
struct ArcEntry {
  uint32_t start;
  uint32_t advance;
  int32_t storage;
  uint32_t storedSize;
  uint32_t checksum;
  uint32_t dataOffset;
  const char *name;
  uint32_t nameLength;
};

}  // namespace

// The entry the indexed operations reached last, so that a tool going
// through the directory in order walks it once rather than from the first
// entry for every member. Forgotten with the image (dropImage).
static ArcEntry cursorEntry;
static int32_t cursorIndex = -1;

static uint32_t readWord(uint32_t offset)
{
  const uint8_t *p = arcBuffer + offset;
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// In place: drop a leading drive, '\' to '/', ASCII upper case to lower case.
static void strPrepare(char *name)
{
  if (name[0] && name[1] == ':')
    memmove(name, name + 2, strlen(name + 2) + 1);
  for (char *c = name; *c; c++) {
    if (*c == '\\')
      *c = '/';
    else if (*c >= 'A' && *c <= 'Z')
      *c = (char)(*c - 'A' + 'a');
  }
}

static void dropImage(void)
{
  if (arcOwned)
    MemFree((void *)arcBuffer);
  cursorIndex = -1;
  arcBuffer = nullptr;
  arcSize = 0;
  arcOwned = 0;
}

// Checks the signature; a wrong one drops the image for good.
static int signatureOk(void)
{
  if (arcSize >= 4 && memcmp(arcBuffer, arcSignature, 4) == 0)
    return 1;
  dropImage();
  return 0;
}

// The entry starting at `start`, with its name terminated inside the image
// and within the 192-byte name buffers. Returns 0 when it is not.
static int readEntry(uint32_t start, ArcEntry *entry)
{
  if (start > arcSize || arcSize - start < ARC_ENTRY_SIZE + 1)
    return 0;
  uint32_t room = arcSize - start - ARC_ENTRY_SIZE;
  if (room > ARC_NAME_SIZE)
    room = ARC_NAME_SIZE;
  const char *name = (const char *)arcBuffer + start + ARC_ENTRY_SIZE;
  const char *end = (const char *)memchr(name, 0, room);
  if (!end)
    return 0;
  entry->start = start;
  entry->advance = readWord(start);
  entry->storage = (int32_t)readWord(start + 4);
  entry->storedSize = readWord(start + 8);
  entry->checksum = readWord(start + 12);
  entry->dataOffset = readWord(start + 16);
  entry->name = name;
  entry->nameLength = (uint32_t)(end - name);
  return 1;
}

// The number of entries, or -1 when the header is cut short or negative.
static int32_t nodeCount(void)
{
  if (arcSize < ARC_HEADER_SIZE)
    return -1;
  int32_t count = (int32_t)readWord(4);
  return count < 0 ? -1 : count;
}

// Moves from `entry` to the next one. The advance must at least step over the
// entry's own words and name, which also bounds the walk by the image's size.
static int nextEntry(ArcEntry *entry)
{
  uint64_t minimum = ARC_ENTRY_SIZE + entry->nameLength + 1;
  uint64_t next = (uint64_t)entry->start + entry->advance;
  if (entry->advance < minimum || next > arcSize)
    return 0;
  return readEntry((uint32_t)next, entry);
}

// Walks to entry `index`, from the cursor when it lies at or before it.
// Returns 1, or 0 when the directory is damaged before it gets there (the
// entry number reached is left in `*reached`).
static int walkTo(int32_t index, ArcEntry *entry, int32_t *reached)
{
  int32_t i = 0;
  if (cursorIndex >= 0 && cursorIndex <= index) {
    *entry = cursorEntry;
    i = cursorIndex;
  } else if (!readEntry(ARC_HEADER_SIZE, entry)) {
    *reached = 0;
    return 0;
  }
  for (i++; i <= index; i++) {
    *reached = i;
    if (!nextEntry(entry))
      return 0;
  }
  cursorEntry = *entry;
  cursorIndex = index;
  return 1;
}

int32_t FileArcInit(const char *path)
{
  if (!path)
    return ARC_ERR_NULL;
  // Whatever happens, the archive held before is no longer the one asked
  // for: loads must not go on reading the old one.
  dropImage();
  int handle = FileIOOpen(path, FILEIO_READ);
  if (handle < 1) {
    ConsoleAdd(ARC_MSG_OPEN, path);
    return ARC_ERR_NONE;
  }
  int size = FileIOGetSize(handle);
  void *block = size >= 0 ? MemAlloc(size) : nullptr;
  if (!block) {
    FileIOClose(handle);
    ConsoleAdd(ARC_MSG_NO_MEMORY, path);
    return ARC_ERR_NO_MEMORY;
  }
  int got = FileIORead(handle, block, size);
  FileIOClose(handle);
  arcBuffer = (const uint8_t *)block;
  // Only the bytes really read are taken as the image.
  arcSize = got < 0 ? 0 : (uint32_t)(got < size ? got : size);
  arcOwned = 1;
  return 0;
}

int32_t FileArcAttach(const void *image, int32_t size)
{
  if (!image || size < 0)
    return ARC_ERR_NULL;
  dropImage();
  arcBuffer = (const uint8_t *)image;
  arcSize = (uint32_t)size;
  arcOwned = 0;
  return 0;
}

int32_t FileArcFree(void)
{
  if (!arcBuffer)
    return ARC_ERR_NONE;
  dropImage();
  return 0;
}

int32_t FileArcIsPresent(void)
{
  return arcBuffer ? 1 : 0;
}

static int32_t damagedMember(const char *label, const char *reason)
{
  ConsoleAdd(ARC_MSG_DAMAGED_MEMBER, label, reason);
  return ARC_ERR_DAMAGED;
}

// Unpacks a packed member. A stream without the signature gives an empty
// member, as it always has; a stream with the signature must decode whole.
static int32_t unpackMember(const ArcEntry *entry, const char *label, void **data, int32_t *size)
{
  if (entry->dataOffset >= arcSize)
    return damagedMember(label, "data outside the archive file");
  const uint8_t *stream = arcBuffer + entry->dataOffset;
  uint32_t room = arcSize - entry->dataOffset;
  int32_t streamSize = room > 0x7FFFFFFFu ? 0x7FFFFFFF : (int32_t)room;
  uint32_t unpacked = 0, checksum = 0;
  if (FileGetPackedHeader(stream, streamSize, &checksum, &unpacked) != 0) {
    if (room >= 4 && memcmp(stream, "PAK1", 4) == 0)
      return damagedMember(label, "packed stream cut short");
    unpacked = 0;
  }
  if (unpacked > 0x7FFFFFFFu)
    return damagedMember(label, "packed stream is broken");
  void *block = MemAlloc((int32_t)unpacked);
  if (!block) {
    ConsoleAdd(ARC_MSG_MEMBER_NO_MEMORY, label);
    return ARC_ERR_NO_MEMORY;
  }
  if (unpacked > 0 && FileUnpack(stream, streamSize, block, (int32_t)unpacked) != 0) {
    MemFree(block);
    return damagedMember(label, "packed stream is broken");
  }
  // A flipped bit in the codes can still decode, to other bytes: the header's
  // sum of the bytes tells them apart, so damage never reaches a loader.
  if (computeChecksum(block, (int32_t)unpacked) != checksum) {
    MemFree(block);
    return damagedMember(label, "packed stream does not match its checksum");
  }
  *data = block;
  *size = (int32_t)unpacked;
  return 0;
}

// Copies or unpacks the member into a fresh pool block. A storage type the
// reader does not know gives success with `data` and `size` not written.
static int32_t loadMember(const ArcEntry *entry, const char *label, void **data, int32_t *size)
{
  if (entry->storage == ARC_PACKED)
    return unpackMember(entry, label, data, size);
  if (entry->storage != ARC_STORED)
    return 0;
  if (entry->dataOffset > arcSize || entry->storedSize > arcSize - entry->dataOffset ||
      entry->storedSize > 0x7FFFFFFFu)
    return damagedMember(label, "data outside the archive file");
  void *block = MemAlloc((int32_t)entry->storedSize);
  if (!block) {
    ConsoleAdd(ARC_MSG_MEMBER_NO_MEMORY, label);
    return ARC_ERR_NO_MEMORY;
  }
  memcpy(block, arcBuffer + entry->dataOffset, entry->storedSize);
  *data = block;
  *size = (int32_t)entry->storedSize;
  return 0;
}

int32_t FileArcGetFile(void **data, const char *name, int32_t *size)
{
  if (!data || !name || !size)
    return ARC_ERR_NULL;
  if (!arcBuffer)
    return ARC_ERR_NONE;
  if (!signatureOk()) {
    *data = nullptr;
    ConsoleAdd(ARC_MSG_SIGNATURE_FOR, name);
    return ARC_ERR_SIGNATURE;
  }
  char wanted[ARC_NAME_SIZE];
  char stored[ARC_NAME_SIZE];
  snprintf(wanted, sizeof wanted, "%s", name);
  strPrepare(wanted);
  int32_t count = nodeCount();
  ArcEntry entry;
  for (int32_t i = 0; i < count || count < 0; i++) {
    if (count < 0 || !(i == 0 ? readEntry(ARC_HEADER_SIZE, &entry) : nextEntry(&entry))) {
      *data = nullptr;
      ConsoleAdd(ARC_MSG_DAMAGED_ENTRY_FOR, i, name);
      return ARC_ERR_DAMAGED;
    }
    memcpy(stored, entry.name, entry.nameLength + 1);
    strPrepare(stored);
    if (strcmp(stored, wanted) == 0) {
      int32_t result = loadMember(&entry, name, data, size);
      if (result != 0)
        *data = nullptr;
      return result;
    }
  }
  *data = nullptr;
  ConsoleAdd(ARC_MSG_MISSING, name);
  return ARC_ERR_MISSING;
}

// The common road of the indexed operations: an archive held, its signature
// right, `index` inside the node count and the directory sound up to it.
static int32_t findIndexed(int32_t index, ArcEntry *entry)
{
  if (!arcBuffer)
    return ARC_ERR_NONE;
  if (!signatureOk()) {
    ConsoleAdd(ARC_MSG_SIGNATURE);
    return ARC_ERR_SIGNATURE;
  }
  int32_t count = nodeCount();
  if (count < 0) {
    ConsoleAdd(ARC_MSG_DAMAGED_COUNT);
    return ARC_ERR_DAMAGED;
  }
  if (index < 0 || index >= count)
    return ARC_ERR_MISSING;
  int32_t reached = 0;
  if (!walkTo(index, entry, &reached)) {
    ConsoleAdd(ARC_MSG_DAMAGED_ENTRY, reached);
    return ARC_ERR_DAMAGED;
  }
  return 0;
}

// Checks the whole directory as well, so that a node count larger than the
// directory is found here rather than at some later lookup.
int32_t FileArcGetNodeCount(int32_t *count)
{
  if (!count)
    return ARC_ERR_NULL;
  if (arcBuffer && !signatureOk()) {
    *count = 0;
    ConsoleAdd(ARC_MSG_SIGNATURE);
    return ARC_ERR_SIGNATURE;
  }
  int32_t nodes = arcBuffer ? nodeCount() : 0;
  ArcEntry entry;
  int32_t result = nodes > 0 ? findIndexed(nodes - 1, &entry) : findIndexed(-1, &entry);
  if (result == ARC_ERR_MISSING)
    result = 0;  // an empty directory
  if (result != 0)
    return result;
  *count = nodes;
  return 0;
}

int32_t FileArcGetIndexedFilename(char *name, int32_t index)
{
  if (!name)
    return ARC_ERR_NULL;
  ArcEntry entry;
  int32_t result = findIndexed(index, &entry);
  if (result != 0)
    return result;
  memcpy(name, entry.name, entry.nameLength + 1);
  strPrepare(name);
  return 0;
}

int32_t FileArcGetIndexedNode(ArcNodeInfo *info, int32_t index)
{
  if (!info)
    return ARC_ERR_NULL;
  ArcEntry entry;
  int32_t result = findIndexed(index, &entry);
  if (result != 0)
    return result;
  info->storage = entry.storage;
  info->storedSize = entry.storedSize;
  info->checksum = entry.checksum;
  info->dataOffset = entry.dataOffset;
  info->dataRoom = entry.dataOffset < arcSize ? arcSize - entry.dataOffset : 0;
  memcpy(info->name, entry.name, entry.nameLength + 1);
  return 0;
}

int32_t FileArcGetIndexedFile(void **data, int32_t index, int32_t *size)
{
  if (!data || !size)
    return ARC_ERR_NULL;
  ArcEntry entry;
  int32_t result = findIndexed(index, &entry);
  if (result != 0)
    return result;
  char label[ARC_NAME_SIZE];
  memcpy(label, entry.name, entry.nameLength + 1);
  result = loadMember(&entry, label, data, size);
  if (result != 0)
    *data = nullptr;
  return result;
}
