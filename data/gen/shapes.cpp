// Geometry of the show's objects: a valley grid, a box, tori, spheres and a
// star prism. Points are in LightWave's frame (X right, Y up, Z away from the
// viewer); polygons are made clockwise as seen from their visible side, which
// is the side a LightWave reader draws.
#include <cmath>

#include "genbuilders.h"

static const float kPi = 3.14159265f;

static GenVec sub(GenVec a, GenVec b) { return GenVec{a.x - b.x, a.y - b.y, a.z - b.z}; }

static GenVec cross(GenVec a, GenVec b)
{
  return GenVec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

static float dot(GenVec a, GenVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// In LightWave's left-handed frame a polygon a, b, c, ... listed clockwise as
// seen from its visible side has (b - a) x (c - a) pointing towards that side
// when the product is taken with the usual right-handed formula.
int32_t GenAddPolygon(GenObject &obj, std::vector<int32_t> points, int32_t surface, GenVec outward)
{
  GenVec normal{0, 0, 0};
  for (size_t i = 1; i + 1 < points.size(); i++) {
    GenVec a = obj.points[(size_t)points[0]];
    GenVec e1 = sub(obj.points[(size_t)points[i]], a), e2 = sub(obj.points[(size_t)points[i + 1]], a);
    GenVec n = cross(e1, e2);
    normal = GenVec{normal.x + n.x, normal.y + n.y, normal.z + n.z};
  }
  if (dot(normal, outward) < 0.0f)
    for (size_t i = 1, j = points.size() - 1; i < j; i++, j--)
      std::swap(points[i], points[j]);
  obj.polygons.push_back(GenPolygon{points, surface});
  return (int32_t)obj.polygons.size() - 1;
}

void GenBuildTerrain(GenObject &obj, int32_t side, float spacing, int32_t surface)
{
  int32_t base = (int32_t)obj.points.size();
  float half = (float)(side - 1) * spacing * 0.5f;
  for (int32_t row = 0; row < side; row++)
    for (int32_t col = 0; col < side; col++) {
      float x = (float)col * spacing - half, z = (float)row * spacing - half;
      obj.points.push_back(GenVec{x, GenValleyHeight(x, z), z});
    }
  for (int32_t row = 0; row + 1 < side; row++)
    for (int32_t col = 0; col + 1 < side; col++) {
      int32_t a = base + row * side + col;
      GenAddPolygon(obj, {a, a + 1, a + side + 1, a + side}, surface, GenVec{0, 1, 0});
    }
}

void GenBuildBox(GenObject &obj, float half, int32_t surfaceX, int32_t surfaceY, int32_t surfaceZ)
{
  int32_t base = (int32_t)obj.points.size();
  for (int i = 0; i < 8; i++)
    obj.points.push_back(GenVec{i & 1 ? half : -half, i & 2 ? half : -half, i & 4 ? half : -half});
  // Each face: the corners whose bit `axis` is `sign`, walked around the rim
  // through the other two bits.
  static const int rim[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int axis = 0; axis < 3; axis++)
    for (int sign = 0; sign < 2; sign++) {
      int b = (axis + 1) % 3, c = (axis + 2) % 3;
      std::vector<int32_t> ring;
      for (const int *corner : rim)
        ring.push_back(base + ((sign << axis) | (corner[0] << b) | (corner[1] << c)));
      float s = sign ? 1.0f : -1.0f;
      GenVec out{axis == 0 ? s : 0.0f, axis == 1 ? s : 0.0f, axis == 2 ? s : 0.0f};
      GenAddPolygon(obj, ring, axis == 0 ? surfaceX : axis == 1 ? surfaceY : surfaceZ, out);
    }
}

static GenVec onAxis(GenVec p, int32_t axis)
{
  if (axis == 0)
    return GenVec{p.y, p.x, p.z};
  if (axis == 2)
    return GenVec{p.x, p.z, p.y};
  return p;
}

void GenBuildTorus(GenObject &obj, float major, float minor, int32_t around, int32_t tube,
                   int32_t axis, int32_t surfaceA, int32_t surfaceB, int32_t band)
{
  int32_t base = (int32_t)obj.points.size();
  for (int32_t i = 0; i < around; i++)
    for (int32_t j = 0; j < tube; j++) {
      float u = 2.0f * kPi * (float)i / (float)around, v = 2.0f * kPi * (float)j / (float)tube;
      float ring = major + minor * std::cos(v);
      obj.points.push_back(onAxis(GenVec{ring * std::cos(u), minor * std::sin(v), ring * std::sin(u)}, axis));
    }
  for (int32_t i = 0; i < around; i++)
    for (int32_t j = 0; j < tube; j++) {
      int32_t i1 = (i + 1) % around, j1 = (j + 1) % tube;
      std::vector<int32_t> quad = {base + i * tube + j, base + i1 * tube + j, base + i1 * tube + j1,
                                   base + i * tube + j1};
      float u = 2.0f * kPi * ((float)i + 0.5f) / (float)around;
      GenVec centre = onAxis(GenVec{major * std::cos(u), 0, major * std::sin(u)}, axis);
      GenVec mid{0, 0, 0};
      for (int32_t p : quad)
        mid = GenVec{mid.x + obj.points[(size_t)p].x * 0.25f, mid.y + obj.points[(size_t)p].y * 0.25f,
                     mid.z + obj.points[(size_t)p].z * 0.25f};
      GenAddPolygon(obj, quad, (i / band) % 2 ? surfaceB : surfaceA, sub(mid, centre));
    }
}

// Point 0 is the north pole, then rings 1..rings-1 of `segments` points from
// north to south, then the south pole. The UV map gives u = segment / segments
// and v = 1 at the north pole down to 0 at the south pole; the polygons that
// close the last column see column 0 at u = 1, and each pole triangle sees its
// pole at the middle of its own column: those corners are the VMAD seams.
void GenBuildSphere(GenObject &obj, float radius, int32_t rings, int32_t segments,
                    const std::string &uvName, int32_t surfaceA, int32_t surfaceB)
{
  int32_t base = (int32_t)obj.points.size();
  int32_t south = base + 1 + (rings - 1) * segments;
  GenUVMap map;
  map.name = uvName;
  obj.points.push_back(GenVec{0, radius, 0});
  map.points.push_back(GenPointUV{base, 0.5f, 1.0f});
  for (int32_t j = 1; j < rings; j++)
    for (int32_t i = 0; i < segments; i++) {
      float theta = kPi * (float)j / (float)rings, phi = 2.0f * kPi * (float)i / (float)segments;
      obj.points.push_back(GenVec{radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                                  radius * std::sin(theta) * std::sin(phi)});
      map.points.push_back(GenPointUV{(int32_t)obj.points.size() - 1, (float)i / (float)segments,
                                      1.0f - (float)j / (float)rings});
    }
  obj.points.push_back(GenVec{0, -radius, 0});
  map.points.push_back(GenPointUV{south, 0.5f, 0.0f});
  auto at = [&](int32_t j, int32_t i) {
    return j == 0 ? base : j == rings ? south : base + 1 + (j - 1) * segments + i % segments;
  };
  for (int32_t j = 0; j < rings; j++)
    for (int32_t i = 0; i < segments; i++) {
      std::vector<int32_t> poly;
      if (j == 0)
        poly = {base, at(1, i), at(1, i + 1)};
      else if (j + 1 == rings)
        poly = {south, at(j, i + 1), at(j, i)};
      else
        poly = {at(j, i), at(j, i + 1), at(j + 1, i + 1), at(j + 1, i)};
      GenVec mid{0, 0, 0};
      for (int32_t p : poly)
        mid = GenVec{mid.x + obj.points[(size_t)p].x, mid.y + obj.points[(size_t)p].y,
                     mid.z + obj.points[(size_t)p].z};
      int32_t polyIndex = GenAddPolygon(obj, poly, (i + j) % 2 ? surfaceB : surfaceA, mid);
      float poleU = ((float)i + 0.5f) / (float)segments;
      if (i + 1 == segments)
        for (int32_t ring : {j, j + 1})
          if (ring > 0 && ring < rings)
            map.seams.push_back(GenPolyUV{at(ring, 0), polyIndex, 1.0f, 1.0f - (float)ring / (float)rings});
      if (j == 0)
        map.seams.push_back(GenPolyUV{base, polyIndex, poleU, 1.0f});
      if (j + 1 == rings)
        map.seams.push_back(GenPolyUV{south, polyIndex, poleU, 0.0f});
    }
  if (!uvName.empty())
    obj.uvMaps.push_back(map);
}

// Point 0 is the zenith, then rings 1..rings of `segments` points from there
// down to `lowest` radians below the horizon. The polygons face the inside
// (clockwise seen from the centre). The UV map gives u = turns x segment /
// segments around (the picture repeats `turns` times) and v = 1 at the zenith
// down to 0 on the lowest ring; as on the sphere, the last column sees column
// 0 at u = turns and each zenith triangle sees the zenith at the middle of
// its column (the VMAD seams).
void GenBuildDome(GenObject &obj, float radius, int32_t rings, int32_t segments, float lowest,
                  int32_t turns, const std::string &uvName, int32_t surface)
{
  int32_t base = (int32_t)obj.points.size();
  GenUVMap map;
  map.name = uvName;
  obj.points.push_back(GenVec{0, radius, 0});
  const float du = (float)turns / (float)segments;
  map.points.push_back(GenPointUV{base, 0.5f, 1.0f});
  for (int32_t j = 1; j <= rings; j++)
    for (int32_t i = 0; i < segments; i++) {
      float theta = (0.5f * kPi + lowest) * (float)j / (float)rings;
      float phi = 2.0f * kPi * (float)i / (float)segments;
      obj.points.push_back(GenVec{radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                                  radius * std::sin(theta) * std::sin(phi)});
      map.points.push_back(GenPointUV{(int32_t)obj.points.size() - 1, du * (float)i,
                                      1.0f - (float)j / (float)rings});
    }
  auto at = [&](int32_t j, int32_t i) {
    return j == 0 ? base : base + 1 + (j - 1) * segments + i % segments;
  };
  for (int32_t j = 0; j < rings; j++)
    for (int32_t i = 0; i < segments; i++) {
      std::vector<int32_t> poly;
      if (j == 0)
        poly = {base, at(1, i), at(1, i + 1)};
      else
        poly = {at(j, i), at(j, i + 1), at(j + 1, i + 1), at(j + 1, i)};
      GenVec mid{0, 0, 0};
      for (int32_t p : poly)
        mid = GenVec{mid.x - obj.points[(size_t)p].x, mid.y - obj.points[(size_t)p].y,
                     mid.z - obj.points[(size_t)p].z};
      int32_t polyIndex = GenAddPolygon(obj, poly, surface, mid);
      if (i + 1 == segments)
        for (int32_t ring : {j, j + 1})
          if (ring > 0)
            map.seams.push_back(GenPolyUV{at(ring, 0), polyIndex, (float)turns, 1.0f - (float)ring / (float)rings});
      if (j == 0)
        map.seams.push_back(GenPolyUV{base, polyIndex, du * ((float)i + 0.5f), 1.0f});
    }
  obj.uvMaps.push_back(map);
}

void GenBuildStar(GenObject &obj, float outer, float inner, float depth, float turn,
                  int32_t surfaceFace, int32_t surfaceEdge)
{
  int32_t base = (int32_t)obj.points.size();
  obj.points.push_back(GenVec{0, 0, -depth});
  obj.points.push_back(GenVec{0, 0, depth});
  for (int32_t side = 0; side < 2; side++)
    for (int32_t k = 0; k < 10; k++) {
      float angle = turn + 2.0f * kPi * (float)k / 10.0f, r = k % 2 ? inner : outer;
      obj.points.push_back(GenVec{r * std::sin(angle), r * std::cos(angle), side ? depth : -depth});
    }
  for (int32_t k = 0; k < 10; k++) {
    int32_t f0 = base + 2 + k, f1 = base + 2 + (k + 1) % 10;
    GenAddPolygon(obj, {base, f0, f1}, surfaceFace, GenVec{0, 0, -1});
    GenAddPolygon(obj, {base + 1, f0 + 10, f1 + 10}, surfaceFace, GenVec{0, 0, 1});
    GenVec a = obj.points[(size_t)f0], b = obj.points[(size_t)f1];
    GenAddPolygon(obj, {f0, f1, f1 + 10, f0 + 10}, surfaceEdge, GenVec{a.x + b.x, a.y + b.y, 0});
  }
}
