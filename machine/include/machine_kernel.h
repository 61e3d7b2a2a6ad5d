// Emotion Engine kernel calls the program makes.
#pragma once
#include <cstdint>

// Writes the data cache back to memory (mode 0: the whole cache) so that DMA
// sees what the processor wrote. Host memory is coherent: nothing to do here.
void FlushCache(int mode);

// CRT set-up: interlace 0 (progressive) or 1, mode 2 (NTSC) or 3 (PAL), field 0 or 1.
void SetGsCrt(int16_t interlace, int16_t mode, int16_t field);

// Sets the GS interrupt mask; returns the previous mask.
uint64_t GsPutIMR(uint64_t mask);

enum { GS_CRT_NTSC = 2, GS_CRT_PAL = 3 };
