// Whole-file loading: the one road by which the engine gets a file into memory.
//
// A name is a Windows-style path ("C:\vorlanth\vorlanth.lws"). With an archive
// held it is looked up there; otherwise it is opened on the host device.
#pragma once
#include <cstdint>

enum { FILE_NAME_SIZE = 192 };  // 191 characters and the terminating zero

// Result codes of file loading.
enum {
  FILE_OK = 0,
  FILE_ERR_NULL = -2,           // null record or name
  FILE_ERR_NOT_FOUND = -3,      // not on the host device under either name
  FILE_ERR_WRITE = -4,          // cannot be opened for writing
  FILE_ERR_NO_MEMORY = -5,      // no pool block for the bytes
  FILE_ERR_NOT_IN_ARCHIVE = -6, // not in the archive under either name
  FILE_ERR_DAMAGED = -9         // in the archive, but its entry or bytes are broken
};

// Console texts that go with the codes; %s is the name loaded.
// With FILE_ERR_NOT_FOUND.
constexpr char FILE_MSG_OPEN[] = "Error while opening %s !";
// With FILE_ERR_NO_MEMORY.
constexpr char FILE_MSG_NO_MEMORY[] = "Not enough memory";
// With FILE_ERR_NOT_IN_ARCHIVE or FILE_ERR_DAMAGED.
constexpr char FILE_MSG_ARCHIVE[] = "Error while getting %s from archive file !";
// With FILE_ERR_WRITE.
constexpr char FILE_MSG_WRITE[] = "Cannot write file";

struct FileData {
  char name[FILE_NAME_SIZE];  // the name loaded, after repairs; for FileWrite, the name written
  int32_t size;               // bytes in `data`
  void *data;                 // a pool block of exactly `size` bytes (no terminator), or null
};

// Loads `name` whole. The name is repaired in place (a leading '\' gets "C:"
// in front; "C:folder" gets its backslash, "C:/folder" is left as it is), so
// the caller's buffer needs room for two more characters. A member the
// archive holds but cannot hand over gives -5 (no pool block) or -9 (damaged)
// at once; only a missing one is tried under the second-chance name.
int32_t FileLoad(FileData *file, char *name);
int32_t FileWrite(const FileData *file);
int32_t FileFree(FileData *file);
