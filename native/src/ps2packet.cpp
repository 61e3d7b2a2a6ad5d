// The packet buffer and the DMA send step.
#include "ps2packet.h"
#include "gsregs.h"
#include "machine_kernel.h"
#include "machine_regs.h"

#include <cstdint>

alignas(16) uint64_t packet[PACKET_WORDS];
int packet_offset;
int packet_size;

void PacketBeginAD(int count)
{
  packet[0] = GsPack(GifTAG.NLOOP, (uint64_t)count) | GsPack(GifTAG.EOP, 1) |
              GsPack(GifTAG.FLG, GIF_FLG_PACKED) | GsPack(GifTAG.NREG, 1);
  packet[1] = GsPack(GifTAG.REGS, GIF_REG_AD);
  packet_offset = 2;
  packet_size = count + 1;
}

void PacketAddAD(uint64_t value, uint64_t address)
{
  packet[packet_offset++] = value;
  packet[packet_offset++] = address;
}

void GifSendFrom(const void *source, int quadwords)
{
  HwWrite(D2_QWC, (uint64_t)quadwords);
  HwWrite(D2_MADR, (uint64_t)(uintptr_t)source);
  HwWrite(D2_CHCR, D_CHCR_DIR | D_CHCR_STR);  // from memory, normal mode, start
  while (HwRead(D2_CHCR) & D_CHCR_STR) {
  }
}

void GifSend(void)
{
  FlushCache(0);
  GifSendFrom(packet, packet_size);
}
