// The desktop's --stats switch.
#include "machine_stats.h"

static int statsWanted;

void MachineSetStatsWanted(int wanted)
{
  statsWanted = wanted != 0;
}

int MachineGetStatsWanted(void)
{
  return statsWanted;
}
