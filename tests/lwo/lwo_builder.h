// Builds LWO2 files byte by byte for the object tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "lwo.h"
#include "machine.h"
#include "mem.h"
#include "testkit.h"
#include "tex.h"

struct Bytes {
  std::string s;
  Bytes &u1(uint32_t v) { s.push_back((char)v); return *this; }
  Bytes &u2(uint32_t v) { return u1(v >> 8).u1(v); }
  Bytes &u4(uint32_t v) { return u2(v >> 16).u2(v); }
  Bytes &f4(float f) { uint32_t v; memcpy(&v, &f, 4); return u4(v); }
  Bytes &id(const char *t) { s.append(t, 4); return *this; }
  Bytes &raw(const std::string &t) { s += t; return *this; }
  // VX: two bytes below 0xFF00, else 0xFF and 24 bits.
  Bytes &vx(uint32_t v) { return v < 0xFF00 ? u2(v) : u4(0xFF000000u | v); }
  // S0 with its pad byte.
  Bytes &s0(const std::string &t) { s += t; s.push_back(0); if (s0Odd(t)) s.push_back(0); return *this; }
  static bool s0Odd(const std::string &t) { return (t.size() + 1) % 2 == 1; }
  operator std::string() const { return s; }
};

inline std::string Chunk(const char *id, const std::string &data)
{
  return Bytes().id(id).u4((uint32_t)data.size()).raw(data);
}
inline std::string Sub(const char *id, const std::string &data)
{
  return Bytes().id(id).u2((uint32_t)data.size()).raw(data);
}
inline std::string Form(const std::vector<std::string> &chunks, const char *type = "LWO2")
{
  std::string body = type;
  for (const std::string &c : chunks)
    body += c;
  return Bytes().id("FORM").u4((uint32_t)body.size()).raw(body);
}

// PNTS of (x, y, z) triples.
inline std::string Pnts(const std::vector<float> &xyz)
{
  Bytes b;
  for (float f : xyz)
    b.f4(f);
  return Chunk("PNTS", b);
}
// POLS FACE of polygons given as point lists.
inline std::string Pols(const std::vector<std::vector<uint32_t>> &polygons, const char *type = "FACE")
{
  Bytes b;
  b.id(type);
  for (const auto &p : polygons) {
    b.u2((uint32_t)p.size());
    for (uint32_t v : p)
      b.vx(v);
  }
  return Chunk("POLS", b);
}
inline std::string Tags(const std::vector<std::string> &names)
{
  Bytes b;
  for (const std::string &n : names)
    b.s0(n);
  return Chunk("TAGS", b);
}
// PTAG SURF of (polygon, tag) pairs.
inline std::string Ptag(const std::vector<std::pair<uint32_t, uint32_t>> &entries)
{
  Bytes b;
  b.id("SURF");
  for (const auto &e : entries)
    b.vx(e.first).u2(e.second);
  return Chunk("PTAG", b);
}
inline std::string Surf(const std::string &name, const std::vector<std::string> &subs)
{
  Bytes b;
  b.s0(name).s0("");
  for (const std::string &s : subs)
    b.raw(s);
  return Chunk("SURF", b);
}
inline std::string Colr(float r, float g, float b)
{
  return Sub("COLR", Bytes().f4(r).f4(g).f4(b).vx(0));
}
inline std::string Clip(uint32_t index, const std::string &file)
{
  return Chunk("CLIP", Bytes().u4(index).raw(Sub("STIL", Bytes().s0(file))));
}
// An image block: channel, projection, axis, image, optional map name, box.
struct Block {
  const char *channel = "COLR";
  int projection = 0;       // PROJ value; -1 for none
  int axis = 2;
  uint32_t image = 1;
  bool imageFirst = false;  // IMAG before PROJ
  std::string uvMap;
  float size[3] = {1, 1, 1};
  float centre[3] = {0, 0, 0};
};
inline std::string Blok(const Block &k)
{
  Bytes imap;
  imap.s0("\x80").raw(Sub("CHAN", Bytes().id(k.channel))).raw(Sub("ENAB", Bytes().u2(1)));
  Bytes tmap;
  tmap.raw(Sub("CNTR", Bytes().f4(k.centre[0]).f4(k.centre[1]).f4(k.centre[2]).vx(0)));
  tmap.raw(Sub("SIZE", Bytes().f4(k.size[0]).f4(k.size[1]).f4(k.size[2]).vx(0)));
  tmap.raw(Sub("ROTA", Bytes().f4(0).f4(0).f4(0).vx(0)));
  Bytes b;
  b.raw(Sub("IMAP", imap)).raw(Sub("TMAP", tmap));
  std::string imag = Sub("IMAG", Bytes().vx(k.image));
  std::string proj = k.projection >= 0 ? Sub("PROJ", Bytes().u2((uint32_t)k.projection)) : "";
  if (k.imageFirst)
    b.raw(imag).raw(proj);
  else
    b.raw(proj).raw(imag);
  b.raw(Sub("AXIS", Bytes().u2((uint32_t)k.axis)));
  if (!k.uvMap.empty())
    b.raw(Sub("VMAP", Bytes().s0(k.uvMap)));
  b.raw(Sub("WRAP", Bytes().u2(1).u2(1)));
  return Sub("BLOK", b);
}
// VMAP TXUV or MORF: entries of point and values.
inline std::string Vmap(const char *type, const std::string &name,
                        const std::vector<std::pair<uint32_t, std::vector<float>>> &entries)
{
  Bytes b;
  b.id(type).u2(strcmp(type, "MORF") == 0 ? 3 : 2).s0(name);
  for (const auto &e : entries) {
    b.vx(e.first);
    for (float f : e.second)
      b.f4(f);
  }
  return Chunk("VMAP", b);
}
struct Disc {
  uint32_t point, polygon;
  float u, v;
};
inline std::string Vmad(const std::string &name, const std::vector<Disc> &entries,
                        const char *type = "TXUV")
{
  Bytes b;
  b.id(type).u2(2).s0(name);
  for (const Disc &d : entries)
    b.vx(d.point).vx(d.polygon).f4(d.u).f4(d.v);
  return Chunk("VMAD", b);
}

// LAYR: number, no flags, pivot, name, and the parent's number unless -1.
inline std::string Layr(uint32_t number, const std::string &name, std::vector<float> pivot = {0, 0, 0},
                        int parent = -1)
{
  Bytes b;
  b.u2(number).u2(0).f4(pivot[0]).f4(pivot[1]).f4(pivot[2]).s0(name);
  if (parent >= 0)
    b.u2((uint32_t)parent);
  return Chunk("LAYR", b);
}

// Fresh machine, pool and registry for every test; the console is captured.
class LwoTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    MachineForTest(dir.path);
    TexFreeAll();
    MemFreeAll();
    MemInit();
    TexInit();
    MachineCaptureConsole(&console);
    object = static_cast<LwoObject *>(MemAlloc(sizeof(LwoObject)));
  }
  void TearDown() override { MachineCaptureConsole(nullptr); }
  int32_t Load(const std::string &bytes, float worldScale = 1.0f, int32_t layer = LWO_LAYER_FIRST)
  {
    memset(object, 0, sizeof *object);
    console.clear();
    return LwoLoadMemoryLayer(object, "test.lwo", bytes.data(), (int32_t)bytes.size(), worldScale,
                              layer);
  }
  std::vector<int32_t> SurfaceTriangles(int32_t s)
  {
    const LwoSurface &surface = object->surfaces[s];
    return std::vector<int32_t>(surface.triIndices, surface.triIndices + surface.triCount * 3);
  }
  TempDir dir;
  std::string console;
  LwoObject *object = nullptr;
};

// Entry i of an array of n-value entries: a point, a normal, a uv pair.
inline std::vector<float> Entry(const float *values, int32_t i, int32_t n = 3)
{
  return std::vector<float>(values + i * n, values + (i + 1) * n);
}

// A unit square of four points (z = 0) as one quad on surface "Default".
inline std::vector<float> SquarePoints()
{
  return {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
}
