// The packet buffer and the DMA send step.
#include "ps2packet.h"
#include "machine_kernel.h"
#include "machine_regs.h"

#include <cstdint>

alignas(16) uint64_t packet[PACKET_WORDS];
int packet_offset;
int packet_size;

void PacketBeginAD(int count)
{
  packet[0] = GIF_TAG_AD_LOW + (uint64_t)(count & 0x7FFF);
  packet[1] = GIF_REG_AD;
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
  HwWrite(D2_CHCR, 0x101);  // from memory, normal mode, start
  while (HwRead(D2_CHCR) & D_CHCR_STR) {
  }
}

void GifSend(void)
{
  FlushCache(0);
  GifSendFrom(packet, packet_size);
}
