// Pixel conversion, the step the registry runs after every image load. This
// machine draws 32-bit R, G, B, A pixels as the codecs produce them, so no
// conversion touches the pixels; the selected type is only kept.
#include "texrgb.h"

#include "tex.h"

// Module state: written only by TexRGBSet.
static int32_t rgbType;

void TexRGBSet(int32_t type)
{
  rgbType = type;
}

int32_t TexRGBConvert(TexEntry *entry)
{
  if (!entry)
    return TEX_ERR_NULL;
  (void)rgbType;  // every type keeps the pixels as they are
  return TEX_OK;
}
