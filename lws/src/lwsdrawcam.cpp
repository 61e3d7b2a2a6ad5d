// The camera's view transform.
#include "lws.h"
#include "matrix.h"

int32_t CamEnable(LwsCamera *camera)
{
  if (!camera)
    return LWS_ERR_NULL;
  MatrixTranslate(camera->position[0], -camera->position[1], camera->position[2]);
  MatrixRotate(-camera->rotation[2], 0, 0, 1);
  MatrixRotate(camera->rotation[1], 0, 1, 0);
  MatrixRotate(camera->rotation[0], 1, 0, 0);
  return LWS_OK;
}

int32_t CamDisable(LwsCamera *camera)
{
  return camera ? LWS_OK : LWS_ERR_NULL;
}
