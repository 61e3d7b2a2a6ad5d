// Shared between the parts of the machine model; not for the program.
#pragma once
#include <cstdint>

#include "machine.h"

// Register file: set by HwWrite, read by the parts of the model.
uint64_t machineRegValue(int reg);
// The model's own update of a register (DMA progress), without side effects.
void machineRegSet(int reg, uint64_t value);

// DMA channel 2: runs the transfer described by D2_MADR and D2_QWC (dma.cpp).
void machineDmaRunGif(void);

// The GIF: unpacks `count` quadwords of a transfer into GS writes (gif.cpp).
void machineGifFeed(const uint64_t *words, uint32_t count);
void machineGifReset(void);

// The GS (gs.cpp): reset through CSR, one general register write, image data.
void machineGsReset(void);
void machineGsWrite(int address, uint64_t value);
// `quadwords` of IMAGE data, four pixels each.
void machineGsImageData(const uint64_t *words, uint32_t quadwords);

// GS local memory, 4 MiB as 32-bit words; every index is taken modulo its size.
enum { GS_MEM_WORDS = 1 << 20, GS_MEM_MASK = GS_MEM_WORDS - 1 };
extern uint32_t gsMem[GS_MEM_WORDS];

// A write of DISPFB2: the display now shows another buffer (display.cpp).
void machineDisplayFlip(void);
// End of one call of the draw callback: present frame `frame` (display.cpp).
// Returns 1 when the user asked to quit (window closed, Escape) or it failed.
int machineDisplayFrameDone(int frame);
// Sets gsDrawingOff for the frame about to be drawn (display.cpp).
void machineDisplaySkipping(int frame);

// Forget open files (fileio.cpp), for MachineSetup.
void machineFileioReset(void);

// Vertical blank bookkeeping (regs.cpp), for MachineSetup.
void machineRegsReset(void);

// Recording for tests (config.cpp): null when nothing is being recorded.
MachineRecording *machineRecorder(void);
// Drawing counters (gs.cpp).
extern MachineGsStats gsStats;
// While set, primitives are taken in but not drawn (gs.cpp): frames nobody sees.
extern int gsDrawingOff;
