// The packet buffer shared by every GS operation, and its DMA send.
//
// An A+D packet of n register writes:
//   word 0    GIF tag low:  NLOOP = n, EOP, FLG PACKED, NREG 1
//   word 1    GIF tag high: REGS = one descriptor, A+D
//   then per write: the 64-bit value, then the GS register address
// packet_size counts quadwords from the start: n + 1.
#pragma once
#include <cstdint>

enum { PACKET_WORDS = 524290 };  // 4 MiB and one quadword

extern uint64_t packet[PACKET_WORDS];
extern int packet_offset;  // next free 64-bit word
extern int packet_size;    // quadwords to send

// Starts an A+D packet of `count` register writes at word 0.
void PacketBeginAD(int count);
// Appends one register write to the packet being built.
void PacketAddAD(uint64_t value, uint64_t address);

// Writes the data cache back, sends packet_size quadwords of `packet` by DMA
// channel 2 and waits for the transfer to finish.
void GifSend(void);
// The send step alone, for data that does not live in `packet` (image data).
void GifSendFrom(const void *source, int quadwords);
