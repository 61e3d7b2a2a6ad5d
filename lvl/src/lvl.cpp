// Loading a level description file into its record.
#include "lvl.h"

#include "console.h"

#include <cstdio>
#include <cstring>

// The loaded file, held only while LvlLoad runs.
static FileData lvlFile;

// The directory of a file name: up to and including its last backslash,
// searched from four characters before the end (past a three-letter
// extension and its dot). A name shorter than that, or without a backslash
// there, has an empty directory.
static void takeDirectory(char *directory)
{
  int32_t length = (int32_t)strlen(directory);
  for (int32_t i = length - 4; i >= 0; i--) {
    if (directory[i] == '\\') {
      directory[i + 1] = 0;
      return;
    }
  }
  directory[0] = 0;
}

int32_t LvlLoad(LvlRecord *level, const char *fileName)
{
  if (!level || !fileName)
    return LVL_ERR_NULL;
  snprintf(level->fileName, sizeof level->fileName, "%s", fileName);
  snprintf(level->directory, sizeof level->directory, "%s", fileName);
  takeDirectory(level->directory);

  char name[FILE_NAME_SIZE];  // FileLoad repairs the name in place
  snprintf(name, sizeof name, "%s", level->fileName);
  if (FileLoad(&lvlFile, name) != FILE_OK) {
    ConsoleAdd(LVL_MSG_LOAD, level->fileName);
    return LVL_ERR_LOAD;
  }
  int32_t result = LvlParse(level, &lvlFile);
  FileFree(&lvlFile);
  if (result != LVL_OK) {
    ConsoleAdd(LVL_MSG_FAILED, level->fileName);
    return LVL_ERR_FAILED;
  }
  return LVL_OK;
}

int32_t LvlFree(LvlRecord *level)
{
  return level ? LVL_OK : LVL_ERR_NULL;
}
