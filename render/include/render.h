// The software render front end: vertex transformation and projection,
// triangle assembly with culling and the depth cut, screen-edge clipping.
//
// Per object and frame the drawing code sets the model-view and projection
// matrices, builds the object's vertex buffer once, then for each surface
// builds triangle batches and hands each batch to the GS back end:
//
//   BuildVertexBuffer(points, normals, &vertexBufferObj, pointCount);
//   for (int32_t t = 0; t < triCount; ) {
//     int32_t n, used = BuildTriangleBuffer(&vertexBufferObj, uv, triIndices, triCount, t,
//                                           &triangleBuffer, &n, useEnvUV);
//     if (used <= 0) break;
//     draw triangleBuffer (n triangles);
//     t += used;
//   }
//
// A batch never overflows the triangle buffer: a surface that yields more
// triangles than the buffer holds simply takes more batches. Vertex buffers
// cannot be batched (triangles index any point), so they are grown at load
// time with RenderVertexBufferReserve for the largest object; nothing is
// allocated while drawing.
#pragma once
#include <cstdint>

// A screen-space vertex: eleven 32-bit words.
//
// The last four keep the point as the projection left it, before the divide
// by w. The scene's projection puts its centre one unit in front of the
// camera and gives w = (view z) + 1, so a point is in front of that centre
// exactly when w < 0 (stored z below 1); the triangle stage cuts triangles at
// w = -RENDER_NEAR_W from these words, never from the divided x, y and z,
// which mean nothing for a point behind.
struct ScreenVertex {
  int32_t x;      // screen column; the surface centre is half its width
  int32_t y;      // screen row
  float z;        // depth after projection; below 1 for what can be seen
  float u, v;     // texture coordinates, 0 and 1 at the texture's edges
  float eu, ev;   // environment coordinates from the vertex normal
  float hx, hy, hz, hw;  // the projected point before the divide
};
static_assert(sizeof(ScreenVertex) == 44, "ScreenVertex is eleven 32-bit words");

enum {
  RENDER_VERTEX_RECORDS = 15000,   // default size of a vertex buffer
  RENDER_TRIANGLE_RECORDS = 25000, // default size of a triangle buffer (records)
  RENDER_TRIANGLES = RENDER_TRIANGLE_RECORDS / 3,
  // One input triangle gives at most 2 triangles after the near cut, and
  // each of the four screen-edge passes at most doubles what it is given:
  // 2 x 2^4. A triangle buffer of at least this many triangles always takes
  // a whole input triangle, so batching never has to drop anything.
  RENDER_PIECES_MAX = 32,
  // Screen x and y are kept within +-RENDER_COORD_LIMIT so that every
  // difference of two of them fits a signed 32-bit integer. Anything that far
  // out is tens of thousands of screens away from the picture.
  RENDER_COORD_LIMIT = (1 << 30) - 1,
};

// The near plane: a point is drawn only where w <= -RENDER_NEAR_W, a
// sixteenth of a world unit in front of the projection's centre (at world
// scale 10, 6 mm). Cut points lie on it, and divided by so small a w a point
// a world unit off the axis lands about 16 x 600 pixels from the centre at
// the scene's usual zoom: RENDER_COORD_LIMIT still holds every point within
// 100,000 units of the camera's axis.
static const float RENDER_NEAR_W = 0.0625f;

// Results besides 0 and the shared codes (-1 general failure, -2 null
// argument, -5 no memory).
enum {
  RENDER_OK = 0,
  RENDER_ERR_ARGUMENT = -1,  // negative count, start outside the list
  RENDER_ERR_NULL = -2,
  RENDER_ERR_MEMORY = -5,
};

// Console warnings, each printed once until RenderStatsReset: what drawing
// leaves out and goes on without. The %d are the points asked for and the
// vertex buffer's capacity, or the triangle buffer's capacity.
constexpr char RENDER_MSG_POINTS_LOST[] =
    "Warning : %d points do not fit the vertex buffer of %d, the rest is not drawn !";
constexpr char RENDER_MSG_TRIANGLES_LOST[] =
    "Warning : triangle buffer of %d triangles too small, triangles dropped !";
constexpr char RENDER_MSG_TRIANGLES_BAD[] =
    "Warning : triangles with a missing or damaged point are not drawn !";

// One ScreenVertex per point, at the point's index. `count` records are
// valid: those the last BuildVertexBuffer wrote. Triangles that name a point
// at or beyond `count` are not drawn.
struct VertexBuffer {
  ScreenVertex *records;
  int32_t capacity;  // records available
  int32_t count;     // records written by the last build
};

// Triangles as three consecutive records; `capacity` is in triangles.
struct TriangleBuffer {
  ScreenVertex *records;
  int32_t capacity;
};

// Makes `buffer` hold at least `count` records. A bigger block comes from the
// memory pool, with the old records copied over (their eu and ev may still be
// read); the pool never takes blocks back, so call this at load time, once
// per object, and never while drawing. 0, -1 for a negative count, -2 for a
// null buffer, -5 when the pool cannot hold the block.
int32_t RenderVertexBufferReserve(VertexBuffer *buffer, int32_t count);

// Transforms and projects `count` points (three floats each) with the current
// model-view and projection matrices into out's records 0 to count - 1, with
// environment coordinates from `normals` when given. Writes at most
// out->capacity records (the console says once when points are left out) and
// sets out->count. Only points in front of the near plane are divided by w;
// the others keep their undivided x, y and z, which no triangle draws. A
// point whose projection is not finite is marked (z is NaN) and every
// triangle that uses it is dropped. Returns the number of records written,
// -1 for a negative count, -2 for a null argument.
int32_t BuildVertexBuffer(const float *points, const float *normals, VertexBuffer *out,
                          int32_t count);

// Builds one batch of the screen-space triangle list from triangles[first]
// on: texture coordinates (written into the vertex records as well), facing
// test, the cut at the near plane (only the part in front is kept, and cut
// points are divided only once cut), cut to the clip rectangle. Stops before an
// input triangle whose pieces do not fit what is left of `out`; *outCount is
// the number of triangles in the batch. Returns how many input triangles the
// batch consumed (at least one while first < triangleCount), -1 for a bad
// count or start, -2 for a null argument.
int32_t BuildTriangleBuffer(VertexBuffer *vertices, const float *uv, const int32_t *triangles,
                            int32_t triangleCount, int32_t first, TriangleBuffer *out,
                            int32_t *outCount, int32_t useEnvUV);

// Clip rectangle for the screen-edge passes; the values are taken as 16-bit
// signed numbers and each pair is put in order.
void PS2DrawSetClip(int x1, int y1, int x2, int y2);

// Counters since the last RenderStatsReset, for diagnostics and benchmarks.
struct RenderStats {
  int64_t points;           // points through BuildVertexBuffer
  int64_t pointsLost;       // points beyond a vertex buffer's capacity
  int64_t trianglesIn;      // input triangles taken by BuildTriangleBuffer
  int64_t trianglesBad;     // dropped: point index outside the buffer, or non-finite point
  int64_t trianglesCulled;  // dropped by the facing test
  int64_t trianglesNear;    // dropped whole: no corner in front of the near plane
  int64_t trianglesCut;     // cut by the near plane
  int64_t trianglesClipped; // touched by a screen-edge pass (cut or dropped)
  int64_t trianglesOut;     // triangles written to triangle buffers
  int64_t trianglesLost;    // pieces dropped because a buffer was too small
  int64_t vertexNanos;      // time spent in BuildVertexBuffer
  int64_t triangleNanos;    // time spent in BuildTriangleBuffer
};
const RenderStats *RenderGetStats(void);
// Zeroes the counters and re-arms the one-time console warnings.
void RenderStatsReset(void);
