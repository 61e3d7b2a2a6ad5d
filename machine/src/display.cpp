// The display circuit and the presenters that show its picture.
#include "machine_internal.h"

void machineDisplayFlip(void)
{
}
