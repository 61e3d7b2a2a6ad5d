// Reading the lines of a level description file into its record.
#include "lvl.h"

#include <cstring>

// Reader state: LvlParse sets the read range, LvlGetLine and LvlComputeLine
// fill the buffers, applyLine reads them.
static const uint8_t *lvlPtr;
static const uint8_t *lvlEnd;
static char lvlLine[LVL_NAME_SIZE];
static char keyword[LVL_NAME_SIZE];
static char content[LVL_NAME_SIZE];

// A line ends at CR LF only; a lone CR or LF is part of the line. The last
// line may end at the end of the data instead. NOTE: a line longer than 191
// characters is cut; the rest of it is skipped.
void LvlGetLine(void)
{
  int32_t length = 0;
  while (lvlPtr && lvlPtr < lvlEnd) {
    if (lvlPtr[0] == 13 && lvlPtr + 1 < lvlEnd && lvlPtr[1] == 10) {
      lvlPtr += 2;
      break;
    }
    if (length < LVL_NAME_SIZE - 1)
      lvlLine[length++] = (char)*lvlPtr;
    lvlPtr++;
  }
  lvlLine[length] = 0;
}

void LvlComputeLine(void)
{
  keyword[0] = 0;
  content[0] = 0;
  const char *equals = strchr(lvlLine, '=');
  if (!equals)
    return;
  size_t keyLength = (size_t)(equals - lvlLine);
  memcpy(keyword, lvlLine, keyLength);
  keyword[keyLength] = 0;
  const char *value = equals + 1;
  const char *second = strchr(value, '=');
  size_t valueLength = second ? (size_t)(second - value) : strlen(value);
  memcpy(content, value, valueLength);
  content[valueLength] = 0;
}

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
