// LWO2 writer: one layer, FACE polygons, surfaces with at most one image
// block, image clips, TXUV vertex maps with their discontinuous corners
// (VMAD) and MORF endomorphs.
//
// File layout (IFF, big-endian): FORM <size> LWO2, then the chunks
//   TAGS  surface names (S0 each)
//   LAYR  layer 0, no flags, pivot 0, empty name
//   PNTS  points (3 x F4)          BBOX  bounds (6 x F4)
//   VMAP  TXUV and MORF maps       POLS  FACE polygons (U2 count, VX points)
//   PTAG  SURF tags (VX polygon, U2 tag)
//   VMAD  TXUV seams (VX point, VX polygon, 2 x F4)
//   CLIP  still images (U4 index, STIL S0 name)
//   SURF  one per surface: COLR, DIFF, SMAN, SIDE and an optional BLOK
// Every chunk is written with an even size, so readers that pad odd chunks
// and readers that do not walk the file the same way.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "datagen.h"

namespace {
// The bytes being written; chunk sizes are patched in when a chunk closes.
struct Out {
  std::vector<uint8_t> bytes;
};
}

static void putU1(Out &o, uint32_t v) { o.bytes.push_back((uint8_t)v); }
static void putU2(Out &o, uint32_t v) { putU1(o, v >> 8); putU1(o, v); }
static void putU4(Out &o, uint32_t v) { putU2(o, v >> 16); putU2(o, v & 0xFFFF); }
static void putID(Out &o, const char *id) { for (int i = 0; i < 4; i++) putU1(o, (uint8_t)id[i]); }

static void putF4(Out &o, float f)
{
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  putU4(o, bits);
}

static void putVec(Out &o, GenVec v) { putF4(o, v.x); putF4(o, v.y); putF4(o, v.z); }

// VX: two bytes below 0xFF00, else 0xFF and three bytes.
static void putVX(Out &o, uint32_t index)
{
  if (index < 0xFF00)
    putU2(o, index);
  else
    putU4(o, 0xFF000000u | index);
}

// S0: the string, its terminator and a pad byte when the length is odd.
static void putS0(Out &o, const std::string &s)
{
  for (char c : s)
    putU1(o, (uint8_t)c);
  putU1(o, 0);
  if ((s.size() + 1) % 2)
    putU1(o, 0);
}

static size_t openChunk(Out &o, const char *id)
{
  putID(o, id);
  putU4(o, 0);
  return o.bytes.size();
}

static size_t openSub(Out &o, const char *id)
{
  putID(o, id);
  putU2(o, 0);
  return o.bytes.size();
}

static bool closeChunk(Out &o, size_t start)
{
  size_t size = o.bytes.size() - start;
  for (int i = 0; i < 4; i++)
    o.bytes[start - 4 + i] = (uint8_t)(size >> (24 - 8 * i));
  return size % 2 == 0;
}

static bool closeSub(Out &o, size_t start)
{
  size_t size = o.bytes.size() - start;
  o.bytes[start - 2] = (uint8_t)(size >> 8);
  o.bytes[start - 1] = (uint8_t)size;
  return size % 2 == 0 && size <= 0xFFFF;
}

// The chunks are written by these helpers in file order; each returns false
// when the chunk it wrote is not a valid LWO2 chunk.
static bool writeTagsLayerPoints(Out &o, const GenObject &obj)
{
  size_t at = openChunk(o, "TAGS");
  for (const GenSurface &s : obj.surfaces)
    putS0(o, s.name);
  bool ok = closeChunk(o, at);
  at = openChunk(o, "LAYR");
  putU2(o, 0);
  putU2(o, 0);
  putVec(o, GenVec{0, 0, 0});
  putS0(o, "");
  ok = closeChunk(o, at) && ok;
  at = openChunk(o, "PNTS");
  GenVec lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  for (const GenVec &p : obj.points) {
    putVec(o, p);
    lo = GenVec{std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
    hi = GenVec{std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
  }
  ok = closeChunk(o, at) && ok;
  at = openChunk(o, "BBOX");
  putVec(o, lo);
  putVec(o, hi);
  return closeChunk(o, at) && ok;
}

static bool writeVertexMaps(Out &o, const GenObject &obj)
{
  bool ok = true;
  for (const GenUVMap &map : obj.uvMaps) {
    size_t at = openChunk(o, "VMAP");
    putID(o, "TXUV");
    putU2(o, 2);
    putS0(o, map.name);
    for (const GenPointUV &e : map.points) {
      putVX(o, (uint32_t)e.point);
      putF4(o, e.u);
      putF4(o, e.v);
    }
    ok = closeChunk(o, at) && ok;
  }
  for (const GenMorph &m : obj.morphs) {
    size_t at = openChunk(o, "VMAP");
    putID(o, "MORF");
    putU2(o, 3);
    putS0(o, m.name);
    for (size_t i = 0; i < m.points.size() && i < m.deltas.size(); i++) {
      putVX(o, (uint32_t)m.points[i]);
      putVec(o, m.deltas[i]);
    }
    ok = closeChunk(o, at) && ok;
  }
  return ok;
}

static bool writePolygons(Out &o, const GenObject &obj)
{
  size_t at = openChunk(o, "POLS");
  putID(o, "FACE");
  for (const GenPolygon &poly : obj.polygons) {
    putU2(o, (uint32_t)poly.points.size() & 0x3FF);
    for (int32_t p : poly.points)
      putVX(o, (uint32_t)p);
  }
  bool ok = closeChunk(o, at);
  at = openChunk(o, "PTAG");
  putID(o, "SURF");
  for (size_t i = 0; i < obj.polygons.size(); i++) {
    putVX(o, (uint32_t)i);
    putU2(o, (uint32_t)obj.polygons[i].surface);
  }
  ok = closeChunk(o, at) && ok;
  for (const GenUVMap &map : obj.uvMaps) {
    if (map.seams.empty())
      continue;
    at = openChunk(o, "VMAD");
    putID(o, "TXUV");
    putU2(o, 2);
    putS0(o, map.name);
    for (const GenPolyUV &e : map.seams) {
      putVX(o, (uint32_t)e.point);
      putVX(o, (uint32_t)e.polygon);
      putF4(o, e.u);
      putF4(o, e.v);
    }
    ok = closeChunk(o, at) && ok;
  }
  return ok;
}

static bool writeClips(Out &o, const GenObject &obj)
{
  bool ok = true;
  for (size_t i = 0; i < obj.clips.size(); i++) {
    size_t at = openChunk(o, "CLIP");
    putU4(o, (uint32_t)(i + 1));
    size_t sub = openSub(o, "STIL");
    putS0(o, obj.clips[i]);
    ok = closeSub(o, sub) && ok;
    ok = closeChunk(o, at) && ok;
  }
  return ok;
}

// Texture placement: centre, size, no rotation, no falloff, world coordinates.
static bool writeTextureMap(Out &o, const GenBlock &b)
{
  size_t at = openSub(o, "TMAP");
  size_t sub = openSub(o, "CNTR");
  putVec(o, b.center);
  putVX(o, 0);
  bool ok = closeSub(o, sub);
  sub = openSub(o, "SIZE");
  putVec(o, b.size);
  putVX(o, 0);
  ok = closeSub(o, sub) && ok;
  sub = openSub(o, "ROTA");
  putVec(o, GenVec{0, 0, 0});
  putVX(o, 0);
  ok = closeSub(o, sub) && ok;
  sub = openSub(o, "FALL");
  putU2(o, 0);
  putVec(o, GenVec{0, 0, 0});
  putVX(o, 0);
  ok = closeSub(o, sub) && ok;
  sub = openSub(o, "OREF");
  putS0(o, "(none)");
  ok = closeSub(o, sub) && ok;
  sub = openSub(o, "CSYS");
  putU2(o, 0);
  ok = closeSub(o, sub) && ok;
  return closeSub(o, at) && ok;
}

static bool writeSmallSub(Out &o, const char *id, uint32_t u2)
{
  size_t sub = openSub(o, id);
  putU2(o, u2);
  return closeSub(o, sub);
}

// Image block: IMAP header (ordinal, channel, enable, opacity), the texture
// map, then projection, axis, image, wrapping, the UV map name and
// antialiasing. The projection comes before the image, as readers expect.
static bool writeBlock(Out &o, const GenBlock &b)
{
  size_t at = openSub(o, "BLOK");
  size_t imap = openSub(o, "IMAP");
  putS0(o, "\x80");
  size_t sub = openSub(o, "CHAN");
  putID(o, b.channel == GEN_CHAN_REFLECTION ? "REFL" : "COLR");
  bool ok = closeSub(o, sub);
  ok = writeSmallSub(o, "ENAB", 1) && ok;
  sub = openSub(o, "OPAC");
  putU2(o, 0);
  putF4(o, 1.0f);
  putVX(o, 0);
  ok = closeSub(o, sub) && ok;
  ok = closeSub(o, imap) && ok;
  ok = writeTextureMap(o, b) && ok;
  ok = writeSmallSub(o, "PROJ", (uint32_t)b.projection) && ok;
  ok = writeSmallSub(o, "AXIS", (uint32_t)b.axis) && ok;
  sub = openSub(o, "IMAG");
  putVX(o, (uint32_t)b.clip);
  ok = closeSub(o, sub) && ok;
  sub = openSub(o, "WRAP");
  putU2(o, 1);
  putU2(o, 1);
  ok = closeSub(o, sub) && ok;
  if (b.projection == GEN_PROJ_UV) {
    sub = openSub(o, "VMAP");
    putS0(o, b.uvMap);
    ok = closeSub(o, sub) && ok;
  }
  sub = openSub(o, "AAST");
  putU2(o, 1);
  putF4(o, 1.0f);
  ok = closeSub(o, sub) && ok;
  ok = writeSmallSub(o, "PIXB", 1) && ok;
  return closeSub(o, at) && ok;
}

static bool writeSurface(Out &o, const GenSurface &s)
{
  size_t at = openChunk(o, "SURF");
  putS0(o, s.name);
  putS0(o, "");
  size_t sub = openSub(o, "COLR");
  putVec(o, GenVec{s.color[0], s.color[1], s.color[2]});
  putVX(o, 0);
  bool ok = closeSub(o, sub);
  sub = openSub(o, "DIFF");
  putF4(o, 1.0f);
  putVX(o, 0);
  ok = closeSub(o, sub) && ok;
  if (s.block.used && s.block.channel == GEN_CHAN_REFLECTION) {
    sub = openSub(o, "REFL");
    putF4(o, 0.8f);
    putVX(o, 0);
    ok = closeSub(o, sub) && ok;
  }
  sub = openSub(o, "SMAN");
  putF4(o, s.smooth ? 1.5621f : 0.0f);
  ok = closeSub(o, sub) && ok;
  ok = writeSmallSub(o, "SIDE", 1) && ok;
  if (s.block.used)
    ok = writeBlock(o, s.block) && ok;
  return closeChunk(o, at) && ok;
}

static bool fail(const char *what)
{
  std::fprintf(stderr, "morvane-datagen: object not written: %s\n", what);
  return false;
}

// The rules a reader relies on: every index points at something that exists,
// polygons have 1 to 1023 points, images and UV maps named by a surface exist.
static bool objectValid(const GenObject &obj)
{
  int32_t points = (int32_t)obj.points.size(), polys = (int32_t)obj.polygons.size();
  if (points == 0 || polys == 0 || obj.surfaces.empty() || obj.surfaces.size() > 0xFFFF)
    return fail("no points, no polygons or no surfaces");
  for (const GenPolygon &poly : obj.polygons) {
    if (poly.points.empty() || poly.points.size() > 0x3FF)
      return fail("polygon with no points or more than 1023");
    if (poly.surface < 0 || poly.surface >= (int32_t)obj.surfaces.size())
      return fail("polygon on a surface that does not exist");
    for (int32_t p : poly.points)
      if (p < 0 || p >= points)
        return fail("polygon point out of range");
  }
  for (const GenSurface &s : obj.surfaces) {
    if (s.name.empty())
      return fail("surface without a name");
    if (s.block.used && (s.block.clip < 1 || s.block.clip > (int32_t)obj.clips.size()))
      return fail("surface image is not a clip of the object");
  }
  for (const GenUVMap &map : obj.uvMaps) {
    for (const GenPointUV &e : map.points)
      if (e.point < 0 || e.point >= points)
        return fail("UV map point out of range");
    for (const GenPolyUV &e : map.seams)
      if (e.point < 0 || e.point >= points || e.polygon < 0 || e.polygon >= polys)
        return fail("UV seam point or polygon out of range");
  }
  for (const GenMorph &m : obj.morphs) {
    if (m.points.size() != m.deltas.size())
      return fail("endomorph points and offsets differ in number");
    for (int32_t p : m.points)
      if (p < 0 || p >= points)
        return fail("endomorph point out of range");
  }
  return true;
}

GenSurface GenSurfaceFlat(const std::string &name, float r, float g, float b)
{
  GenSurface s{};
  s.name = name;
  s.color[0] = r;
  s.color[1] = g;
  s.color[2] = b;
  return s;
}

std::vector<uint8_t> GenLwoBytes(const GenObject &object)
{
  if (!objectValid(object))
    return {};
  Out o;
  putID(o, "FORM");
  putU4(o, 0);
  putID(o, "LWO2");
  bool ok = writeTagsLayerPoints(o, object);
  ok = writeVertexMaps(o, object) && ok;
  ok = writePolygons(o, object) && ok;
  ok = writeClips(o, object) && ok;
  for (const GenSurface &s : object.surfaces)
    ok = writeSurface(o, s) && ok;
  if (!ok) {
    fail("a chunk came out with an odd size or too big for its header");
    return {};
  }
  uint32_t formSize = (uint32_t)(o.bytes.size() - 8);
  for (int i = 0; i < 4; i++)
    o.bytes[4 + i] = (uint8_t)(formSize >> (24 - 8 * i));
  return o.bytes;
}
