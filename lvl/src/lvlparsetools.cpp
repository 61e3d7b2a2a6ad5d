// The level reader's word and number helpers.
#include "lvl.h"

#include <cstring>

int32_t LvlQstrcmp(const char *a, const char *b)
{
  return strcmp(a, b) == 0 ? 0 : -1;
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
int32_t LvlReadFLOAT32(const char *s, float *value)
{
  *value = 0.0f;
  while (*s == ' ')
    s++;
  bool negative = *s == '-';
  if (negative)
    s++;
  float number = 0.0f;
  while (*s >= '0' && *s <= '9')
    number = number * 10.0f + (float)(*s++ - '0');
  if (isExponent(*s))
    return LVL_ERR_FAILED;
  if (*s == '.') {
    s++;
    int32_t digits = 0;
    while (*s >= '0' && *s <= '9') {
      number = number * 10.0f + (float)(*s++ - '0');
      digits++;
    }
    if (isExponent(*s))
      return LVL_ERR_FAILED;
    for (int32_t i = 0; i < digits; i++)
      number *= 0.1f;
  }
  *value = negative ? -number : number;
  return LVL_OK;
}

float LvlGetFLOAT32(const char *s)
{
  float value;
  LvlReadFLOAT32(s, &value);
  return value;
}
