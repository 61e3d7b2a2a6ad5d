// Level description files: key=value lines naming a level, its world,
// texture and camera files, and a start position and rotation.
//
//   name=First level\r\n
//   world=maps\level1.wld\r\n     (file names are relative to the level file)
//   posX=1.5\r\n
//
// Lines end with CR LF; the key is everything before the first '=', the value
// everything after it up to a second '=' or the end of the line. Nothing is
// trimmed, keys are compared exactly, other lines are ignored.
#pragma once
#include <cstdint>

#include "file.h"

enum { LVL_NAME_SIZE = 192 };  // 191 characters and the terminator

// Result codes of the level reader.
enum {
  LVL_OK = 0,
  LVL_ERR_FAILED = -1,  // the parse failed
  LVL_ERR_NULL = -2,    // null argument
  LVL_ERR_LOAD = -15    // the level file cannot be loaded
};

// Console texts that go with the codes; %s is the level's file name.
constexpr char LVL_MSG_LOAD[] = "Error : %s can not be opened !";           // LVL_ERR_LOAD
constexpr char LVL_MSG_FAILED[] = "Error : there is a parsing problem with %s !";  // LVL_ERR_FAILED

// Owned by the caller; fields whose key does not occur keep what they held.
struct LvlRecord {
  char directory[LVL_NAME_SIZE];  // the file name up to and including its last backslash
  char fileName[LVL_NAME_SIZE];
  char name[LVL_NAME_SIZE];
  char world[LVL_NAME_SIZE];      // directory + value
  char texture[LVL_NAME_SIZE];    // directory + value
  char camera[LVL_NAME_SIZE];     // directory + value
  float posX, posY, posZ;
  float rotX, rotY, rotZ;
};

int32_t LvlLoad(LvlRecord *level, const char *fileName);
int32_t LvlFree(LvlRecord *level);
int32_t LvlParse(LvlRecord *level, FileData *file);

// The reader's parts: the line reader and splitter work on the file that
// LvlParse is reading. The number readers are shared with the scene reader:
// leading spaces, an optional '-', digits, for floats an optional '.' and
// digits. Integers wrap modulo 2^32; a float with an exponent (e, E, d, D)
// reads as 0, and LvlReadFLOAT32 then returns LVL_ERR_FAILED.
int32_t LvlQstrcmp(const char *a, const char *b);
void LvlGetLine(void);
void LvlComputeLine(void);
int32_t LvlGetINT32(const char *s);
float LvlGetFLOAT32(const char *s);
int32_t LvlReadFLOAT32(const char *s, float *value);
