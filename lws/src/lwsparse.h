// The scene parser's entry, shared by the scene loader (lws.cpp).
#pragma once
#include "lws.h"

// Parses the module's scene text (already loaded) into `scene`: the first
// pass, the progress call with 0, the second pass. 0, or -1 on a problem.
int32_t lwsParse(LwsScene *scene, LwsProgressFn progressFn);
