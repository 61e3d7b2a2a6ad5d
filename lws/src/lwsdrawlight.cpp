// Lights are read from the scene but not applied: the show draws no lighting.
#include "lws.h"

int32_t LightEnable(LwsLight *light)
{
  return light ? LWS_OK : LWS_ERR_NULL;
}

int32_t LightDisable(LwsLight *light)
{
  return light ? LWS_OK : LWS_ERR_NULL;
}

void LightAmbientSet(float r, float g, float b, float a)
{
  (void)r;
  (void)g;
  (void)b;
  (void)a;
}
