// Object drawing: the endomorph blend, the object's own transform, and the
// vertex and triangle stages surface by surface, each batch handed to the GS
// back end flat or textured.
#include "lwo.h"
#include "matrix.h"
#include "mem.h"
#include "ps2draw.h"
#include "ps2drawtex.h"
#include "render.h"

// Render buffers, reused for every object and surface. The vertex buffers
// start with 15,000 records and grow from the pool when an object that needs
// more is prepared (LwoDrawReserve, at load time); the triangle buffer never
// grows: a surface with more triangles is drawn in several batches.
static ScreenVertex vertexRecordsObj[RENDER_VERTEX_RECORDS];
static ScreenVertex vertexRecordsSurf[RENDER_VERTEX_RECORDS];
static ScreenVertex triangleRecords[RENDER_TRIANGLE_RECORDS];
static VertexBuffer vertexBufferObj = {vertexRecordsObj, RENDER_VERTEX_RECORDS, 0};
static VertexBuffer vertexBufferSurf = {vertexRecordsSurf, RENDER_VERTEX_RECORDS, 0};
static TriangleBuffer triangleBuffer = {triangleRecords, RENDER_TRIANGLES};
static uint32_t poolGeneration;  // the pool's generation when the buffers last grew

// Grown buffers live in the pool; once the pool has been forgotten (tools and
// tests reset it) their blocks may belong to someone else, so the buffers
// return to their static records.
static void dropStaleBuffers(void)
{
  if (poolGeneration == MemGetGeneration())
    return;
  vertexBufferObj = {vertexRecordsObj, RENDER_VERTEX_RECORDS, 0};
  vertexBufferSurf = {vertexRecordsSurf, RENDER_VERTEX_RECORDS, 0};
  poolGeneration = MemGetGeneration();
}

int32_t LwoDrawReserve(const LwoObject *object)
{
  if (!object)
    return LWO_ERR_NULL;
  dropStaleBuffers();
  int32_t surfPoints = 0;
  for (int32_t i = 0; i < object->uvMapCount && i < LWO_MAX_UV_MAPS; i++)
    if (object->uvMaps[i].totalCount > surfPoints)
      surfPoints = object->uvMaps[i].totalCount;
  if (RenderVertexBufferReserve(&vertexBufferObj, object->vertexCount) != RENDER_OK ||
      RenderVertexBufferReserve(&vertexBufferSurf, surfPoints) != RENDER_OK)
    return LWO_ERR_NO_MEMORY;
  return LWO_OK;
}

// LightWave's rule for an item, in LightWave's axes: a point p goes to
// position + R * S * (p - pivot), with R = heading * pitch * bank for column
// vectors (bank first). On the matrix stack an operation issued later acts
// after the earlier ones, so the steps are issued in the order a point meets
// them. MatrixRotate turns by the standard rotations: about Z +X towards +Y
// (bank), about X +Z towards -Y (pitch, nose down), about Y +Z towards +X
// (heading, to the right).
int32_t LwoApplyTransf(LwoTransform *transform, float unused)
{
  (void)unused;
  if (!transform)
    return LWO_ERR_NULL;
  MatrixTranslate(-transform->pivot[0], -transform->pivot[1], -transform->pivot[2]);
  MatrixScale(transform->scale[0], transform->scale[1], transform->scale[2]);
  MatrixRotate(transform->rotation[2], 0, 0, 1);
  MatrixRotate(transform->rotation[0], 1, 0, 0);
  MatrixRotate(transform->rotation[1], 0, 1, 0);
  MatrixTranslate(transform->position[0], transform->position[1], transform->position[2]);
  return LWO_OK;
}

// The surface's image when it can be drawn: pixels (its own or those of the
// record it shares) that the GS texture area can take. Otherwise the surface
// is drawn in its flat colour.
static const uint8_t *drawablePixels(const LwoSurface *surface)
{
  if (surface->projection == LWO_PROJ_NONE || !surface->texture)
    return nullptr;
  const uint8_t *pixels = TexGetPixels(surface->texture);
  const TexEntry *texture = surface->texture;
  if (!pixels || texture->width <= 0 || texture->height <= 0 || texture->width > 0xFFFF ||
      texture->height > 0xFFFF)
    return nullptr;
  if (PS2DrawTexCheck((uint16_t)texture->width, (uint16_t)texture->height, pixels) != PS2TEX_OK)
    return nullptr;
  return pixels;
}

// Builds and draws one surface's triangles batch by batch.
static void drawBatches(VertexBuffer *vertices, const float *uv, const LwoSurface *surface,
                        int32_t useEnvUV, const uint8_t *pixels)
{
  for (int32_t first = 0; first < surface->triCount;) {
    int32_t n = 0;
    int32_t used = BuildTriangleBuffer(vertices, uv, surface->triIndices, surface->triCount, first,
                                       &triangleBuffer, &n, useEnvUV);
    if (used <= 0)
      break;
    if (pixels)
      PS2DrawTriangleBufferWithTex(triangleBuffer.records, n, (uint16_t)surface->texture->width,
                                   (uint16_t)surface->texture->height, pixels);
    else
      PS2DrawTriangleBuffer(triangleBuffer.records, n, surface->color[0], surface->color[1],
                            surface->color[2]);
    first += used;
  }
}

static void renderSurface(LwoSurface *surface)
{
  if (surface->triCount <= 0 || !surface->triIndices)
    return;
  const uint8_t *pixels = drawablePixels(surface);
  if (surface->projection == LWO_PROJ_UV) {
    const LwoUVMap *map = surface->uvMap;
    if (map && map->seamPoints && map->flatUV) {
      BuildVertexBuffer(map->seamPoints, nullptr, &vertexBufferSurf, map->totalCount);
      drawBatches(&vertexBufferSurf, map->flatUV, surface, 0, pixels);
      return;
    }
    // No map to draw from: the indices may name seam copies the object does
    // not have; those triangles are dropped by the triangle stage.
    drawBatches(&vertexBufferObj, nullptr, surface, 0, nullptr);
    return;
  }
  if (surface->reflection) {
    drawBatches(&vertexBufferObj, nullptr, surface, 1, pixels);
    return;
  }
  const float *uv = surface->projection != LWO_PROJ_NONE ? surface->uv : nullptr;
  drawBatches(&vertexBufferObj, uv, surface, 0, uv ? pixels : nullptr);
}

// The vertex stage once for the object, then every surface in index order.
static void render(LwoObject *object)
{
  if (!object->points || object->vertexCount <= 0)
    return;
  // Points beyond what the buffers could be grown to at load time are left
  // out by the vertex stage, which says so once; their triangles are dropped.
  dropStaleBuffers();
  // Normals go through the vertex stage when any surface reflects, so that
  // every reflective surface reads this object's environment coordinates,
  // not those an earlier object left in the buffer.
  int reflects = 0;
  for (int32_t i = 0; i < object->surfaceCount && object->surfaces; i++)
    reflects |= object->surfaces[i].reflection != 0;
  BuildVertexBuffer(object->points, reflects ? object->normals : nullptr, &vertexBufferObj,
                    object->vertexCount);
  for (int32_t i = 0; i < object->surfaceCount && object->surfaces; i++)
    renderSurface(&object->surfaces[i]);
}

int32_t LwoEnable(LwoObject *object, int mode)
{
  if (!object)
    return LWO_ERR_NULL;
  if (object->isMorphTarget)
    return LWO_ERR_MORPH_TARGET;
  if (mode == 0) {
    lwoEndoMorphPrepare(object);
    if (object->opacity < 0.0f)
      object->opacity = 0.0f;
    if (object->opacity > 1.0f)
      object->opacity = 1.0f;
  }
  if (object->ownTransform) {
    MatrixPush();
    LwoApplyTransf(&object->transform, object->worldScale);
  }
  if (mode == 0)
    render(object);
  if (object->ownTransform)
    MatrixPop();
  return LWO_OK;
}
