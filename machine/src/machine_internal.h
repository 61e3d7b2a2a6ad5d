// Shared between the parts of the machine model; not for the program.
#pragma once
#include <cstdint>

// Register file: set by HwWrite, read by the parts of the model.
uint64_t machineRegValue(int reg);

// DMA channel 2: runs the transfer described by D2_MADR and D2_QWC (dma.cpp).
void machineDmaRunGif(void);

// GS reset through CSR (gs.cpp, when present).
void machineGsReset(void);

// A write of DISPFB2: the display now shows another buffer (display.cpp).
void machineDisplayFlip(void);

// Forget open files (fileio.cpp), for MachineSetup.
void machineFileioReset(void);

// Vertical blank bookkeeping (regs.cpp), for MachineSetup.
void machineRegsReset(void);
