// Kernel calls: what the program asks of the Emotion Engine's kernel.
#include "machine_kernel.h"
#include "machine.h"
#include "machine_regs.h"

static uint64_t gsInterruptMask;
static int16_t crtMode;

void FlushCache(int mode)
{
  (void)mode;  // host memory is coherent with what DMA reads
}

void SetGsCrt(int16_t interlace, int16_t mode, int16_t field)
{
  (void)interlace;
  (void)field;
  crtMode = mode;
}

uint64_t GsPutIMR(uint64_t mask)
{
  uint64_t old = gsInterruptMask;
  gsInterruptMask = mask;
  return old;
}

uint8_t BootRomReadByte(uint32_t address)
{
  // The ROM's version string ends in the region letter: 'E' for Europe (PAL),
  // 'J' or 'A' elsewhere (NTSC). Other ROM bytes read as 0.
  if (address == BOOT_ROM_REGION_ADDRESS)
    return MachineGetConfig()->region == MACHINE_REGION_PAL ? 'E' : 'A';
  return 0;
}
