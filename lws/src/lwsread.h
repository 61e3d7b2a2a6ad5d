// The scene text reader: the line and token layer under the scene parser and
// the envelope reader, exposed for the parser's own files and for tests.
//
// The text is the module's FileData (LwsGetCurrentFile). A line ends at CR,
// LF or CR LF; only the space separates tokens. Every buffer holds 191
// characters and the terminator: a longer line or token is cut to fit and
// the rest of it is skipped, never written past the buffer.
#pragma once
#include <cstdint>

#include "lvl.h"
#include "lws.h"

enum { LWS_MAX_PARAMS = 10 };

// Reader state: written by lwsGetLine and LwsComputeParams, read by the parser.
extern char lwsLine[LWS_NAME_SIZE];
// lwsToken[0] is the command word, lwsToken[1..10] the parameters 1 to 10.
extern char lwsToken[LWS_MAX_PARAMS + 1][LWS_NAME_SIZE];
extern int32_t lwsParamsCount;

// Puts the read position at the start of the module's text.
void lwsRewind(void);
// Reads the next line into lwsLine.
void lwsGetLine(void);
// Splits lwsLine into lwsToken and lwsParamsCount.
void LwsComputeParams(void);
int32_t lwsQstrcmp(const char *a, const char *b);
// Numbers: LvlGetINT32 for integers; a number with an exponent reads as 0
// and is reported.
float lwsGetFLOAT32(const char *text);
// Read position minus the start of the text.
int32_t lwsGetOffset(void);
// 1 while text is left to read.
int32_t lwsTextLeft(void);
// How many lines are left to read, counting no further than `limit`.
int32_t lwsLinesLeft(int32_t limit);

// Reads one envelope that follows the current line (its opening line, the
// key count, the keys, the behaviours). 0, or -1 when the text ends inside
// it or the pool has no room for its keys.
int32_t lwsEnvParse(LwsEnvelope *envelope);
