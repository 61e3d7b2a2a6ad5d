// Playback helpers shared by the playback files.
#pragma once
#include "lws.h"

void getTrans(LwoTransform *transform, const LwsBlock *item, float factor);
void lwsSetPerspective(LwsScene *scene);
