// The scene parser's entry, shared by the scene loader (lws.cpp).
#pragma once
#include "lws.h"

// Parses the module's scene text (already loaded) into `scene`: the first
// pass, the progress call with 0, the second pass. 0, or -1 on a problem.
int32_t lwsParse(LwsScene *scene, LwsProgressFn progressFn);

// Item ids, parents and plugin blocks (lwsparseids.cpp).
void lwsParentsReset(void);
// Notes the ParentItem id of item `item` (0-based), and its kind in the block.
void lwsParentRecord(LwsBlock *block, int32_t item, const char *id);
// Turns every noted id into its item's parentIndex; an id that names no item
// of the scene is dropped with a warning.
void lwsParentsResolve(LwsScene *scene);
// After a "Plugin" line: reads past its block up to "EndPlugin", except for
// the morph mixer, whose lines the parser reads. 0.
int32_t lwsSkipPlugin(void);
