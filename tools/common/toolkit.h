// What hvk and lwinfo share: one command-line style, UTF-8 for JSON, and
// checked standard output.
//
// Both tools answer a wrong command line alike: the reason on one line, the
// usage, exit status 2; --help and --version exit 0; a failure exits 1 with
// one line naming the file.
#pragma once
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

enum { TOOL_OK = 0, TOOL_FAILED = 1, TOOL_USAGE = 2 };

// "PROGRAM: REASON", the usage and a pointer to --help on standard error; 2.
inline int ToolUsageError(const char *program, const std::string &reason, const char *usage)
{
  std::fprintf(stderr, "%s: %s\nUsage: %s\nTry '%s --help' for more.\n", program, reason.c_str(), usage,
               program);
  return TOOL_USAGE;
}

// Parses the command line. Returns -1 to go on, or the exit status after
// help, the version or a usage error (printed here).
inline int ToolParse(CLI::App &app, int argc, char **argv, const char *program, const char *usage)
{
  try {
    app.parse(argc, argv);
    return -1;
  } catch (const CLI::CallForHelp &e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp &e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion &e) {
    return app.exit(e);
  } catch (const CLI::ParseError &e) {
    return ToolUsageError(program, e.what(), usage);
  }
}

// The names in the show's formats are Latin-1 bytes; JSON is UTF-8.
inline std::string ToolLatin1ToUtf8(const std::string &text)
{
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += (char)c;
    } else {
      out += (char)(0xC0 | c >> 6);
      out += (char)(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Flushes `out` (standard output) and says whether everything written to it
// arrived: output to a full disk or a closed pipe is a failure, not success.
inline int ToolFinishOutput(const char *program, FILE *out)
{
  if (std::fflush(out) == 0 && !std::ferror(out))
    return TOOL_OK;
  int error = errno ? errno : EIO;
  std::fprintf(stderr, "%s: standard output: cannot be written: %s\n", program, std::strerror(error));
  return TOOL_FAILED;
}
