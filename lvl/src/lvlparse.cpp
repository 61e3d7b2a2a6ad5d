// Applying the lines of a level description file to its record.
#include "lvl.h"
#include "lvlparse.h"

#include <cstring>

// The record being filled; set by LvlParse for the lines it applies.
static LvlRecord *lvlCurr;

// directory + value, cut to the field's 191 characters.
static void setPath(char *field, const char *value)
{
  size_t dirLength = strnlen(lvlCurr->directory, LVL_NAME_SIZE - 1);
  size_t valueLength = strlen(value);
  if (dirLength + valueLength > LVL_NAME_SIZE - 1)
    valueLength = LVL_NAME_SIZE - 1 - dirLength;
  memmove(field, lvlCurr->directory, dirLength);
  memcpy(field + dirLength, value, valueLength);
  field[dirLength + valueLength] = 0;
}

static void applyLine(void)
{
  static const char *const floatKeys[] = {"posX", "posY", "posZ", "rotX", "rotY", "rotZ"};
  float *floatFields[] = {&lvlCurr->posX, &lvlCurr->posY, &lvlCurr->posZ,
                          &lvlCurr->rotX, &lvlCurr->rotY, &lvlCurr->rotZ};
  if (LvlQstrcmp(keyword, "name") == 0) {
    memcpy(lvlCurr->name, content, sizeof lvlCurr->name);
  } else if (LvlQstrcmp(keyword, "world") == 0) {
    setPath(lvlCurr->world, content);
  } else if (LvlQstrcmp(keyword, "texture") == 0) {
    setPath(lvlCurr->texture, content);
  } else if (LvlQstrcmp(keyword, "camera") == 0) {
    setPath(lvlCurr->camera, content);
  } else {
    for (int i = 0; i < 6; i++)
      if (LvlQstrcmp(keyword, floatKeys[i]) == 0)
        *floatFields[i] = LvlGetFLOAT32(content);
  }
}

int32_t LvlParse(LvlRecord *level, FileData *file)
{
  if (!level || !file)
    return LVL_ERR_NULL;
  lvlCurr = level;
  lvlPtr = (const uint8_t *)file->data;
  lvlEnd = lvlPtr && file->size > 0 ? lvlPtr + file->size : lvlPtr;
  LvlGetLine();
  for (;;) {
    LvlComputeLine();
    applyLine();
    if (!(lvlPtr < lvlEnd))
      break;
    LvlGetLine();
  }
  return LVL_OK;
}
