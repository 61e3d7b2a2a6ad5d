// The console: the program's one channel for text (title block, loader errors).
#pragma once
#include <cstdint>

enum { CONSOLE_LINE_SIZE = 192 };  // 191 characters and the terminating zero

int32_t ConsoleInit(void);
// Formats one line, printf style, and prints it with one line break. A line
// longer than 191 characters is cut to 191. Returns 0, or -2 for a null format.
int32_t ConsoleAdd(const char *format, ...) __attribute__((format(printf, 1, 2)));
int32_t ConsoleProgressBarSet(int value);
int32_t ConsoleFree(void);
