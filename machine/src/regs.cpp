// The register file and what a register access sets off.
#include "machine_regs.h"
#include "gsregs.h"
#include "machine.h"
#include "machine_internal.h"

#include <chrono>
#include <thread>

// Written by HwWrite and by the model's own reactions; read by HwRead and the model.
static uint64_t regs[HW_REG_COUNT];
static int vsyncPending;                                  // CSR.VSINT
static int fieldCount;                                    // vertical syncs since set-up
static std::chrono::steady_clock::time_point nextVsync;  // real-time pacing

void machineRegsReset(void)
{
  for (uint64_t &r : regs)
    r = 0;
  vsyncPending = 0;
  fieldCount = 0;
  nextVsync = std::chrono::steady_clock::now();
}

uint64_t machineRegValue(int reg)
{
  return reg >= 0 && reg < HW_REG_COUNT ? regs[reg] : 0;
}

void machineRegSet(int reg, uint64_t value)
{
  if (reg >= 0 && reg < HW_REG_COUNT)
    regs[reg] = value;
}

// The next field start. Unpaced, it comes at once; in real time it comes
// 1/50 s (PAL) or 1001/60000 s (NTSC) after the previous one. The frames
// before --start are nobody's to watch and come at once too.
static void waitForField(void)
{
  const MachineConfig *config = MachineGetConfig();
  if (config->realtime && MachineFrameCount() >= config->startFrame) {
    using namespace std::chrono;
    auto field = config->region == MACHINE_REGION_PAL ? duration<double>(1.0 / 50.0)
                                                      : duration<double>(1001.0 / 60000.0);
    auto now = steady_clock::now();
    if (nextVsync < now - duration_cast<steady_clock::duration>(field))
      nextVsync = now;  // far behind (a slow frame): do not try to catch up
    nextVsync += duration_cast<steady_clock::duration>(field);
    std::this_thread::sleep_until(nextVsync);
  }
  vsyncPending = 1;
  fieldCount++;
}

int MachineFieldCount(void)
{
  return fieldCount;
}

void HwWrite(HwReg reg, uint64_t value)
{
  if (reg < 0 || reg >= HW_REG_COUNT)
    return;
  if (MachineRecording *rec = machineRecording())
    rec->hwWrites.push_back({(int)reg, value});
  switch (reg) {
  case D2_CHCR:
    regs[reg] = value;
    if (value & D_CHCR_STR) {
      machineDmaRunGif();  // the whole transfer runs now; it clears STR itself
    }
    break;
  case D_STAT:
    // The low bits are cleared by writing 1; the mask bits toggle.
    regs[reg] = (regs[reg] & ~(value & 0xFFFF)) ^ (value & 0xFFFF0000u);
    break;
  case CSR:
    // VSINT is written 1 to clear and RESET is an action: neither is kept.
    if (GsGet(value, GsCSR.VSINT))
      vsyncPending = 0;
    if (GsGet(value, GsCSR.RESET))
      machineGsReset();
    regs[reg] = value & ~(GsPack(GsCSR.VSINT, 1) | GsPack(GsCSR.RESET, 1));
    break;
  case DISPFB2:
    regs[reg] = value;
    machineDisplayFlip();
    break;
  default:
    regs[reg] = value;
    break;
  }
}

uint64_t HwRead(HwReg reg)
{
  if (reg < 0 || reg >= HW_REG_COUNT)
    return 0;
  if (reg == CSR) {
    // Polling for the vertical blank: the model lets the next field start.
    if (!vsyncPending)
      waitForField();
    return regs[CSR] | GsPack(GsCSR.VSINT, 1);
  }
  return regs[reg];
}
