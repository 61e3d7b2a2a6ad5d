// Scene preparation after the parse: references between items are checked,
// and morph targets are marked so that they are never drawn themselves.
#include "lws.h"

#include "console.h"

// A MorphTarget naming no object, or a ParentItem naming no item, would be
// used as an index by playback: such a reference is dropped with a message.
static void checkReferences(LwsScene *scene, LwsBlock *block, int32_t itemNumber)
{
  if (block->morphTarget > scene->objectCount) {
    ConsoleAdd(LWS_MSG_MORPH_TARGET,
               (int)itemNumber, scene->name, (int)block->morphTarget);
    block->morphTarget = 0;
  }
  if (block->parentIndex > scene->itemCount) {
    ConsoleAdd(LWS_MSG_PARENT_INDEX,
               (int)itemNumber, scene->name, (int)block->parentIndex);
    block->parentIndex = 0;
    block->parentKind = 0;
  }
}

int32_t LwsInit(LwsScene *scene)
{
  if (!scene)
    return LWS_ERR_NULL;
  for (int32_t i = 0; i < scene->itemCount && i < LWS_MAX_ITEMS; i++)
    if (scene->items[i])
      checkReferences(scene, scene->items[i], i + 1);
  for (LwsBlock *block = scene->objectList; block; block = block->next)
    if (block->morphTarget > 0 && scene->objects[block->morphTarget - 1])
      scene->objects[block->morphTarget - 1]->isMorphTarget = 1;
  return LWS_OK;
}
