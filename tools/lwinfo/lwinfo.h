// lwinfo: the inspector for the show's input formats. main.cpp reads the
// command line and hands the file to the part for its extension; each part
// prints what the engine's reader makes of the file.
#pragma once
#include <string>

struct LwinfoOptions {
  std::string file;  // the file to inspect
  std::string png;   // images: write the decoded picture here as PNG ("" = no)
  bool json = false; // objects: print one JSON object instead of text
  std::string host;  // objects: host folder for the load ("" = the file's folder)
};

// Each part returns the process's exit status: 0, or 1 after printing one
// line to standard error that names the file and the problem.
int LwinfoTga(const LwinfoOptions &options);
int LwinfoObject(const LwinfoOptions &options);

// Prints "lwinfo: FILE: MESSAGE" to standard error and returns 1.
int LwinfoFail(const std::string &file, const std::string &message);
