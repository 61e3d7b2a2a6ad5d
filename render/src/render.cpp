// The software render front end: points to screen space, triangles to a flat
// list of screen-space triangles with back faces removed, texture
// coordinates attached, cut at the depth limit z = 1 and clipped.
//
// Input triangles are taken one at a time through the whole chain (facing,
// depth cut, the four screen-edge passes) in a small scratch list, then
// appended to the caller's triangle buffer. The order and the values are
// those of cutting the whole list pass by pass, since every pass keeps the
// order of its triangles; but the scratch never needs more than the
// RENDER_PIECES_MAX triangles one input triangle can become, and a batch can
// stop cleanly before the triangle that would not fit.
#include "renderint.h"

#include "console.h"
#include "matrix.h"
#include "mem.h"
#include "window.h"

#include <chrono>
#include <cmath>
#include <cstring>

// Module state, written only here: the scratch lists of one input triangle,
// the counters, and the one-time warnings (re-armed by RenderStatsReset).
static ScreenVertex pieceList[RENDER_PIECES_MAX * 3];
static ScreenVertex pieceScratch[RENDER_PIECES_MAX * 3];
static RenderStats stats;
static int warnedPoints, warnedTriangles, warnedBad;

int32_t renderTruncSat(float value)
{
  if (!(value == value))
    return 0;
  // (float)RENDER_COORD_LIMIT rounds up to 2^30; the casts below stay in range.
  if (value >= (float)RENDER_COORD_LIMIT)
    return RENDER_COORD_LIMIT;
  if (value <= -(float)RENDER_COORD_LIMIT)
    return -RENDER_COORD_LIMIT;
  return (int32_t)value;
}

int32_t renderClampCoord(int64_t value)
{
  if (value > RENDER_COORD_LIMIT)
    return RENDER_COORD_LIMIT;
  if (value < -RENDER_COORD_LIMIT)
    return -RENDER_COORD_LIMIT;
  return (int32_t)value;
}

const RenderStats *RenderStatsGet(void)
{
  return &stats;
}

void RenderStatsReset(void)
{
  memset(&stats, 0, sizeof stats);
  warnedPoints = warnedTriangles = warnedBad = 0;
}

int32_t RenderVertexBufferReserve(VertexBuffer *buffer, int32_t count)
{
  if (!buffer)
    return RENDER_ERR_NULL;
  if (count < 0)
    return RENDER_ERR_ARGUMENT;
  if (count <= buffer->capacity && buffer->records)
    return RENDER_OK;
  if (count > INT32_MAX / (int32_t)sizeof(ScreenVertex))
    return RENDER_ERR_MEMORY;
  ScreenVertex *block = static_cast<ScreenVertex *>(MemAlloc(count * (int32_t)sizeof(ScreenVertex)));
  if (!block)
    return RENDER_ERR_MEMORY;
  if (buffer->records && buffer->capacity > 0)
    memcpy(block, buffer->records, (size_t)buffer->capacity * sizeof(ScreenVertex));
  buffer->records = block;
  buffer->capacity = count;
  if (buffer->count > count)
    buffer->count = count;
  return RENDER_OK;
}

// One point: environment coordinates from the normal (translation included),
// then model-view, projection, divide by w and the move to the surface's
// centre. A projection that is not finite marks the record with a NaN z.
static void projectPoint(const float *p, const float *n, ScreenVertex *out, const Matrix4 *mv,
                         const Matrix4 *proj, int32_t halfW, int32_t halfH)
{
  if (n) {
    Vector3 normal = {n[0], n[1], n[2]}, e;
    MatrixVectMult(&e, &normal, mv);
    out->eu = e.z / 120.0f;
    out->ev = e.y / 120.0f;
  }
  Vector3 point = {p[0], p[1], p[2]}, q;
  Vector4 c;
  MatrixVectMult(&q, &point, mv);
  MatrixVectMultWithW(&c, &q, proj);
  if (c.w != 0.0f && c.w != 1.0f) {
    c.x /= c.w;
    c.y /= c.w;
    c.z /= c.w;
  }
  if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) {
    out->x = halfW;
    out->y = halfH;
    out->z = NAN;
    return;
  }
  out->x = renderClampCoord((int64_t)halfW + renderTruncSat(c.x));
  out->y = renderClampCoord((int64_t)halfH + renderTruncSat(c.y));
  out->z = -c.z;
}

static int32_t buildVertexBuffer(const float *points, const float *normals, VertexBuffer *out,
                                 int32_t count)
{
  if (!out || (count > 0 && !points))
    return RENDER_ERR_NULL;
  if (count < 0)
    return RENDER_ERR_ARGUMENT;
  Matrix4 *mv = MatrixGet(MATRIX_MODELVIEW), *proj = MatrixGet(MATRIX_PROJECTION);
  out->count = 0;
  if (!mv || !proj)
    return RENDER_ERR_ARGUMENT;
  const WindowInfo *window = WindowGet();
  int32_t halfW = window->width >> 1, halfH = window->height >> 1;
  // The factor of z in w becomes 1; this stays in the projection matrix.
  proj->m[11] = 1.0f;
  int32_t n = count;
  int32_t room = out->records ? (out->capacity > 0 ? out->capacity : 0) : 0;
  if (n > room) {
    stats.pointsLost += n - room;
    if (!warnedPoints) {
      warnedPoints = 1;
      ConsoleAdd("Warning : %d points do not fit the vertex buffer of %d, the rest is not drawn !",
                 (int)count, (int)room);
    }
    n = room;
  }
  for (int32_t i = 0; i < n; i++)
    projectPoint(&points[3 * i], normals ? &normals[3 * i] : nullptr, &out->records[i], mv, proj,
                 halfW, halfH);
  out->count = n;
  stats.points += n;
  return n;
}

// The cut point on the edge from G (G.z > 1) to K (K.z <= 1): x and y by an
// integer step truncated toward zero, z exactly 1, u and v interpolated. The
// words not interpolated are G's. G.z - K.z > 0, so the divide is defined.
static void depthCutPoint(ScreenVertex *q, const ScreenVertex *g, const ScreenVertex *k)
{
  float above = g->z - 1.0f, span = g->z - k->z;
  *q = *g;
  q->x = renderClampCoord((int64_t)g->x + renderTruncSat(above * (float)(k->x - g->x) / span));
  q->y = renderClampCoord((int64_t)g->y + renderTruncSat(above * (float)(k->y - g->y) / span));
  q->z = 1.0f;
  q->u = g->u + above * ((k->u - g->u) / span);
  q->v = g->v + above * ((k->v - g->v) / span);
}

static inline void depthSortStep(ScreenVertex *a, ScreenVertex *b)
{
  if (a->z < b->z) {
    ScreenVertex t = *a;
    *a = *b;
    *b = t;
  }
}

// Orders t[0..2] by falling z and cuts at z = 1 into `dst`. Returns the
// number of triangles written: 0, 1 or 2.
static int depthCut(ScreenVertex *t, ScreenVertex *dst)
{
  depthSortStep(&t[1], &t[2]);
  depthSortStep(&t[0], &t[1]);
  depthSortStep(&t[1], &t[2]);
  const ScreenVertex *f = &t[0], *m = &t[1], *n = &t[2];
  if (f->z < 1.0f) {
    memcpy(dst, t, 3 * sizeof *t);
    return 1;
  }
  if (f->z > 1.0f && m->z <= 1.0f) {  // only F beyond: a quadrilateral, two triangles
    ScreenVertex qn, qm;
    depthCutPoint(&qn, f, n);
    depthCutPoint(&qm, f, m);
    dst[0] = *m;
    dst[1] = *n;
    dst[2] = qn;
    dst[3] = qn;
    dst[4] = *m;
    dst[5] = qm;
    stats.trianglesCut++;
    return 2;
  }
  if (m->z > 1.0f && n->z <= 1.0f) {  // F and M beyond: one smaller triangle
    dst[0] = *n;
    depthCutPoint(&dst[1], f, n);
    depthCutPoint(&dst[2], m, n);
    stats.trianglesCut++;
    return 1;
  }
  stats.trianglesNear++;  // all beyond, or the largest z exactly 1
  return 0;
}

static inline int validIndex(int32_t index, int32_t limit)
{
  return index >= 0 && index < limit;
}

// Takes one input triangle through texture coordinates, facing, depth cut
// and clipping into pieceList. Returns the number of triangles there.
static int32_t buildPieces(VertexBuffer *vertices, int32_t limit, const float *uv,
                           const int32_t *tri, int32_t useEnvUV)
{
  if (!validIndex(tri[0], limit) || !validIndex(tri[1], limit) || !validIndex(tri[2], limit)) {
    stats.trianglesBad++;
    return 0;
  }
  ScreenVertex t[3];
  for (int k = 0; k < 3; k++) {
    ScreenVertex *v = &vertices->records[tri[k]];
    // Written for every triangle, culled or not, so a shared point gets its
    // coordinates whichever triangle comes first.
    if (useEnvUV) {
      v->u = v->eu * 0.5f + 0.5f;
      v->v = v->ev * 0.5f + 0.5f;
    } else if (uv) {
      v->u = uv[2 * tri[k]];
      v->v = uv[2 * tri[k] + 1];
    }
    t[k] = *v;
    // Records a caller filled by hand may hold any integers; keep every
    // later difference within 32 bits.
    t[k].x = renderClampCoord(t[k].x);
    t[k].y = renderClampCoord(t[k].y);
  }
  if (std::isnan(t[0].z) || std::isnan(t[1].z) || std::isnan(t[2].z)) {
    stats.trianglesBad++;
    return 0;
  }
  float x1 = (float)t[0].x, y1 = (float)t[0].y, z1 = t[0].z;
  float x2 = (float)t[1].x, y2 = (float)t[1].y, z2 = t[1].z;
  float x3 = (float)t[2].x, y3 = (float)t[2].y, z3 = t[2].z;
  float facing = x3 * (y2 * z1 - y1 * z2) + y3 * (x1 * z2 - x2 * z1) + z3 * (y1 * x2 - x1 * y2);
  if (facing < 0.0f) {
    stats.trianglesCulled++;
    return 0;
  }
  int32_t n = depthCut(t, pieceList);
  if (n > 0) {
    int touched;
    n = renderClip(pieceList, n, pieceScratch, &touched);
    stats.trianglesClipped += touched;
  }
  return n;
}

static int32_t buildTriangleBuffer(VertexBuffer *vertices, const float *uv,
                                   const int32_t *triangles, int32_t triangleCount, int32_t first,
                                   TriangleBuffer *out, int32_t *outCount, int32_t useEnvUV)
{
  if (outCount)
    *outCount = 0;
  if (!vertices || !out || !outCount || (triangleCount > 0 && !triangles))
    return RENDER_ERR_NULL;
  if (triangleCount < 0 || first < 0 || first > triangleCount)
    return RENDER_ERR_ARGUMENT;
  // Only records the last build wrote, and that exist, may be named.
  int32_t limit = vertices->records ? vertices->count : 0;
  if (limit > vertices->capacity)
    limit = vertices->capacity;
  int32_t room = out->records && out->capacity > 0 ? out->capacity : 0;
  int32_t n = 0, t = first;
  RenderStats before = stats;
  for (; t < triangleCount; t++) {
    // Near the end of the buffer the triangle may have to wait for the next
    // batch; keep the counters as they were so that it is not counted twice.
    if (room - n < RENDER_PIECES_MAX)
      before = stats;
    int32_t pieces = buildPieces(vertices, limit, uv, &triangles[3 * t], useEnvUV);
    if (pieces > room - n) {
      if (n > 0) {
        stats = before;  // pieces > room - n: saved above
        break;           // the next batch starts with this triangle
      }
      // Even an empty buffer cannot take this triangle's pieces: only a
      // buffer smaller than RENDER_PIECES_MAX triangles gets here.
      stats.trianglesLost += pieces - room;
      if (!warnedTriangles) {
        warnedTriangles = 1;
        ConsoleAdd("Warning : triangle buffer of %d triangles too small, triangles dropped !",
                   (int)room);
      }
      pieces = room;
    }
    if (pieces > 0)
      memcpy(&out->records[3 * n], pieceList, (size_t)pieces * 3 * sizeof(ScreenVertex));
    n += pieces;
  }
  if (stats.trianglesBad > 0 && !warnedBad) {
    warnedBad = 1;
    ConsoleAdd("Warning : triangles with a missing or damaged point are not drawn !");
  }
  stats.trianglesIn += t - first;
  stats.trianglesOut += n;
  *outCount = n;
  return t - first;
}

static int64_t nanosSince(std::chrono::steady_clock::time_point start)
{
  auto elapsed = std::chrono::steady_clock::now() - start;
  return (int64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
}

int32_t BuildVertexBuffer(const float *points, const float *normals, VertexBuffer *out,
                          int32_t count)
{
  auto start = std::chrono::steady_clock::now();
  int32_t result = buildVertexBuffer(points, normals, out, count);
  stats.vertexNanos += nanosSince(start);
  return result;
}

int32_t BuildTriangleBuffer(VertexBuffer *vertices, const float *uv, const int32_t *triangles,
                            int32_t triangleCount, int32_t first, TriangleBuffer *out,
                            int32_t *outCount, int32_t useEnvUV)
{
  auto start = std::chrono::steady_clock::now();
  int32_t result = buildTriangleBuffer(vertices, uv, triangles, triangleCount, first, out,
                                       outCount, useEnvUV);
  stats.triangleNanos += nanosSince(start);
  return result;
}
