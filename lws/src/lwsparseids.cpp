// Item ids, parents and plugin blocks of the scene text.
//
// An item id is 8 hexadecimal digits: the kind (1 object, 2 light, 3 camera,
// 4 bone), then the item's index among the items of its kind, from 0:
//   ParentItem 10000003        the fourth object item (loaded or null)
//   AddLight 20000000          format 4 and 5 item lines carry their own id
// A parent may come later in the file than its child, so ParentItem lines are
// noted while the text is read and resolved once every item is known, into
// the 1-based index of the parent among all the scene's items.
//
// "Plugin CLASS N NAME" ... "EndPlugin" blocks hold the settings of plug-ins
// the show does not run; their lines are skipped whole, except the morph
// mixer's, which carry the endomorph channels the parser reads.
#include "lwsparse.h"

#include "console.h"
#include "lwsread.h"

#include <cstdint>
#include <cstring>

// Parser state of this file: the ParentItem id of each item (0 = none).
static uint32_t parentIds[LWS_MAX_ITEMS];

void lwsParentsReset(void)
{
  memset(parentIds, 0, sizeof parentIds);
}

static int hexValue(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The id's kind and index: the first digit, then the rest (at most 7 digits).
// -1 when the text is not such an id.
static int32_t parseId(const char *text, int32_t *kind, int32_t *index)
{
  size_t length = strlen(text);
  if (length == 0 || length > 8 || hexValue(text[0]) < 0)
    return -1;
  *kind = hexValue(text[0]);
  *index = 0;
  for (size_t i = 1; i < length; i++) {
    int digit = hexValue(text[i]);
    if (digit < 0)
      return -1;
    *index = *index * 16 + digit;
  }
  return 0;
}

void lwsParentRecord(LwsBlock *block, int32_t item, const char *id)
{
  int32_t kind, index;
  if (item < 0 || item >= LWS_MAX_ITEMS || parseId(id, &kind, &index) != 0)
    return;
  parentIds[item] = (uint32_t)kind << 28 | (uint32_t)index;
  if (kind >= LWS_KIND_OBJECT && kind <= LWS_KIND_CAMERA)
    block->parentKind = kind;
}

static int32_t kindOf(const LwsBlock *block)
{
  return block->object ? LWS_KIND_OBJECT : block->light ? LWS_KIND_LIGHT : LWS_KIND_CAMERA;
}

// The 1-based item index of the index-th item of `kind`, or 0.
static int32_t findItem(const LwsScene *scene, int32_t kind, int32_t index)
{
  for (int32_t i = 0, seen = 0; i < scene->itemCount && i < LWS_MAX_ITEMS; i++)
    if (scene->items[i] && kindOf(scene->items[i]) == kind && seen++ == index)
      return i + 1;
  return 0;
}

void lwsParentsResolve(LwsScene *scene)
{
  for (int32_t i = 0; i < scene->itemCount && i < LWS_MAX_ITEMS; i++) {
    if (!parentIds[i] || !scene->items[i])
      continue;
    int32_t kind = (int32_t)(parentIds[i] >> 28), index = (int32_t)(parentIds[i] & 0x0FFFFFFF);
    int32_t found = kind >= LWS_KIND_OBJECT && kind <= LWS_KIND_CAMERA ? findItem(scene, kind, index) : 0;
    scene->items[i]->parentIndex = found;
    if (!found) {
      ConsoleAdd(LWS_MSG_PARENT_ID,
                 (int)i + 1, scene->name, (unsigned)parentIds[i]);
      scene->items[i]->parentKind = 0;
    }
  }
}

int32_t lwsSkipPlugin(void)
{
  for (int32_t i = 1; i < lwsParamsCount && i <= LWS_MAX_PARAMS; i++)
    if (lwsQstrcmp(lwsToken[i], "MorphMixer") == 0)
      return 0;
  while (lwsTextLeft()) {
    lwsGetLine();
    LwsComputeParams();
    if (lwsQstrcmp(lwsToken[0], "EndPlugin") == 0)
      break;
  }
  return 0;
}
