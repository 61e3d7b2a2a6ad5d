// The Graphics Synthesizer.
#include "machine_internal.h"

void machineGsReset(void)
{
}
