// The console, through the host-print service.
#include "console.h"
#include "machine_print.h"

#include <cstdarg>
#include <cstdio>

int32_t ConsoleInit(void)
{
  return 0;
}

int32_t ConsoleAdd(const char *format, ...)
{
  if (!format)
    return -2;
  char line[CONSOLE_LINE_SIZE];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);  // cuts a longer line to 191 characters
  va_end(args);
  nprintf("%s\n", line);
  return 0;
}

int32_t ConsoleProgressBarSet(int value)
{
  (void)value;
  return 0;
}

int32_t ConsoleFree(void)
{
  return 0;
}
