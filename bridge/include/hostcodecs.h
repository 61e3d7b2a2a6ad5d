// Image codecs the host adds to the texture registry beyond the show's own
// TGA codec. The console has none; on the desktop the machine model lends the
// host's JPEG and PNG decoders when its start-up asked for them.
#pragma once
#include <cstdint>

// Registers them after the codecs already in the registry's table. Returns 0,
// also when there are none, or the registry's code when its table is full.
int32_t HostCodecsRegister(void);
