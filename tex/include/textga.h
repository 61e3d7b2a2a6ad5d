// The TGA codec: types 1, 2, 9 and 10 at 8, 16, 24 and 32 bits in, 24-bit uncompressed out.
#pragma once
#include <cstdint>

struct TexEntry;

int32_t TgaLoad(TexEntry *entry);
int32_t TgaSave(TexEntry *entry);
int32_t TgaFlip(TexEntry *entry);
