// The software render front end: points to screen space, triangles to a flat
// list of screen-space triangles with back faces removed, texture
// coordinates attached, cut at the near plane and clipped.
//
// The near cut works on the points as the projection leaves them, before the
// divide by w: a point behind the projection's centre has w > 0, and divided
// it would land mirrored on the screen, so a triangle reaching behind is cut
// where its edges cross the near plane and only the cut points are divided.
//
// Input triangles are taken one at a time through the whole chain (facing,
// near cut, the four screen-edge passes) in a small scratch list, then
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

const RenderStats *RenderGetStats(void)
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
  // The old records are copied and only the rest is zeroed: the same bytes
  // as a zeroed block with the records copied over it, written once. Objects
  // grow these buffers at every load.
  ScreenVertex *block =
      static_cast<ScreenVertex *>(MemAllocUninit(count * (int32_t)sizeof(ScreenVertex)));
  if (!block)
    return RENDER_ERR_MEMORY;
  int32_t kept = buffer->records && buffer->capacity > 0 ? buffer->capacity : 0;
  if (kept > 0)
    memcpy(block, buffer->records, (size_t)kept * sizeof(ScreenVertex));
  memset(block + kept, 0, (size_t)(count - kept) * sizeof(ScreenVertex));
  buffer->records = block;
  buffer->capacity = count;
  if (buffer->count > count)
    buffer->count = count;
  return RENDER_OK;
}

// Screen position and stored depth of a projected point: divided by w when
// it lies in front of the near plane, taken undivided otherwise (such a
// point is never drawn: the triangle stage cuts it away). Shared by the
// vertex stage and the near cut, so a cut point lands where a point of the
// object at the same place would.
static void renderDivide(ScreenVertex *v, int32_t halfW, int32_t halfH)
{
  float x = v->hx, y = v->hy, z = v->hz;
  if (v->hw <= -RENDER_NEAR_W) {
    x /= v->hw;
    y /= v->hw;
    z /= v->hw;
  }
  v->x = renderClampCoord((int64_t)halfW + renderTruncSat(x));
  v->y = renderClampCoord((int64_t)halfH + renderTruncSat(y));
  v->z = -z;
}

// One point: environment coordinates from the normal (translation included),
// then model-view and projection, kept before the divide, then the screen
// position. A projection that is not finite marks the record with a NaN z.
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
  out->hx = c.x;
  out->hy = c.y;
  out->hz = c.z;
  out->hw = c.w;
  if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z) || !std::isfinite(c.w)) {
    out->x = halfW;
    out->y = halfH;
    out->z = NAN;
    return;
  }
  renderDivide(out, halfW, halfH);
}

static int32_t vertexStage(const float *points, const float *normals, VertexBuffer *out,
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
      ConsoleAdd(RENDER_MSG_POINTS_LOST, (int)count, (int)room);
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

static inline void sortStep(ScreenVertex *a, ScreenVertex *b, int byW)
{
  if (byW ? a->hw < b->hw : a->z < b->z) {
    ScreenVertex t = *a;
    *a = *b;
    *b = t;
  }
}

// Orders t[0..2] by falling z (byW 0) or falling w (byW 1) with three
// compare-exchange steps.
static void sortThree(ScreenVertex *t, int byW)
{
  sortStep(&t[1], &t[2], byW);
  sortStep(&t[0], &t[1], byW);
  sortStep(&t[1], &t[2], byW);
}

static inline int inFront(const ScreenVertex *v)
{
  return v->hw <= -RENDER_NEAR_W;
}

// The point where the edge from G (behind the near plane) to K (in front)
// crosses it, found before any divide: every word is interpolated from K
// towards G in proportion to the distances of the two from the plane, w is
// the plane's exactly, and only then is the point divided. hw(G) > hw(K), so
// the divisor is positive.
static void nearCutPoint(ScreenVertex *q, const ScreenVertex *g, const ScreenVertex *k,
                         int32_t halfW, int32_t halfH)
{
  float s = (-RENDER_NEAR_W - k->hw) / (g->hw - k->hw);
  q->hx = k->hx + s * (g->hx - k->hx);
  q->hy = k->hy + s * (g->hy - k->hy);
  q->hz = k->hz + s * (g->hz - k->hz);
  q->hw = -RENDER_NEAR_W;
  q->u = k->u + s * (g->u - k->u);
  q->v = k->v + s * (g->v - k->v);
  q->eu = k->eu + s * (g->eu - k->eu);
  q->ev = k->ev + s * (g->ev - k->ev);
  renderDivide(q, halfW, halfH);
}

// Keeps the part of a triangle in front of the near plane, into `dst`.
// Wholly in front: the records ordered by falling z, unchanged. Otherwise the
// records are ordered by falling w into F, M, N and cut: only N in front
// gives (N, Q_F, Q_M); F alone behind gives (M, N, Q_N) and (Q_N, M, Q_M),
// where Q_K is the cut point on the edge from F (or M) to K. Returns the
// number of triangles written: 0, 1 or 2.
static int nearCut(ScreenVertex *t, ScreenVertex *dst, int32_t halfW, int32_t halfH)
{
  int front = inFront(&t[0]) + inFront(&t[1]) + inFront(&t[2]);
  if (front == 3) {
    sortThree(t, 0);
    memcpy(dst, t, 3 * sizeof *t);
    return 1;
  }
  if (front == 0) {
    stats.trianglesNear++;
    return 0;
  }
  sortThree(t, 1);
  const ScreenVertex *f = &t[0], *m = &t[1], *n = &t[2];
  stats.trianglesCut++;
  if (front == 1) {
    dst[0] = *n;
    nearCutPoint(&dst[1], f, n, halfW, halfH);
    nearCutPoint(&dst[2], m, n, halfW, halfH);
    return 1;
  }
  ScreenVertex qn, qm;
  nearCutPoint(&qn, f, n, halfW, halfH);
  nearCutPoint(&qm, f, m, halfW, halfH);
  dst[0] = *m;
  dst[1] = *n;
  dst[2] = qn;
  dst[3] = qn;
  dst[4] = *m;
  dst[5] = qm;
  return 2;
}

// Facing. LightWave draws the side of a polygon from which its corners run
// clockwise, and the picture is not mirrored, so a triangle is kept when it
// runs clockwise on the screen (x right, y down).
//
// For a triangle wholly in front: D = x3 (y2 z1 - y1 z2) + y3 (x1 z2 - x2 z1)
// + z3 (y1 x2 - x1 y2), x and y taken as floats; with equal z (below 1, above
// 0) D is -z times twice the signed area, and the triangle is kept when D <= 0.
static float facingOnScreen(const ScreenVertex *t)
{
  float x1 = (float)t[0].x, y1 = (float)t[0].y, z1 = t[0].z;
  float x2 = (float)t[1].x, y2 = (float)t[1].y, z2 = t[1].z;
  float x3 = (float)t[2].x, y3 = (float)t[2].y, z3 = t[2].z;
  return x3 * (y2 * z1 - y1 * z2) + y3 * (x1 * z2 - x2 * z1) + z3 * (y1 * x2 - x1 * y2);
}

// For a triangle that reaches behind the near plane, where screen positions
// mean nothing: det(hx, hy, hw) of its corners is, up to a positive factor,
// the volume of the tetrahedron from the projection's centre to the triangle,
// so its sign says which side the triangle shows the camera whatever the
// signs of the corners' w. Divided by w1 w2 w3 (negative in front) it is
// twice the signed area on the screen: kept when it is <= 0, as above.
static double facingBeforeDivide(const ScreenVertex *t)
{
  double x1 = t[0].hx, y1 = t[0].hy, w1 = t[0].hw;
  double x2 = t[1].hx, y2 = t[1].hy, w2 = t[1].hw;
  double x3 = t[2].hx, y3 = t[2].hy, w3 = t[2].hw;
  return x1 * (y2 * w3 - w2 * y3) - y1 * (x2 * w3 - w2 * x3) + w1 * (x2 * y3 - y2 * x3);
}

static inline int validIndex(int32_t index, int32_t limit)
{
  return index >= 0 && index < limit;
}

// Takes one input triangle through texture coordinates, facing, near cut
// and clipping into pieceList. Returns the number of triangles there.
static int32_t buildPieces(VertexBuffer *vertices, int32_t limit, const float *uv,
                           const int32_t *tri, int32_t useEnvUV, int32_t halfW, int32_t halfH)
{
  if (!validIndex(tri[0], limit) || !validIndex(tri[1], limit) || !validIndex(tri[2], limit)) {
    stats.trianglesBad++;
    return 0;
  }
  ScreenVertex t[3];
  for (int k = 0; k < 3; k++) {
    ScreenVertex *v = &vertices->records[tri[k]];
    // The record is read whole before its coordinates are written back: a
    // read straight after the write would stall on the half-written words.
    t[k] = *v;
    // Written for every triangle, culled or not, so a shared point gets its
    // coordinates whichever triangle comes first.
    if (useEnvUV) {
      t[k].u = v->u = t[k].eu * 0.5f + 0.5f;
      t[k].v = v->v = t[k].ev * 0.5f + 0.5f;
    } else if (uv) {
      t[k].u = v->u = uv[2 * tri[k]];
      t[k].v = v->v = uv[2 * tri[k] + 1];
    }
    // Records a caller filled by hand may hold any integers; keep every
    // later difference within 32 bits.
    t[k].x = renderClampCoord(t[k].x);
    t[k].y = renderClampCoord(t[k].y);
  }
  if (std::isnan(t[0].z) || std::isnan(t[1].z) || std::isnan(t[2].z)) {
    stats.trianglesBad++;
    return 0;
  }
  int wholly = inFront(&t[0]) && inFront(&t[1]) && inFront(&t[2]);
  if (wholly ? facingOnScreen(t) > 0.0f : facingBeforeDivide(t) > 0.0) {
    stats.trianglesCulled++;
    return 0;
  }
  int32_t n = nearCut(t, pieceList, halfW, halfH);
  if (n > 0) {
    int touched;
    n = renderClip(pieceList, n, pieceScratch, &touched);
    stats.trianglesClipped += touched;
  }
  return n;
}

static int32_t triangleStage(VertexBuffer *vertices, const float *uv, const int32_t *triangles,
                             int32_t triangleCount, int32_t first, TriangleBuffer *out,
                             int32_t *outCount, int32_t useEnvUV)
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
  const WindowInfo *window = WindowGet();
  int32_t halfW = window->width >> 1, halfH = window->height >> 1;
  int32_t n = 0, t = first;
  RenderStats before = stats;
  for (; t < triangleCount; t++) {
    // Near the end of the buffer the triangle may have to wait for the next
    // batch; keep the counters as they were so that it is not counted twice.
    if (room - n < RENDER_PIECES_MAX)
      before = stats;
    int32_t pieces = buildPieces(vertices, limit, uv, &triangles[3 * t], useEnvUV, halfW, halfH);
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
        ConsoleAdd(RENDER_MSG_TRIANGLES_LOST, (int)room);
      }
      pieces = room;
    }
    if (pieces > 0)
      memcpy(&out->records[3 * n], pieceList, (size_t)pieces * 3 * sizeof(ScreenVertex));
    n += pieces;
  }
  if (stats.trianglesBad > 0 && !warnedBad) {
    warnedBad = 1;
    ConsoleAdd(RENDER_MSG_TRIANGLES_BAD);
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
  int32_t result = vertexStage(points, normals, out, count);
  stats.vertexNanos += nanosSince(start);
  return result;
}

int32_t BuildTriangleBuffer(VertexBuffer *vertices, const float *uv, const int32_t *triangles,
                            int32_t triangleCount, int32_t first, TriangleBuffer *out,
                            int32_t *outCount, int32_t useEnvUV)
{
  auto start = std::chrono::steady_clock::now();
  int32_t result = triangleStage(vertices, uv, triangles, triangleCount, first, out,
                                 outCount, useEnvUV);
  stats.triangleNanos += nanosSince(start);
  return result;
}
