// Host print: the console's text goes to standard output.
#include "machine_print.h"

#include <cstdarg>
#include <cstdio>
#include <string>

std::string *machineConsoleSink(void);

int nprintf(const char *format, ...)
{
  // The IOP side formats into a buffer of its own; longer text is cut to it.
  char buffer[4096];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0)
    return n;
  fputs(buffer, stdout);
  fflush(stdout);
  if (std::string *sink = machineConsoleSink())
    sink->append(buffer);
  return n < (int)sizeof buffer ? n : (int)sizeof buffer - 1;
}
