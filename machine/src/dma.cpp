// DMA channel 2: memory to GIF, normal mode.
//
// A write of D2_CHCR with STR set runs the whole transfer at once: QWC
// quadwords from MADR go to the GIF, MADR advances by 16 bytes per quadword,
// QWC counts down to 0, STR is cleared and D_STAT's channel 2 bit (CIS2) is
// set. MADR holds a host pointer in this model. Chain and interleave modes
// are not used by the program; they move nothing here.
#include "machine_internal.h"
#include "machine_regs.h"

#include <cstring>

enum { D_STAT_CIS2 = 1 << 2, D_CHCR_MOD_MASK = 0xC, QWC_MASK = 0xFFFF };

// Quadwords handed to the GIF per step, so a long transfer is not copied whole
// before the GIF starts on it.
enum { DMA_STEP_QWC = 256 };

static void recordTransfer(const unsigned char *source, uint32_t qwc)
{
  MachineRecording *rec = machineRecorder();
  if (!rec)
    return;
  MachineTransferRec transfer;
  transfer.words.resize((size_t)qwc * 2);
  if (qwc)
    std::memcpy(transfer.words.data(), source, (size_t)qwc * 16);
  rec->transfers.push_back(std::move(transfer));
}

void machineDmaRunGif(void)
{
  uint64_t chcr = machineRegValue(D2_CHCR);
  uint64_t madr = machineRegValue(D2_MADR);
  uint32_t qwc = (uint32_t)(machineRegValue(D2_QWC) & QWC_MASK);
  const unsigned char *source = (const unsigned char *)(uintptr_t)madr;

  if ((chcr & D_CHCR_MOD_MASK) == 0 && source && qwc) {
    recordTransfer(source, qwc);
    // The source may be any host address: copy it out in aligned steps.
    uint64_t step[DMA_STEP_QWC * 2];
    for (uint32_t done = 0; done < qwc;) {
      uint32_t n = qwc - done < (uint32_t)DMA_STEP_QWC ? qwc - done : (uint32_t)DMA_STEP_QWC;
      std::memcpy(step, source + (size_t)done * 16, (size_t)n * 16);
      machineGifFeed(step, n);
      done += n;
    }
    madr += (uint64_t)qwc * 16;
  } else if (!source || !qwc) {
    recordTransfer(source, 0);
  }
  machineRegSet(D2_MADR, madr);
  machineRegSet(D2_QWC, 0);
  machineRegSet(D2_CHCR, chcr & ~(uint64_t)D_CHCR_STR);
  machineRegSet(D_STAT, machineRegValue(D_STAT) | D_STAT_CIS2);
}
