// The register file and what a register access sets off.
#include "machine_regs.h"
#include "machine.h"
#include "machine_internal.h"

#include <chrono>
#include <thread>

// Written by HwWrite and by the model's own reactions; read by HwRead and the model.
static uint64_t regs[HW_REG_COUNT];
static int vsyncPending;   // CSR.VSINT
static int fieldCount;     // vertical syncs since set-up
static int64_t nextVsync;  // real-time pacing: the next field start, in ns of the clock
// The pacing clock: the host's steady clock unless a test set its own.
static int64_t (*clockNow)(void);
static void (*clockWaitUntil)(int64_t);

static int64_t hostNow(void)
{
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

static void hostWaitUntil(int64_t when)
{
  using namespace std::chrono;
  auto since = duration_cast<steady_clock::duration>(nanoseconds(when));
  std::this_thread::sleep_until(steady_clock::time_point(since));
}

void MachineSetClock(int64_t (*now)(void), void (*waitUntil)(int64_t))
{
  clockNow = now && waitUntil ? now : nullptr;
  clockWaitUntil = now && waitUntil ? waitUntil : nullptr;
}

static int64_t nowNs(void)
{
  return clockNow ? clockNow() : hostNow();
}

void machineRegsReset(void)
{
  for (uint64_t &r : regs)
    r = 0;
  vsyncPending = 0;
  fieldCount = 0;
  nextVsync = nowNs();
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
// NOTE: a frame that overran its field waits for the next field start on
// the same beat, not for a whole field from now: a 30 ms frame on PAL ends at
// 40 ms, as on the console, where the vertical blank does not move. Fields
// missed are not made up.
static void waitForField(void)
{
  const MachineConfig *config = MachineGetConfig();
  if (config->realtime && MachineGetFrameCount() >= config->startFrame) {
    // 1/50 s or 1001/60000 s in ns, rounded: 20000000 or 16683333.
    const int64_t field = config->region == MACHINE_REGION_PAL ? 20000000 : 16683333;
    int64_t now = nowNs();
    nextVsync += field;
    if (nextVsync < now)
      nextVsync += (now - nextVsync + field - 1) / field * field;
    if (clockWaitUntil)
      clockWaitUntil(nextVsync);
    else
      hostWaitUntil(nextVsync);
  }
  vsyncPending = 1;
  fieldCount++;
}

int MachineGetFieldCount(void)
{
  return fieldCount;
}

void HwWrite(HwReg reg, uint64_t value)
{
  if (reg < 0 || reg >= HW_REG_COUNT)
    return;
  if (MachineRecording *rec = machineRecorder())
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
    if (value & CSR_VSINT)
      vsyncPending = 0;
    if (value & CSR_RESET)
      machineGsReset();
    regs[reg] = value & ~(uint64_t)(CSR_VSINT | CSR_RESET);
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
    return regs[CSR] | CSR_VSINT;
  }
  return regs[reg];
}
