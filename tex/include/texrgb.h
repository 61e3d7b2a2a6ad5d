// Pixel conversion, run after every image load. This machine keeps 32-bit pixels as they are.
#pragma once
#include <cstdint>

struct TexEntry;

void TexRGBSet(int32_t type);
int32_t TexRGBConvert(TexEntry *entry);
