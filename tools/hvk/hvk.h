// hvk, the archive tool: shared pieces of its commands.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "mem.h"

// One member can be no larger than a block of the show's memory pool, which
// must hold it whole when the show loads it (and the packer's output).
enum : int64_t { HVK_MAX_MEMBER = MEM_POOL_SIZE - 1024 };
// Offsets and sizes in the archive are 32-bit; the reader takes a signed size.
enum : int64_t { HVK_MAX_ARCHIVE = 0x7FFFFFFF };

struct HvkCreateOptions {
  std::string archive;
  std::string folder;
  char drive;      // 'C' by default; 0 for no drive
  bool storeAll;   // --store: never pack
};

// Where the command's real output goes (standard output); the engine's
// console text is kept out of it and collected for error messages.
extern FILE *hvkOut;

// Prints "hvk: WHAT: PROBLEM" on standard error; returns 1 for `return Fail(...)`.
int HvkFail(const std::string &what, const std::string &problem);
// The line of the engine's console text since the last call that says what
// went wrong (else its last line), or "".
std::string HvkEngineMessage(void);
// Rewinds the pool so that every member starts with all of it.
void HvkFreshPool(void);
bool HvkReadFile(const std::string &path, std::vector<uint8_t> *bytes, std::string *problem);
// Writes `bytes` to `path` through a temporary file in the same folder and a
// rename, so that no half-written file is ever left under `path`.
bool HvkWriteFile(const std::string &path, const std::vector<uint8_t> &bytes, std::string *problem);

int HvkCreate(const HvkCreateOptions &options);
int HvkList(const std::string &archive, bool json);
int HvkExtract(const std::string &archive, const std::string &folder);
int HvkCat(const std::string &archive, const std::string &name);
int HvkVerify(const std::string &archive);
