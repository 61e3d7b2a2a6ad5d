// The show's scene, "C:\vorlanth\vorlanth.lws": a valley ringed by hills
// under a dome of sky, a gyroscope of three nested rings around a small planet
// at its centre, a crate and a chrome ring orbiting on a null, a blob
// breathing through its endomorphs, a star morphing into a flower, and a
// camera circling it all once per loop.
//
// Timing: the show plays one loop in 1250 drawn frames and maps its play
// position to scene time through the scene's last frame and frame rate; 625
// frames at 25 per second make the loop 25 seconds, which is real time at the
// 50 frames per second of a PAL display. Every periodic motion divides 25 s
// so the loop closes without a jump.
//
// Scale: the scene's world scale is 10 / GridSize x ViewZoomFactor = 10.
//
// Keys: the gyroscope's rings and planet share keys at 0, 1.25 and 2.5 s, so
// that an importer whose motion is linear between keys places the whole chain
// exactly as LightWave does at those times (the tests compare them).
#include <cmath>

#include "genbuilders.h"

static const float kTwoPi = 6.2831853f;
static const float kLoop = 25.0f;   // seconds

// Tangent parameters for a key from the slope of the curve there: Hermite and
// Bezier keys take their tangents scaled to the spans around them (the way
// the envelope evaluation scales them back), 2D Bezier keys take handles of a
// third of each neighbouring span.
static void keyTangents(GenKey &key, float slope, float before, float after, float span)
{
  if (key.shape == GEN_SHAPE_HERMITE || key.shape == GEN_SHAPE_BEZIER) {
    key.p[3] = slope * before;
    key.p[4] = slope * after;
  } else if (key.shape == GEN_SHAPE_BEZIER2D) {
    key.p[0] = -span / 3.0f;
    key.p[1] = -slope * span / 3.0f;
    key.p[2] = span / 3.0f;
    key.p[3] = slope * span / 3.0f;
  }
}

// An envelope through (times[k], values[k]) with the given key shapes. With a
// period, the slopes at the two ends look across the loop (the value grows by
// values.back() - values.front() per period), so the curve closes smoothly.
static GenEnvelope envCurve(const std::vector<float> &times, const std::vector<float> &values,
                            const std::vector<int32_t> &shapes, int32_t pre, int32_t post, float period)
{
  GenEnvelope env{};
  env.pre = pre;
  env.post = post;
  size_t n = times.size();
  for (size_t k = 0; k < n; k++) {
    GenKey key{values[k], times[k], shapes[k < shapes.size() ? k : shapes.size() - 1], {0, 0, 0, 0, 0, 0}};
    float tPrev = k > 0 ? times[k - 1] : times[k], vPrev = k > 0 ? values[k - 1] : values[k];
    float tNext = k + 1 < n ? times[k + 1] : times[k], vNext = k + 1 < n ? values[k + 1] : values[k];
    if (period > 0.0f && n > 2 && (k == 0 || k + 1 == n)) {
      float gain = values[n - 1] - values[0];
      tPrev = k == 0 ? times[n - 2] - period : times[k - 1];
      vPrev = k == 0 ? values[n - 2] - gain : values[k - 1];
      tNext = k + 1 == n ? times[1] + period : times[k + 1];
      vNext = k + 1 == n ? values[1] + gain : values[k + 1];
    }
    float slope = tNext > tPrev ? (vNext - vPrev) / (tNext - tPrev) : 0.0f;
    // Spans the evaluation scales the tangents by: to the far neighbours
    // when both exist, else the one span.
    float before = k + 1 < n && k > 0 ? times[k + 1] - times[k - 1] : tNext - tPrev;
    float after = k > 0 && k + 1 < n ? times[k + 1] - times[k - 1] : tNext - tPrev;
    if (k == 0 || k + 1 == n) {
      before = k > 0 ? times[k] - times[k - 1] : times[1] - times[0];
      after = k + 1 < n ? times[k + 1] - times[k] : times[k] - times[k - 1];
    }
    keyTangents(key, slope, before, after, (tNext - tPrev) * 0.5f);
    env.keys.push_back(key);
  }
  return env;
}

static GenEnvelope envLine(float t0, float v0, float t1, float v1, int32_t pre, int32_t post)
{
  return envCurve({t0, t1}, {v0, v1}, {GEN_SHAPE_LINEAR}, pre, post, 0.0f);
}

static GenEnvelope envSwing(float t0, float v0, float t1, float v1, int32_t shape, int32_t post)
{
  return envCurve({t0, t1}, {v0, v1}, {shape}, GEN_BEHAVE_CONSTANT, post, 0.0f);
}

static void place(GenItem &item, float x, float y, float z)
{
  item.channels[0] = GenEnvConst(x);
  item.channels[1] = GenEnvConst(y);
  item.channels[2] = GenEnvConst(z);
}

static std::string objectName(const char *file) { return std::string("C:\\vorlanth\\") + file; }

// ---- Objects -------------------------------------------------------------

static GenBlock imageBlock(int32_t channel, int32_t projection, int32_t axis, GenVec size)
{
  GenBlock b{};
  b.used = 1;
  b.channel = channel;
  b.projection = projection;
  b.axis = axis;
  b.clip = 1;
  b.center = GenVec{0, 0, 0};
  b.size = size;
  return b;
}

// The valley: 130 x 130 points a metre apart (16,900 points, 33,282
// triangles), more than one drawing batch holds; its picture is laid on it
// from above (planar on Y) over its whole extent.
static GenObject makeValley(void)
{
  GenObject obj;
  GenSurface ground = GenSurfaceFlat("Valley", 0.3f, 0.45f, 0.2f);
  ground.block = imageBlock(GEN_CHAN_COLOR, GEN_PROJ_PLANAR, 1, GenVec{129.0f, 1.0f, 129.0f});
  obj.surfaces.push_back(ground);
  obj.clips.push_back(objectName("valley.tga"));
  GenBuildTerrain(obj, 130, 1.0f, 0);
  return obj;
}

// A crate whose three pairs of faces take the same picture planar on X, on Y
// and on Z.
static GenObject makeCrate(void)
{
  GenObject obj;
  const char *names[3] = {"CrateSideX", "CrateSideY", "CrateSideZ"};
  for (int axis = 0; axis < 3; axis++) {
    GenSurface s = GenSurfaceFlat(names[axis], 0.6f, 0.4f, 0.2f);
    s.block = imageBlock(GEN_CHAN_COLOR, GEN_PROJ_PLANAR, axis, GenVec{2.0f, 2.0f, 2.0f});
    obj.surfaces.push_back(s);
  }
  obj.clips.push_back(objectName("crate.tga"));
  GenBuildBox(obj, 1.0f, 0, 1, 2);
  return obj;
}

// A chrome ring: one smooth surface with its picture in the reflection
// channel, which the show draws as an environment map from the normals.
static GenObject makeChrome(void)
{
  GenObject obj;
  GenSurface s = GenSurfaceFlat("Chrome", 0.8f, 0.8f, 0.85f);
  s.smooth = 1;
  s.block = imageBlock(GEN_CHAN_REFLECTION, GEN_PROJ_SPHERICAL, 1, GenVec{1.0f, 1.0f, 1.0f});
  obj.surfaces.push_back(s);
  obj.clips.push_back(objectName("sky.tga"));
  GenBuildTorus(obj, 1.4f, 0.55f, 48, 20, 1, 0, 0, 1);
  return obj;
}

// The sky: the inside of a dome of 170 m about the valley's centre, from the
// zenith to 12 degrees below the horizon (behind the hills), UV-mapped with
// the sky's picture three times around, so that a texel of it is a few
// pixels across on the screen.
static const float kDomeLowest = 0.2094395f;  // 12 degrees

static GenObject makeDome(void)
{
  GenObject obj;
  GenSurface s = GenSurfaceFlat("Sky", 0.45f, 0.6f, 0.85f);
  s.block = imageBlock(GEN_CHAN_COLOR, GEN_PROJ_UV, 1, GenVec{1.0f, 1.0f, 1.0f});
  s.block.uvMap = "SkyUV";
  obj.surfaces.push_back(s);
  obj.clips.push_back(objectName("heaven.tga"));
  GenBuildDome(obj, 170.0f, 12, 48, kDomeLowest, 3, "SkyUV", 0);
  return obj;
}

// One ring of the gyroscope, in two flat colours banded around it.
static GenObject makeRing(float major, int32_t axis, const float *a, const float *b)
{
  GenObject obj;
  obj.surfaces.push_back(GenSurfaceFlat("RingBand", a[0], a[1], a[2]));
  obj.surfaces.push_back(GenSurfaceFlat("RingGap", b[0], b[1], b[2]));
  GenBuildTorus(obj, major, 0.16f, 64, 8, axis, 0, 1, 4);
  return obj;
}

// The planet: UV-mapped, with its seams as discontinuous UVs.
static GenObject makeGlobe(void)
{
  GenObject obj;
  GenSurface s = GenSurfaceFlat("Planet", 0.2f, 0.4f, 0.8f);
  s.block = imageBlock(GEN_CHAN_COLOR, GEN_PROJ_UV, 2, GenVec{1.0f, 1.0f, 1.0f});
  s.block.uvMap = "PlanetUV";
  obj.surfaces.push_back(s);
  obj.clips.push_back(objectName("globe.tga"));
  GenBuildSphere(obj, 1.3f, 16, 32, "PlanetUV", 0, 0);
  return obj;
}

// The blob: a checkered sphere with three endomorphs, blended by the scene.
static GenObject makeBlob(void)
{
  GenObject obj;
  obj.surfaces.push_back(GenSurfaceFlat("BlobLight", 1.0f, 0.45f, 0.7f));
  obj.surfaces.push_back(GenSurfaceFlat("BlobDark", 0.45f, 0.15f, 0.6f));
  const int32_t rings = 14, segments = 20;
  const float radius = 1.5f;
  GenBuildSphere(obj, radius, rings, segments, "", 0, 1);
  GenMorph spikes{"Spikes", {}, {}}, squash{"Squash", {}, {}}, twist{"Twist", {}, {}};
  for (int32_t p = 0; p < (int32_t)obj.points.size(); p++) {
    GenVec v = obj.points[(size_t)p];
    int32_t ring = p == 0 ? 0 : (p - 1) / segments + 1, column = p == 0 ? 0 : (p - 1) % segments;
    if (ring % 2 == 0 && column % 2 == 0) {
      spikes.points.push_back(p);
      spikes.deltas.push_back(GenVec{v.x * 0.5f, v.y * 0.5f, v.z * 0.5f});
    }
    squash.points.push_back(p);
    squash.deltas.push_back(GenVec{v.x * 0.35f, -v.y * 0.45f, v.z * 0.35f});
    float angle = 0.9f * v.y / radius, c = std::cos(angle), s = std::sin(angle);
    twist.points.push_back(p);
    twist.deltas.push_back(GenVec{v.x * c - v.z * s - v.x, 0.0f, v.x * s + v.z * c - v.z});
  }
  obj.morphs = {spikes, squash, twist};
  return obj;
}

// The star and the flower it morphs into: the same points, other radii.
static GenObject makeStar(float outer, float inner, float turn)
{
  GenObject obj;
  obj.surfaces.push_back(GenSurfaceFlat("StarFace", 1.0f, 0.82f, 0.15f));
  obj.surfaces.push_back(GenSurfaceFlat("StarEdge", 0.85f, 0.35f, 0.05f));
  GenBuildStar(obj, outer, inner, 0.25f, turn, 0, 1);
  return obj;
}

// ---- Animation -----------------------------------------------------------

// The camera circles the valley once per loop through eleven keys 2.5 s
// apart (the last equal to the first, one turn on), looking at the centre or
// towards the blob and the star as it passes them. Every channel mixes the
// key shapes; the first and last keys are Hermite so that the loop closes
// with matching slopes.
static void cameraFlight(GenItem &camera)
{
  static const float radius[11] = {17, 15, 18, 16, 19, 15, 17, 20, 16, 18, 17};
  static const float height[11] = {4.5f, 3, 5.5f, 2.5f, 6, 3.5f, 7, 4, 3, 5, 4.5f};
  static const float look[11][3] = {{0, 0.5f, 0}, {2, 0.5f, 1}, {3, 1, 2}, {4.8f, 1, 3.6f},
                                    {4, 1, 3}, {0, 0.5f, 0}, {-2, 0.5f, 0}, {0, 0.5f, 0},
                                    {-4, 1.5f, -3}, {-3.2f, 1.2f, -2.4f}, {0, 0.5f, 0}};
  static const float bank[11] = {0, 0.06f, -0.05f, 0, 0, 0.08f, -0.06f, 0.04f, 0, -0.03f, 0};
  enum { T = GEN_SHAPE_TCB, H = GEN_SHAPE_HERMITE, B = GEN_SHAPE_BEZIER, L = GEN_SHAPE_LINEAR,
         S = GEN_SHAPE_STEPPED, D = GEN_SHAPE_BEZIER2D };
  static const std::vector<int32_t> shapes[6] = {
    {H, T, H, B, D, T, L, T, H, D, H}, {H, H, T, T, B, D, T, L, T, B, H},
    {H, T, L, T, H, T, D, T, B, T, H}, {H, T, T, H, T, D, T, B, T, T, H},
    {H, B, T, T, H, T, T, D, T, T, H}, {H, T, T, T, S, T, T, T, L, T, H}};
  std::vector<float> times, ch[6];
  for (int k = 0; k < 11; k++) {
    float angle = kTwoPi * (float)k / 10.0f;
    float x = radius[k] * std::sin(angle), z = -radius[k] * std::cos(angle), y = height[k];
    float dx = look[k][0] - x, dy = look[k][1] - y, dz = look[k][2] - z;
    float heading = std::atan2(dx, dz), pitch = std::atan2(-dy, std::sqrt(dx * dx + dz * dz));
    // Keep the heading continuous: it turns once around with the camera.
    while (k > 0 && heading < ch[3].back() - 3.1415927f)
      heading += kTwoPi;
    while (k > 0 && heading > ch[3].back() + 3.1415927f)
      heading -= kTwoPi;
    times.push_back(2.5f * (float)k);
    float values[6] = {x, y, z, heading, pitch, bank[k]};
    for (int c = 0; c < 6; c++)
      ch[c].push_back(values[c]);
  }
  int32_t pre[6] = {GEN_BEHAVE_REPEAT, GEN_BEHAVE_REPEAT, GEN_BEHAVE_REPEAT, GEN_BEHAVE_OFFSET,
                    GEN_BEHAVE_REPEAT, GEN_BEHAVE_CONSTANT};
  int32_t post[6] = {GEN_BEHAVE_REPEAT, GEN_BEHAVE_REPEAT, GEN_BEHAVE_REPEAT, GEN_BEHAVE_OFFSET,
                     GEN_BEHAVE_REPEAT, GEN_BEHAVE_CONSTANT};
  for (int c = 0; c < 6; c++)
    camera.channels[(size_t)c] = envCurve(times, ch[c], shapes[c], pre[c], post[c], kLoop);
}

// Zoom: a slow breath between wide and close, with every smooth shape and a
// stepped hold.
static GenEnvelope cameraZoom(void)
{
  return envCurve({0, 5, 10, 12.5f, 15, 17.5f, 20, 25}, {3.2f, 2.6f, 3.6f, 3.6f, 4.4f, 3.0f, 3.0f, 3.2f},
                  {GEN_SHAPE_HERMITE, GEN_SHAPE_TCB, GEN_SHAPE_BEZIER, GEN_SHAPE_LINEAR,
                   GEN_SHAPE_BEZIER2D, GEN_SHAPE_TCB, GEN_SHAPE_STEPPED, GEN_SHAPE_HERMITE},
                  GEN_BEHAVE_CONSTANT, GEN_BEHAVE_CONSTANT, kLoop);
}

// Items in file order; the indices are those of parents and morph targets.
enum { VALLEY, ORBIT, CRATE, CHROME, RING_A, RING_B, RING_C, GLOBE, BLOB, STAR, FLOWER, DOME, SUN,
       CAMERA };

// A turn at an even pace: keys every `step` seconds from 0 to `span`, the
// angle growing from `start` by 2 pi over `span`; linear, continued by offset.
static GenEnvelope envTurn(float start, float step, float span, int32_t pre, int32_t post)
{
  std::vector<float> times, values;
  for (float t = 0.0f; t <= span + 0.001f; t += step) {
    times.push_back(t);
    values.push_back(start + kTwoPi * t / span);
  }
  return envCurve(times, values, {GEN_SHAPE_LINEAR}, pre, post, 0.0f);
}

static void sceneRings(GenScene &scene)
{
  GenItem &a = scene.items[RING_A], &b = scene.items[RING_B], &c = scene.items[RING_C];
  // Outer ring: one turn in 5 s, continued turn after turn.
  a.channels[3] = envTurn(0, 1.25f, 5, GEN_BEHAVE_CONSTANT, GEN_BEHAVE_OFFSET);
  // Middle ring, carried by the outer one: half a turn every 2.5 s, repeated
  // with an offset both before and after, so it rolls at an even pace.
  b.parent = RING_A;
  b.channels[4] = envCurve({0, 1.25f, 2.5f}, {0, kTwoPi * 0.25f, kTwoPi * 0.5f}, {GEN_SHAPE_LINEAR},
                           GEN_BEHAVE_OFFSET, GEN_BEHAVE_OFFSET, 0.0f);
  // Inner ring, carried by the middle one: rocks to and fro every 2.5 s.
  c.parent = RING_B;
  c.channels[5] = envCurve({0, 1.25f, 2.5f}, {0, 0.9f, 0}, {GEN_SHAPE_TCB}, GEN_BEHAVE_CONSTANT,
                           GEN_BEHAVE_REPEAT, 0.0f);
  // The planet inside turns with a linear continuation past its last key.
  GenItem &globe = scene.items[GLOBE];
  globe.parent = RING_C;
  globe.channels[3] = envTurn(0, 1.25f, 5, GEN_BEHAVE_CONSTANT, GEN_BEHAVE_LINEAR);
}

static void sceneOrbit(GenScene &scene)
{
  // Already turned at 0 s, so that its children are carried round from the start.
  scene.items[ORBIT].channels[3] = envLine(0, 0.5f, 12.5f, 0.5f + kTwoPi, GEN_BEHAVE_CONSTANT,
                                           GEN_BEHAVE_OFFSET);
  GenItem &crate = scene.items[CRATE];
  crate.parent = ORBIT;
  place(crate, 7, 0.6f, 0);
  crate.channels[1] = envSwing(0, 0.6f, 2.5f, 1.6f, GEN_SHAPE_TCB, GEN_BEHAVE_OSCILLATE);
  crate.channels[3] = envLine(0, 0, 5, kTwoPi, GEN_BEHAVE_CONSTANT, GEN_BEHAVE_OFFSET);
  crate.channels[4] = envSwing(0, -0.3f, 3.125f, 0.3f, GEN_SHAPE_BEZIER, GEN_BEHAVE_OSCILLATE);
  crate.dissolve = 1;
  crate.dissolveEnvelope = envCurve({0, 6.25f, 12.5f}, {0, 0.5f, 0}, {GEN_SHAPE_TCB},
                                    GEN_BEHAVE_CONSTANT, GEN_BEHAVE_REPEAT, 0.0f);
  GenItem &chrome = scene.items[CHROME];
  chrome.parent = ORBIT;
  place(chrome, -7, 1.5f, 0);
  chrome.channels[4] = envLine(0, 0, 6.25f, kTwoPi, GEN_BEHAVE_CONSTANT, GEN_BEHAVE_OFFSET);
  chrome.channels[5] = envSwing(0, -0.5f, 2.5f, 0.5f, GEN_SHAPE_TCB, GEN_BEHAVE_OSCILLATE);
}

static void sceneMorphs(GenScene &scene)
{
  GenItem &blob = scene.items[BLOB];
  place(blob, 8, 1.5f, 6);
  blob.channels[1] = envSwing(0, 1.5f, 3.125f, 2.1f, GEN_SHAPE_HERMITE, GEN_BEHAVE_OSCILLATE);
  blob.channels[3] = envLine(0, 0, kLoop, kTwoPi, GEN_BEHAVE_CONSTANT, GEN_BEHAVE_CONSTANT);
  blob.morphGroup = "blob";
  // Reset before the first key gives the same 0 the first key holds.
  blob.morfs.push_back(GenMorfChannel{"Spikes", envCurve({0, 1.25f, 2.5f}, {0, 1, 0}, {GEN_SHAPE_TCB},
                                                         GEN_BEHAVE_RESET, GEN_BEHAVE_REPEAT, 0.0f)});
  blob.morfs.push_back(GenMorfChannel{"Squash", envSwing(0, 0, 2.5f, 0.7f, GEN_SHAPE_BEZIER,
                                                         GEN_BEHAVE_OSCILLATE)});
  // Starts at 2 s: before that the oscillation runs backwards from the keys.
  GenEnvelope twist = envSwing(2, 0, 4.5f, 1, GEN_SHAPE_HERMITE, GEN_BEHAVE_OSCILLATE);
  twist.pre = GEN_BEHAVE_OSCILLATE;
  blob.morfs.push_back(GenMorfChannel{"Twist", twist});
  GenItem &star = scene.items[STAR], &flower = scene.items[FLOWER];
  place(star, -8, 2.5f, -6);
  place(flower, -8, 2.5f, -6);
  star.channels[3] = envLine(0, 0, 6.25f, kTwoPi, GEN_BEHAVE_CONSTANT, GEN_BEHAVE_OFFSET);
  star.morphTarget = FLOWER;
  star.morphAmount = envSwing(0, 0, 2.5f, 1, GEN_SHAPE_TCB, GEN_BEHAVE_OSCILLATE);
}

static GenScene makeScene(void)
{
  GenScene scene{};
  scene.framesPerSecond = 25;
  scene.lastFrame = 625;
  scene.frameWidth = 640;
  scene.frameHeight = 480;
  scene.gridSize = 1.0f;
  scene.viewZoom = 1.0f;
  const char *files[] = {"valley.lwo", "", "crate.lwo", "chrome.lwo", "ring_a.lwo", "ring_b.lwo",
                         "ring_c.lwo", "globe.lwo", "blob.lwo", "star.lwo", "flower.lwo", "dome.lwo"};
  for (int i = VALLEY; i <= DOME; i++)
    scene.items.push_back(i == ORBIT ? GenItemMake(GEN_ITEM_NULL, "Orbit")
                                     : GenItemMake(GEN_ITEM_OBJECT, objectName(files[i])));
  GenItem sun = GenItemMake(GEN_ITEM_LIGHT, "Sun");
  place(sun, -20, 30, -15);
  sun.channels[3] = GenEnvConst(0.9f);
  sun.channels[4] = GenEnvConst(0.8f);
  sun.lightColor[0] = 1.0f, sun.lightColor[1] = 0.96f, sun.lightColor[2] = 0.88f;
  sun.lightIntensity = 1.0f;
  scene.items.push_back(sun);
  scene.items.push_back(GenItemMake(GEN_ITEM_CAMERA, "Camera"));
  sceneRings(scene);
  sceneOrbit(scene);
  sceneMorphs(scene);
  cameraFlight(scene.items[CAMERA]);
  scene.zoom = cameraZoom();
  return scene;
}

static void addFile(std::vector<GenFile> &files, const char *name, std::vector<uint8_t> bytes)
{
  files.push_back(GenFile{std::string("vorlanth/") + name, std::move(bytes)});
}

int32_t GenShowFiles(std::vector<GenFile> &files)
{
  static const float cyan[3] = {0.1f, 0.8f, 0.95f}, navy[3] = {0.05f, 0.2f, 0.55f};
  static const float magenta[3] = {0.95f, 0.2f, 0.75f}, plum[3] = {0.4f, 0.08f, 0.45f};
  static const float yellow[3] = {1.0f, 0.85f, 0.1f}, orange[3] = {0.9f, 0.4f, 0.05f};
  const struct { const char *name; GenObject object; } objects[] = {
    {"valley.lwo", makeValley()}, {"crate.lwo", makeCrate()}, {"chrome.lwo", makeChrome()},
    {"ring_a.lwo", makeRing(3.3f, 1, cyan, navy)}, {"ring_b.lwo", makeRing(2.8f, 2, magenta, plum)},
    {"ring_c.lwo", makeRing(2.3f, 0, yellow, orange)}, {"globe.lwo", makeGlobe()},
    {"blob.lwo", makeBlob()}, {"star.lwo", makeStar(2.0f, 0.8f, 0.0f)},
    {"flower.lwo", makeStar(1.1f, 1.9f, 0.0f)}, {"dome.lwo", makeDome()}};
  for (const auto &o : objects) {
    std::vector<uint8_t> bytes = GenLwoBytes(o.object);
    if (bytes.empty())
      return GEN_ERR_FAILED;
    addFile(files, o.name, std::move(bytes));
  }
  addFile(files, "valley.tga", GenTgaBytes(GenImageValley(256, 129.0f)));
  addFile(files, "crate.tga", GenTgaBytes(GenImageCrate(128)));
  addFile(files, "globe.tga", GenTgaBytes(GenImageGlobe(256, 128)));
  addFile(files, "sky.tga", GenTgaBytes(GenImageSky(128)));
  addFile(files, "heaven.tga", GenTgaBytes(GenImageHeaven(256, 256, kDomeLowest / (1.5707963f + kDomeLowest))));
  std::string text = GenLwsText(makeScene());
  if (text.empty())
    return GEN_ERR_FAILED;
  addFile(files, "vorlanth.lws", std::vector<uint8_t>(text.begin(), text.end()));
  return GEN_OK;
}
