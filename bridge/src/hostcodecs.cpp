// Host image codecs: whatever the machine model was given to register.
#include "hostcodecs.h"
#include "machine.h"

int32_t HostCodecsRegister(void)
{
  return MachineRegisterImageCodecs();
}
