// DMA channel 2: memory to GIF.
#include "machine_internal.h"

void machineDmaRunGif(void)
{
  // The GIF and GS are not modelled yet: the transfer completes with no effect.
}
