// The scene text reader: lines, tokens, words and numbers of an LWS text.
//
// A scene text is lines of space-separated tokens:
//   FrameSize 640 480
//   { Envelope
//     Key 0 0 0 3 0 0 0 0 0
// The reader never allocates; it copies one line and its tokens into fixed
// buffers of 191 characters and a terminator, cutting what does not fit.
#include "lwsread.h"

#include "console.h"
#include "lvl.h"

#include <cstring>

// Reader state. The scene parser fills lwsFile and rewinds; lwsGetLine and
// LwsComputeParams write the rest; the parser and the envelope reader read it.
static FileData lwsFile;
static const uint8_t *lwsPtr;
char lwsLine[LWS_NAME_SIZE];
char lwsToken[LWS_MAX_PARAMS + 1][LWS_NAME_SIZE];
int32_t lwsParamsCount;

FileData *LwsGetCurrentFile(void)
{
  return &lwsFile;
}

void lwsRewind(void)
{
  lwsPtr = (const uint8_t *)lwsFile.data;
}

static const uint8_t *textEnd(void)
{
  const uint8_t *start = (const uint8_t *)lwsFile.data;
  return start && lwsFile.size > 0 ? start + lwsFile.size : start;
}

int32_t lwsGetOffset(void)
{
  if (!lwsPtr || !lwsFile.data)
    return 0;
  return (int32_t)(lwsPtr - (const uint8_t *)lwsFile.data);
}

int32_t lwsTextLeft(void)
{
  return lwsPtr && lwsPtr < textEnd() ? 1 : 0;
}

// Steps over one line end at `p`: CR, LF or CR LF.
static const uint8_t *skipLineEnd(const uint8_t *p, const uint8_t *end)
{
  if (p < end)
    p++;
  if (p < end && *p == 10)
    p++;
  return p;
}

// NOTE: a line longer than 191 characters is cut; the rest of it is skipped,
// so the next lwsGetLine starts on the next line of the text.
void lwsGetLine(void)
{
  const uint8_t *end = textEnd();
  const uint8_t *p = lwsPtr ? lwsPtr : end;
  int32_t length = 0;
  while (p < end && *p != 13 && *p != 10) {
    if (length < LWS_NAME_SIZE - 1)
      lwsLine[length++] = (char)*p;
    p++;
  }
  lwsLine[length] = 0;
  lwsPtr = skipLineEnd(p, end);
}

int32_t lwsLinesLeft(int32_t limit)
{
  const uint8_t *end = textEnd();
  const uint8_t *p = lwsPtr;
  int32_t count = 0;
  while (p && p < end && count < limit) {
    while (p < end && *p != 13 && *p != 10)
      p++;
    p = skipLineEnd(p, end);
    count++;
  }
  return count;
}

// Tokens after the tenth parameter are appended to it with no separator, as
// far as its buffer allows.
void LwsComputeParams(void)
{
  for (char *token : lwsToken)
    token[0] = 0;
  lwsParamsCount = 0;
  const char *p = lwsLine;
  int32_t used = 0;  // characters already in the target (the tail of param 10)
  for (;;) {
    int32_t target = lwsParamsCount < LWS_MAX_PARAMS ? lwsParamsCount : LWS_MAX_PARAMS;
    char *out = lwsToken[target];
    if (lwsParamsCount <= LWS_MAX_PARAMS)
      used = 0;
    while (*p == ' ')
      p++;
    while (*p && *p != ' ') {
      if (used < LWS_NAME_SIZE - 1)
        out[used++] = *p;
      p++;
    }
    out[used] = 0;
    lwsParamsCount++;
    if (!*p)
      return;
    p++;
  }
}

int32_t lwsQstrcmp(const char *a, const char *b)
{
  return strcmp(a, b) == 0 ? 0 : -1;
}

// Numbers are read as level files read them; only the message is the scene
// reader's own.
float lwsGetFLOAT32(const char *text)
{
  float value = 0.0f;
  if (LvlReadFLOAT32(text, &value) != LVL_OK)
    ConsoleAdd(LWS_MSG_FLOAT);
  return value;
}
