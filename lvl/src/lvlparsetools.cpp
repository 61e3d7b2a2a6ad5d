// The level reader's line, word and number helpers.
#include "lvl.h"
#include "lvlparse.h"

#include <cstring>

// Reader state: LvlParse sets the read range, LvlGetLine and LvlComputeLine
// fill the buffers, lvlparse.cpp applies them.
const uint8_t *lvlPtr;
const uint8_t *lvlEnd;
char lvlLine[LVL_NAME_SIZE];
char keyword[LVL_NAME_SIZE];
char content[LVL_NAME_SIZE];

int32_t LvlQstrcmp(const char *a, const char *b)
{
  return strcmp(a, b) == 0 ? 0 : -1;
}

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

// NOTE: digits accumulate in unsigned 32-bit arithmetic: a number too large
// for 32 bits wraps around instead of overflowing.
int32_t LvlGetINT32(const char *s)
{
  while (*s == ' ')
    s++;
  bool negative = *s == '-';
  if (negative)
    s++;
  uint32_t value = 0;
  while (*s >= '0' && *s <= '9')
    value = value * 10u + (uint32_t)(*s++ - '0');
  return (int32_t)(negative ? 0u - value : value);
}

static bool isExponent(char c)
{
  return c == 'e' || c == 'E' || c == 'd' || c == 'D';
}

// Numbers with an exponent read as 0.
float LvlGetFLOAT32(const char *s)
{
  while (*s == ' ')
    s++;
  bool negative = *s == '-';
  if (negative)
    s++;
  float value = 0.0f;
  while (*s >= '0' && *s <= '9')
    value = value * 10.0f + (float)(*s++ - '0');
  if (isExponent(*s))
    return 0.0f;
  if (*s == '.') {
    s++;
    int32_t digits = 0;
    while (*s >= '0' && *s <= '9') {
      value = value * 10.0f + (float)(*s++ - '0');
      digits++;
    }
    if (isExponent(*s))
      return 0.0f;
    for (int32_t i = 0; i < digits; i++)
      value *= 0.1f;
  }
  return negative ? -value : value;
}
