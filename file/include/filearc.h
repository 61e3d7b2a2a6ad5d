// The data archive: one file holding every data file of the show.
//
// Layout (integers 32-bit little-endian, offsets from the start of the file):
//   0   "DAT1"
//   4   node count
//   8   entries, each: advance (to the next entry), storage type (0 stored,
//       1 packed stream), stored size, a word the reader does not need, data
//       offset (absolute), zero-terminated name (at most 191 characters)
// hvk writes the member's checksum into the fourth word and, for a packed
// member, the packed stream's length into the stored size.
//
// Names are compared after normalisation: a leading drive ("C:") dropped,
// '\' turned into '/', ASCII upper case into lower case.
#pragma once
#include <cstdint>

enum {
  ARC_ERR_NONE = -1,        // no archive held, or it cannot be opened
  ARC_ERR_NULL = -2,
  ARC_ERR_NO_MEMORY = -5,
  ARC_ERR_SIGNATURE = -7,   // the image does not start with "DAT1"
  ARC_ERR_MISSING = -8,     // no member of that name (or index)
  ARC_ERR_DAMAGED = -9      // the directory or the member lies outside the image or is broken
};

// Console texts that go with the codes. %s is the archive's path for the
// first two, else the member's name (for a damaged member, then the reason).
// With ARC_ERR_NONE, from FileArcInit.
constexpr char ARC_MSG_OPEN[] = "Cannot open archive file (%s)";
// With ARC_ERR_NO_MEMORY.
constexpr char ARC_MSG_NO_MEMORY[] = "Not enough memory for archive file (%s)";
constexpr char ARC_MSG_MEMBER_NO_MEMORY[] = "Not enough memory for %s from archive file !";
// With ARC_ERR_SIGNATURE.
constexpr char ARC_MSG_SIGNATURE_FOR[] = "Wrong archive signature on archive file (%s)";
constexpr char ARC_MSG_SIGNATURE[] = "Wrong archive signature on archive file !";
// With ARC_ERR_MISSING.
constexpr char ARC_MSG_MISSING[] = "Missing file (%s) in archive !";
// With ARC_ERR_DAMAGED: the member, the directory at an entry (%d) while
// looking for a name or not, and a node count that cannot be.
constexpr char ARC_MSG_DAMAGED_MEMBER[] = "Damaged member (%s) in archive: %s !";
constexpr char ARC_MSG_DAMAGED_ENTRY_FOR[] =
    "Damaged archive directory at entry %d (looking for %s) !";
constexpr char ARC_MSG_DAMAGED_ENTRY[] = "Damaged archive directory at entry %d !";
constexpr char ARC_MSG_DAMAGED_COUNT[] = "Damaged archive directory: bad node count !";

enum {
  ARC_HEADER_SIZE = 8,
  ARC_ENTRY_SIZE = 20,      // the fixed words of an entry, before its name
  ARC_NAME_SIZE = 192,      // 191 characters and the terminating zero
  ARC_STORED = 0,
  ARC_PACKED = 1
};

// One directory entry as stored, for tools.
struct ArcNodeInfo {
  int32_t storage;         // ARC_STORED, ARC_PACKED or another value
  uint32_t storedSize;     // stored: the member's size; packed: as the writer left it
  uint32_t checksum;       // the fourth word
  uint32_t dataOffset;
  uint32_t dataRoom;       // bytes of the image from dataOffset to its end (0 when outside)
  char name[ARC_NAME_SIZE];  // as stored, not normalised
};

int32_t FileArcInit(const char *path);
int32_t FileArcFree(void);
int32_t FileArcIsPresent(void);
int32_t FileArcGetFile(void **data, const char *name, int32_t *size);
int32_t FileArcGetNodeCount(int32_t *count);
int32_t FileArcGetIndexedFilename(char *name, int32_t index);

// Tools: hold an archive image that the caller keeps in its own memory (so
// that archives larger than the pool can be read a member at a time), read an
// entry as stored, and fetch a member by position rather than by name.
int32_t FileArcAttach(const void *image, int32_t size);
int32_t FileArcGetIndexedNode(ArcNodeInfo *info, int32_t index);
int32_t FileArcGetIndexedFile(void **data, int32_t index, int32_t *size);
