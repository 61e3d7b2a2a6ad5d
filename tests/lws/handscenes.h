// Hand-made scenes for placement tests: a marker object whose sides can be
// told apart in the picture, and format-3 scene texts that place it through
// positions, rotations, pivots, parents and the camera.
#pragma once
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "../lwo/lwo_builder.h"

// The marker: three squares 0.8 across in the XY plane, seen from both
// sides: blue at the origin, red at (1.5, 0, 0) (its +X side), green at
// (0, 1.5, 0) (its +Y side).
inline std::string MarkerObject(void)
{
  std::vector<float> points;
  std::vector<std::vector<uint32_t>> polygons;
  std::vector<std::pair<uint32_t, uint32_t>> tags;
  const float centres[3][2] = {{0, 0}, {1.5f, 0}, {0, 1.5f}};
  for (uint32_t s = 0; s < 3; s++) {
    uint32_t base = (uint32_t)points.size() / 3;
    const float c[4][2] = {{-0.4f, -0.4f}, {-0.4f, 0.4f}, {0.4f, 0.4f}, {0.4f, -0.4f}};
    for (const auto &k : c)
      points.insert(points.end(), {centres[s][0] + k[0], centres[s][1] + k[1], 0.0f});
    polygons.push_back({base, base + 1, base + 2, base + 3});
    polygons.push_back({base, base + 3, base + 2, base + 1});
    tags.push_back({(uint32_t)polygons.size() - 2, s});
    tags.push_back({(uint32_t)polygons.size() - 1, s});
  }
  return Form({Tags({"Centre", "PlusX", "PlusY"}), Pnts(points), Pols(polygons), Ptag(tags),
               Surf("Centre", {Colr(0, 0, 1)}), Surf("PlusX", {Colr(1, 0, 0)}),
               Surf("PlusY", {Colr(0, 1, 0)})});
}

// One item of a hand-made scene. Angles in degrees here, radians in the file.
struct HandItem {
  std::string add;          // "LoadObjectLayer 1 marker.lwo", "AddNullObject Name" or "AddCamera"
  double position[3] = {0, 0, 0};
  double hpb[3] = {0, 0, 0};  // heading, pitch, bank
  double scale[3] = {1, 1, 1};
  double pivot[3] = {0, 0, 0};
  int parent = 0;           // 1-based among the scene's object items; 0 none
};

inline std::string HandNumber(double v)
{
  char text[32];
  snprintf(text, sizeof text, "%.7f", v);  // no exponents: the scene reader refuses them
  return text;
}

inline std::string HandScene(const std::vector<HandItem> &items)
{
  std::string out = "LWSC\n3\n\nFirstFrame 1\nLastFrame 60\nFrameStep 1\nPreviewFirstFrame 0\n"
                    "PreviewLastFrame 60\nPreviewFrameStep 1\nCurrentFrame 0\nFramesPerSecond 30\n\n";
  for (const HandItem &item : items) {
    bool camera = item.add == "AddCamera";
    out += item.add + "\n";
    out += camera ? "CameraName Camera\nShowCamera 1 2\nCameraMotion\nNumChannels 6\n"
                  : "ShowObject 6 7\nObjectMotion\nNumChannels 9\n";
    double values[9] = {item.position[0], item.position[1], item.position[2],
                        item.hpb[0] * M_PI / 180, item.hpb[1] * M_PI / 180, item.hpb[2] * M_PI / 180,
                        item.scale[0], item.scale[1], item.scale[2]};
    for (int c = 0; c < (camera ? 6 : 9); c++)
      out += "Channel " + std::to_string(c) + "\n{ Envelope\n  1\n  Key " + HandNumber(values[c]) +
             " 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n";
    if (item.pivot[0] != 0 || item.pivot[1] != 0 || item.pivot[2] != 0)
      out += "PivotPosition " + HandNumber(item.pivot[0]) + " " + HandNumber(item.pivot[1]) + " " +
             HandNumber(item.pivot[2]) + "\n";
    if (item.parent > 0) {
      char id[16];
      snprintf(id, sizeof id, "1%07x", item.parent - 1);
      out += std::string("ParentItem ") + id + "\n";
    }
    if (camera)
      out += "ZoomFactor 3.2\nFrameSize 640 480\n";
    out += "\n";
  }
  return out + "ViewZoomFactor 1\nGridSize 1\n";  // world scale 10
}

inline HandItem Marker(void)
{
  return HandItem{"LoadObjectLayer 1 marker.lwo"};
}
inline HandItem Null(const std::string &name)
{
  return HandItem{"AddNullObject " + name};
}
inline HandItem Camera(void)
{
  return HandItem{"AddCamera"};
}

// LightWave's rules, written out from its conventions: heading about Y turns
// +Z towards +X, pitch about X turns +Z towards -Y, bank about Z turns +X
// towards +Y; bank first, then pitch, then heading. An item puts a point p
// at position + R * S * (p - pivot) in its parent's space.
struct V3 {
  double x, y, z;
};

inline V3 HandRotate(const double *hpb, V3 p)
{
  double h = hpb[0] * M_PI / 180, a = hpb[1] * M_PI / 180, b = hpb[2] * M_PI / 180;
  V3 q = {p.x * cos(b) - p.y * sin(b), p.x * sin(b) + p.y * cos(b), p.z};        // bank
  V3 r = {q.x, q.y * cos(a) - q.z * sin(a), q.y * sin(a) + q.z * cos(a)};        // pitch
  return {r.x * cos(h) + r.z * sin(h), r.y, -r.x * sin(h) + r.z * cos(h)};        // heading
}

// Where a point of item `index` (0-based) lands in the world, parents included.
inline V3 HandWorld(const std::vector<HandItem> &items, size_t index, V3 p)
{
  const HandItem &item = items[index];
  V3 local = {(p.x - item.pivot[0]) * item.scale[0], (p.y - item.pivot[1]) * item.scale[1],
              (p.z - item.pivot[2]) * item.scale[2]};
  V3 r = HandRotate(item.hpb, local);
  V3 out = {item.position[0] + r.x, item.position[1] + r.y, item.position[2] + r.z};
  return item.parent > 0 ? HandWorld(items, (size_t)item.parent - 1, out) : out;
}

// The scenes, by name.
struct HandCase {
  const char *name;
  std::vector<HandItem> items;
};

inline std::vector<HandCase> HandCases(void)
{
  std::vector<HandCase> cases;
  HandItem marker = Marker(), camera = Camera();
  marker.position[2] = 8;
  cases.push_back({"unrotated", {marker, camera}});
  HandItem turned = marker;
  turned.hpb[0] = 180;
  cases.push_back({"turned", {turned, camera}});

  HandItem carrier = Null("Carrier"), child = Marker();
  carrier.position[0] = 0.5, carrier.position[1] = -0.5, carrier.position[2] = 9;
  carrier.hpb[0] = 25, carrier.hpb[1] = -20, carrier.hpb[2] = 35;
  child.position[0] = 1, child.position[1] = 0.5;
  child.parent = 1;
  cases.push_back({"parent", {carrier, child, camera}});

  HandItem base = Null("Base"), arm = Null("Arm"), tip = Marker();
  base.position[1] = -1, base.position[2] = 10;
  base.hpb[0] = 30;
  base.scale[0] = base.scale[1] = base.scale[2] = 0.8;
  arm.position[1] = 1;
  arm.hpb[2] = 20;
  arm.parent = 1;
  tip.position[0] = 1, tip.position[2] = -1;
  tip.hpb[1] = 10;
  tip.parent = 2;
  cases.push_back({"chain", {base, arm, tip, camera}});

  HandItem pivoted = marker;
  pivoted.pivot[0] = 1.5;
  pivoted.hpb[2] = 90;
  cases.push_back({"pivot", {pivoted, camera}});

  HandItem aimed = Camera(), seen = Marker();
  aimed.position[0] = 1, aimed.position[1] = 2, aimed.position[2] = -3;
  aimed.hpb[0] = 20, aimed.hpb[1] = 15, aimed.hpb[2] = 25;
  seen.hpb[0] = 20, seen.hpb[1] = 15, seen.hpb[2] = 25;
  // Nine metres straight ahead of the camera, turned as the camera is.
  V3 ahead = HandRotate(aimed.hpb, {0, 0, 9});
  seen.position[0] = 1 + ahead.x, seen.position[1] = 2 + ahead.y, seen.position[2] = -3 + ahead.z;
  cases.push_back({"camera", {seen, aimed}});
  return cases;
}
