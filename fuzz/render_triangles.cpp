// Arbitrary screen records, triangles and clip rectangles through the
// triangle stage: no undefined conversion, no write past a buffer, every
// output vertex inside the rectangle, and batches that always make progress.
//
// Input: 8 bytes of clip rectangle (four int16), 1 byte of flags (bit 0: the
// environment flag, bits 1-3: the triangle buffer's size), 1 byte of record
// count (up to 32), then 44 bytes per record (x, y as int32, z, u, v, eu, ev
// and the undivided hx, hy, hz, hw as raw floats, little-endian), then 3
// bytes per triangle (signed point indices).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render.h"

static const int32_t kCapacities[8] = {0, 1, 2, 5, RENDER_PIECES_MAX, 40, 100, RENDER_TRIANGLES};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  if (size < 10)
    return 0;
  int16_t rect[4];
  memcpy(rect, data, sizeof rect);
  PS2DrawSetClip(rect[0], rect[1], rect[2], rect[3]);
  int x1 = rect[0] < rect[2] ? rect[0] : rect[2], x2 = rect[0] < rect[2] ? rect[2] : rect[0];
  int y1 = rect[1] < rect[3] ? rect[1] : rect[3], y2 = rect[1] < rect[3] ? rect[3] : rect[1];
  int env = data[8] & 1;
  int32_t capacity = kCapacities[(data[8] >> 1) & 7];
  size_t count = data[9] % 33, pos = 10;
  if (size - pos < count * sizeof(ScreenVertex))
    return 0;
  std::vector<ScreenVertex> records(count);
  std::vector<float> uv(2 * count + 1);
  for (size_t i = 0; i < count; i++, pos += sizeof(ScreenVertex)) {
    memcpy(&records[i], data + pos, sizeof(ScreenVertex));
    uv[2 * i] = records[i].eu;  // any floats will do as texture coordinates
    uv[2 * i + 1] = records[i].ev;
  }
  std::vector<int32_t> tris;
  for (; size - pos >= 3; pos += 3)
    for (int k = 0; k < 3; k++)
      tris.push_back((int8_t)data[pos + k]);
  int32_t triCount = (int32_t)tris.size() / 3;

  // The output buffer with a guard band after it.
  std::vector<ScreenVertex> out(3 * (size_t)capacity + 6);
  memset(out.data(), 0xa5, out.size() * sizeof(ScreenVertex));
  VertexBuffer vb = {records.data(), (int32_t)count, (int32_t)count};
  TriangleBuffer tb = {out.data(), capacity};
  for (int32_t t = 0; t < triCount;) {
    int32_t n = -1;
    int32_t used = BuildTriangleBuffer(&vb, uv.data(), tris.data(), triCount,
                                       t, &tb, &n, env);
    if (used <= 0 || n < 0 || n > capacity)
      abort();
    for (int32_t i = 0; i < 3 * n; i++)
      if (out[i].x < x1 || out[i].x > x2 || out[i].y < y1 || out[i].y > y2)
        abort();
    for (size_t i = 3 * (size_t)capacity; i < out.size(); i++)
      if (out[i].x != (int32_t)0xa5a5a5a5)
        abort();
    t += used;
  }
  return 0;
}
