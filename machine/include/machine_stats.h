// The desktop's --stats: whether the show reports, at its end, the frames it
// drew, their rate and the time of each stage. Off until the command line
// turns it on; MachineSetup leaves it as it is.
#pragma once

void MachineSetStatsWanted(int wanted);
int MachineGetStatsWanted(void);
