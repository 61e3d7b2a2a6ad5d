// Host print: text for the host's console. One call may hold any number of
// lines; it formats into a buffer of 4096 bytes (longer output is cut).
#pragma once

int nprintf(const char *format, ...) __attribute__((format(printf, 1, 2)));
