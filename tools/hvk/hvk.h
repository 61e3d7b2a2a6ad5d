// hvk, the archive tool: shared pieces of its commands.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "filearc.h"
#include "mem.h"

// One member can be no larger than a block of the show's memory pool, which
// must hold it whole when the show loads it (and the packer's output). The
// tools read the archive into their own memory, so this is all they need;
// the show holds the whole archive image in the same pool as the member
// (HvkShowCanLoad).
enum : int64_t { HVK_MAX_MEMBER = MEM_POOL_SIZE - 1024 };

// Whether the show's pool holds an archive image of `archive` bytes and a
// member of `member` bytes at once, each padded to 16 bytes with its 16-byte
// record, and nothing else: the least the show needs to load that member.
bool HvkShowCanLoad(int64_t archive, int64_t member);
// Offsets and sizes in the archive are 32-bit; the reader takes a signed size.
enum : int64_t { HVK_MAX_ARCHIVE = 0x7FFFFFFF };

// The mark of an archive hvk wrote: 16 bytes after everything else, which
// the show never reads (it reaches members only through their offsets):
//   0   "HVK1"
//   4   flags: HVK_MARK_CHECKSUMS, the fourth word of every entry holds the
//       sum of its member's bytes (as the packed stream's checksum is made)
//   8   the directory's length: the header and every entry, from byte 0
//   12  CRC-32 of those bytes
// The fourth word of an entry is the writer's own, so its meaning is only
// known in archives that say so; the CRC makes sure the mark is not the
// chance end of someone else's archive and that the directory is whole.
enum { HVK_MARK_SIZE = 16, HVK_MARK_CHECKSUMS = 1 };

struct HvkCreateOptions {
  std::string archive;
  std::string folder;
  char drive;      // 'C' by default; 0 for no drive
  bool storeAll;   // --store: never pack
};

// Where the command's real output goes (standard output); the engine's
// console text is kept out of it and collected for error messages.
extern FILE *hvkOut;

// Prints "hvk: WHAT: PROBLEM" on standard error; returns 1 for `return HvkFail(...)`.
int HvkFail(const std::string &what, const std::string &problem);
// The line of the engine's console text since the last call that says what
// went wrong (else its last line), or "".
std::string HvkEngineMessage(void);
// Rewinds the pool so that every member starts with all of it.
void HvkFreshPool(void);
// Reads a regular file whole; FIFOs, devices and folders are refused before
// a byte is read, and so is a file over `limit` bytes.
bool HvkReadFile(const std::string &path, int64_t limit, std::vector<uint8_t> *bytes, std::string *problem);
// Writes `bytes` to `path` through a temporary file in the same folder and a
// rename, so that no half-written file is ever left under `path`.
bool HvkWriteFile(const std::string &path, const std::vector<uint8_t> &bytes, std::string *problem);
// A member name as the archive reader compares it: drive dropped, '\' to
// '/', ASCII upper case to lower case.
std::string HvkNormalised(const std::string &name);

// The mark (hvkcreate.cpp): appended to a finished image whose header and
// entries take its first `directoryLength` bytes.
void HvkAppendMark(std::vector<uint8_t> *image, uint32_t directoryLength);

// Reading (hvkread.cpp): the archive is read whole and lent to the engine's
// reader. HvkOpenArchive reports its own failure (returns 1).
int HvkOpenArchive(const std::string &archive, int32_t *count);
// Member `index` unpacked into a fresh pool and checked as verify checks it:
// what the format guarantees and, in a marked archive, its entry's checksum.
// False with the reason in `problem`; `info` is filled whenever the entry is sound.
bool HvkFetchMember(int32_t index, ArcNodeInfo *info, void **data, int32_t *size, std::string *problem);

int HvkCreate(const HvkCreateOptions &options);
int HvkList(const std::string &archive, bool json);
int HvkExtract(const std::string &archive, const std::string &folder, bool force);
int HvkCat(const std::string &archive, const std::string &name);
int HvkVerify(const std::string &archive);
