// Hardware register access.
//
// On the console each of these is a volatile load or store at the register's
// address. Here the same calls reach the software model of the machine, which
// reacts as the hardware would: a write of D2_CHCR with STR set runs a DMA
// transfer to the GIF, a write of DISPFB2 changes the displayed buffer (a flip),
// and CSR reports the vertical blank.
#pragma once
#include <cstdint>

#include "gsregs.h"

enum HwReg {
  // DMA controller, channel 2 (GIF)
  D2_CHCR, D2_MADR, D2_QWC, D2_TADR, D2_ASR0, D2_ASR1, D2_SADR,
  // DMA controller, common registers
  D_CTRL, D_STAT, D_PCR, D_SQWC, D_RBSR, D_RBOR,
  // GS privileged registers
  PMODE, DISPLAY2, DISPFB2, BGCOLOR, CSR,
  HW_REG_COUNT
};

// Bit fields the program uses.
enum {
  D_CHCR_DIR = 0x1,     // D2_CHCR: from memory
  D_CHCR_STR = 0x100,   // D2_CHCR: transfer running
  D_CTRL_DMAE = 0x1     // D_CTRL: DMA enable
};
// The GS registers' layouts (PMODE, DISPLAY2, DISPFB2, BGCOLOR, CSR) are in
// gsregs.h; the two CSR bits every caller uses are named here too.
enum : uint64_t {
  CSR_VSINT = GsPack(GsCSR.VSINT, 1),  // vertical sync has occurred (write 1 to clear)
  CSR_RESET = GsPack(GsCSR.RESET, 1)   // GS reset
};

// A DMA address register (D2_MADR, D2_TADR) holds a host pointer in the model.
void HwWrite(HwReg reg, uint64_t value);
uint64_t HwRead(HwReg reg);

// The boot ROM's region byte lives here; 'E' means a PAL machine.
enum { BOOT_ROM_REGION_ADDRESS = 0x1FC7FF52 };
uint8_t BootRomReadByte(uint32_t address);
