// The web build's stand-in for zlib: the display's frame checksums need only
// its CRC-32 (crc32.cpp), and the browser has no zlib to link.
#pragma once
#include <cstddef>

typedef unsigned long uLong;
typedef unsigned int uInt;
typedef unsigned char Bytef;

uLong crc32(uLong crc, const Bytef *bytes, uInt length);
