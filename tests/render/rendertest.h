// Helpers for the render front end's tests: hand-made vertex records run
// through the triangle stage, and exact-arithmetic references.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "matrix.h"
#include "mem.h"
#include "render.h"
#include "window.h"

// Pool, matrices (identity), a surface of w x h, the clip rectangle on the
// whole surface, counters and one-time warnings cleared.
inline void renderSetUp(int w = 512, int h = 224)
{
  MemInit();
  MatrixInit();
  WindowGet()->width = w;
  WindowGet()->height = h;
  PS2DrawSetClip(0, 0, w, h);
  RenderStatsReset();
}

// How often `what` appears in `text`: one-time console lines appear once.
inline int countOf(const std::string &text, const char *what)
{
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    n++;
  return n;
}

// A record as the vertex stage would leave it under the scene's projection,
// where w = 1 / (z - 1): stored z below 1 in front, above 1 behind. The
// undivided words are those that divide to x, y and z on the current surface.
inline ScreenVertex sv(int32_t x, int32_t y, float z, float u = 0.0f, float v = 0.0f)
{
  ScreenVertex r = {};
  r.x = x;
  r.y = y;
  r.z = z;
  r.u = u;
  r.v = v;
  double w = 1.0 / ((double)z - 1.0);
  r.hx = (float)((x - (WindowGet()->width >> 1)) * w);
  r.hy = (float)((y - (WindowGet()->height >> 1)) * w);
  r.hz = (float)(-z * w);
  r.hw = (float)w;
  return r;
}

// The facing value in double precision: <= 0 means the triangle is kept.
// On the screen for a triangle wholly in front of the near plane, before the
// divide for one that reaches behind it.
inline double facingOf(const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c)
{
  if (a.hw > -RENDER_NEAR_W || b.hw > -RENDER_NEAR_W || c.hw > -RENDER_NEAR_W)
    return (double)a.hx * ((double)b.hy * c.hw - (double)b.hw * c.hy) -
           (double)a.hy * ((double)b.hx * c.hw - (double)b.hw * c.hx) +
           (double)a.hw * ((double)b.hx * c.hy - (double)b.hy * c.hx);
  double x1 = a.x, y1 = a.y, z1 = a.z, x2 = b.x, y2 = b.y, z2 = b.z, x3 = c.x, y3 = c.y, z3 = c.z;
  return x3 * (y2 * z1 - y1 * z2) + y3 * (x1 * z2 - x2 * z1) + z3 * (y1 * x2 - x1 * y2);
}

// Records 0..n-1 as the vertex buffer, each triangle put in the winding the
// facing test keeps, one batch into a buffer big enough for anything.
inline std::vector<ScreenVertex> runTriangles(std::vector<ScreenVertex> records,
                                              std::vector<int32_t> tris, bool orient = true)
{
  if (orient)
    for (size_t t = 0; t + 2 < tris.size(); t += 3)
      if (facingOf(records[tris[t]], records[tris[t + 1]], records[tris[t + 2]]) > 0)
        std::swap(tris[t + 1], tris[t + 2]);
  VertexBuffer vb = {records.data(), (int32_t)records.size(), (int32_t)records.size()};
  std::vector<ScreenVertex> out(RENDER_TRIANGLES * 3);
  TriangleBuffer tb = {out.data(), RENDER_TRIANGLES};
  int32_t n = -1;
  int32_t used = BuildTriangleBuffer(&vb, nullptr, tris.data(), (int32_t)tris.size() / 3, 0, &tb,
                                     &n, 0);
  EXPECT_EQ(used, (int32_t)tris.size() / 3);
  out.resize(3 * (size_t)n);
  return out;
}

// True when the three records of `tri` are, in some order, the three given
// (x and y exact, z, u and v within 1e-5).
inline bool sameVertex(const ScreenVertex &a, const ScreenVertex &b)
{
  auto near = [](float p, float q) { return std::fabs(p - q) <= 1e-5f; };
  return a.x == b.x && a.y == b.y && near(a.z, b.z) && near(a.u, b.u) && near(a.v, b.v);
}
inline bool sameTriangle(const ScreenVertex *tri, const ScreenVertex &a, const ScreenVertex &b,
                         const ScreenVertex &c)
{
  const ScreenVertex *want[3] = {&a, &b, &c};
  static const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (const auto &p : perms)
    if (sameVertex(tri[0], *want[p[0]]) && sameVertex(tri[1], *want[p[1]]) &&
        sameVertex(tri[2], *want[p[2]]))
      return true;
  return false;
}

inline double triangleArea(const ScreenVertex *t)
{
  return 0.5 * std::fabs((double)(t[1].x - t[0].x) * (t[2].y - t[0].y) -
                         (double)(t[2].x - t[0].x) * (t[1].y - t[0].y));
}

// Area of the triangle inside [x1, x2] x [y1, y2], by cutting the polygon
// with each edge in exact double arithmetic.
inline double clippedArea(const ScreenVertex *t, double x1, double y1, double x2, double y2)
{
  std::vector<std::pair<double, double>> poly = {
      {t[0].x, t[0].y}, {t[1].x, t[1].y}, {t[2].x, t[2].y}};
  for (int edge = 0; edge < 4; edge++) {
    auto value = [&](const std::pair<double, double> &p) {  // >= 0 inside
      switch (edge) {
      case 0: return p.first - x1;
      case 1: return p.second - y1;
      case 2: return x2 - p.first;
      default: return y2 - p.second;
      }
    };
    std::vector<std::pair<double, double>> next;
    for (size_t i = 0; i < poly.size(); i++) {
      auto a = poly[i], b = poly[(i + 1) % poly.size()];
      double va = value(a), vb = value(b);
      if (va >= 0)
        next.push_back(a);
      if ((va >= 0) != (vb >= 0)) {
        double s = va / (va - vb);
        next.push_back({a.first + s * (b.first - a.first), a.second + s * (b.second - a.second)});
      }
    }
    poly = next;
    if (poly.empty())
      return 0.0;
  }
  double area = 0;
  for (size_t i = 0; i < poly.size(); i++) {
    auto a = poly[i], b = poly[(i + 1) % poly.size()];
    area += a.first * b.second - b.first * a.second;
  }
  return std::fabs(area) * 0.5;
}
