// The desktop's --stats switch.
#include "machine_stats.h"

static int statsWanted;

void MachineSetStats(int wanted)
{
  statsWanted = wanted != 0;
}

int MachineGetStats(void)
{
  return statsWanted;
}
