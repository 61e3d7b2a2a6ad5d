// The camera's view transform.
#include "lws.h"
#include "matrix.h"

#include <cstring>

// The view scene playback worked out for this frame (the inverse of the
// camera's placement, turned into the render's view space) onto the current
// matrix.
int32_t CamEnable(LwsCamera *camera)
{
  if (!camera)
    return LWS_ERR_NULL;
  Matrix4 view;
  memcpy(view.m, camera->view, sizeof view.m);
  MatrixMult(&view);
  return LWS_OK;
}

int32_t CamDisable(LwsCamera *camera)
{
  return camera ? LWS_OK : LWS_ERR_NULL;
}
