// LWS writer: a LightWave scene text of format 3 (LightWave 6 and 7).
//
// The text starts "LWSC" / "3", then the frame range and rate, the object
// items ("LoadObjectLayer 1 <file>" or "AddNullObject <name>"), the ambient
// light, the light items, the camera item and the view and grid settings.
// Every animated value is an envelope block:
//   { Envelope
//     <key count>
//     Key <value> <time> <shape> <p1> .. <p6>
//     Behaviors <pre> <post>
//   }
// Numbers are written in fixed notation: scene readers of this generation do
// not all accept exponents.
#include <cmath>
#include <cstdio>

#include "datagen.h"

std::string GenNumber(float value)
{
  char text[64];
  if (!std::isfinite(value))
    value = 0.0f;
  std::snprintf(text, sizeof text, "%.6f", (double)value);
  std::string s = text;
  while (!s.empty() && s.back() == '0')
    s.pop_back();
  if (!s.empty() && s.back() == '.')
    s.pop_back();
  if (s == "-0")
    s = "0";
  return s;
}

GenEnvelope GenEnvConst(float value)
{
  GenEnvelope env{};
  env.keys.push_back(GenKey{value, 0.0f, GEN_SHAPE_TCB, {0, 0, 0, 0, 0, 0}});
  env.pre = GEN_BEHAVE_CONSTANT;
  env.post = GEN_BEHAVE_CONSTANT;
  return env;
}

GenItem GenItemMake(int32_t kind, const std::string &name)
{
  GenItem item{};
  item.kind = kind;
  item.name = name;
  item.parent = -1;
  item.morphTarget = -1;
  int channels = kind == GEN_ITEM_CAMERA ? 6 : 9;
  for (int c = 0; c < channels; c++)
    item.channels.push_back(GenEnvConst(c >= 6 ? 1.0f : 0.0f));
  return item;
}

static void putEnvelope(std::string &out, const GenEnvelope &env, const char *indent)
{
  std::string in = indent;
  out += in + "{ Envelope\n";
  out += in + "  " + std::to_string(env.keys.size()) + "\n";
  for (const GenKey &k : env.keys) {
    out += in + "  Key " + GenNumber(k.value) + " " + GenNumber(k.time) + " " +
           std::to_string(k.shape);
    for (float p : k.p)
      out += " " + GenNumber(p);
    out += "\n";
  }
  out += in + "  Behaviors " + std::to_string(env.pre) + " " + std::to_string(env.post) + "\n";
  out += in + "}\n";
}

static void putChannels(std::string &out, const GenItem &item)
{
  out += "NumChannels " + std::to_string(item.channels.size()) + "\n";
  for (size_t c = 0; c < item.channels.size(); c++) {
    out += "Channel " + std::to_string(c) + "\n";
    putEnvelope(out, item.channels[c], "");
  }
}

// LightWave item ids: the kind digit, then the item's index among the items
// of its kind in 7 hexadecimal digits.
static std::string itemId(const GenScene &scene, int32_t index)
{
  int32_t kind = scene.items[(size_t)index].kind;
  int32_t digit = kind == GEN_ITEM_LIGHT ? 2 : kind == GEN_ITEM_CAMERA ? 3 : 1;
  int32_t order = 0;
  for (int32_t i = 0; i < index; i++) {
    int32_t k = scene.items[(size_t)i].kind;
    if ((k == GEN_ITEM_LIGHT ? 2 : k == GEN_ITEM_CAMERA ? 3 : 1) == digit)
      order++;
  }
  char text[16];
  std::snprintf(text, sizeof text, "%d%07x", (int)digit, (unsigned)order);
  return text;
}

// Endomorph mixer: a group block naming the object, then one MorfForm block
// per endomorph with the envelope of its weight.
static void putMorphMixer(std::string &out, const GenItem &item)
{
  out += "Plugin DisplacementHandler 1 MorphMixer\n";
  out += "{ Group\n  0\n  \"" + item.morphGroup + "\"\n}\n";
  for (const GenMorfChannel &m : item.morfs) {
    out += "{ MorfForm\n  \"" + m.name + "\"\n  0\n";
    putEnvelope(out, m.envelope, "  ");
    out += "}\n";
  }
  out += "EndPlugin\n";
}

static void putObject(std::string &out, const GenScene &scene, const GenItem &item)
{
  if (item.kind == GEN_ITEM_NULL)
    out += "AddNullObject " + item.name + "\n";
  else
    out += "LoadObjectLayer 1 " + item.name + "\n";
  out += "ShowObject 6 7\nObjectMotion\n";
  putChannels(out, item);
  if (item.parent >= 0)
    out += "ParentItem " + itemId(scene, item.parent) + "\n";
  if (item.morphTarget >= 0) {
    // The target is named by its 1-based position among the scene's objects.
    int32_t position = 1;
    for (int32_t i = 0; i < item.morphTarget; i++)
      if (scene.items[(size_t)i].kind <= GEN_ITEM_NULL)
        position++;
    out += "MorphTarget " + std::to_string(position) + "\n";
    out += "MorphAmount (envelope)\n";
    putEnvelope(out, item.morphAmount, "");
  }
  if (item.dissolve) {
    out += "ObjectDissolve (envelope)\n";
    putEnvelope(out, item.dissolveEnvelope, "");
  }
  if (!item.morfs.empty())
    putMorphMixer(out, item);
  out += "ShadowOptions 7\n\n";
}

static void putLight(std::string &out, const GenItem &item)
{
  out += "AddLight\nLightName " + item.name + "\nShowLight 0 5\nLightMotion\n";
  putChannels(out, item);
  out += "LightColor " + GenNumber(item.lightColor[0]) + " " + GenNumber(item.lightColor[1]) +
         " " + GenNumber(item.lightColor[2]) + "\n";
  out += "LightIntensity " + GenNumber(item.lightIntensity) + "\n";
  out += "LightType " + std::to_string(item.lightType) + "\nShadowType 1\n\n";
}

static void putCamera(std::string &out, const GenScene &scene, const GenItem &item)
{
  out += "AddCamera\nCameraName " + item.name + "\nShowCamera 1 2\nCameraMotion\n";
  putChannels(out, item);
  out += "ZoomFactor (envelope)\n";
  putEnvelope(out, scene.zoom, "");
  out += "FrameSize " + std::to_string(scene.frameWidth) + " " +
         std::to_string(scene.frameHeight) + "\n";
  out += "PixelAspect 1\nMotionBlur 0\nAntialiasing 0\n\n";
}

static bool fail(const char *what)
{
  std::fprintf(stderr, "morvane-datagen: scene not written: %s\n", what);
  return false;
}

static bool envelopeValid(const GenEnvelope &env)
{
  if (env.keys.empty())
    return fail("envelope without keys");
  for (size_t k = 1; k < env.keys.size(); k++)
    if (!(env.keys[k].time > env.keys[k - 1].time))
      return fail("envelope keys out of time order");
  return true;
}

// Objects (and nulls) come first, then lights, then one camera: item ids and
// parent references count on that order. Parents and morph targets must be
// other object items; a morph target must be a loaded object.
static bool sceneValid(const GenScene &scene)
{
  int32_t count = (int32_t)scene.items.size(), cameras = 0, lastKind = GEN_ITEM_OBJECT;
  if (scene.framesPerSecond <= 0 || scene.lastFrame <= 0 || scene.frameHeight <= 0)
    return fail("bad frame range, rate or size");
  for (int32_t i = 0; i < count; i++) {
    const GenItem &item = scene.items[(size_t)i];
    int32_t group = item.kind == GEN_ITEM_NULL ? GEN_ITEM_OBJECT : item.kind;
    if (group < lastKind)
      return fail("items are not in the order objects, lights, camera");
    lastKind = group;
    cameras += item.kind == GEN_ITEM_CAMERA;
    if (item.name.empty() || item.name.find_first_of("\r\n") != std::string::npos)
      return fail("item name empty or holding a line break");
    if (item.parent >= count || item.parent == i ||
        (item.parent >= 0 && scene.items[(size_t)item.parent].kind > GEN_ITEM_NULL))
      return fail("parent is not another object item");
    if (item.morphTarget >= count || item.morphTarget == i ||
        (item.morphTarget >= 0 && scene.items[(size_t)item.morphTarget].kind != GEN_ITEM_OBJECT))
      return fail("morph target is not another loaded object");
    for (const GenEnvelope &env : item.channels)
      if (!envelopeValid(env))
        return false;
    for (const GenMorfChannel &m : item.morfs)
      if (!envelopeValid(m.envelope) || m.name.find('"') != std::string::npos)
        return false;
  }
  if (cameras != 1)
    return fail("the scene needs exactly one camera");
  return envelopeValid(scene.zoom);
}

std::string GenLwsText(const GenScene &scene)
{
  if (!sceneValid(scene))
    return "";
  std::string out = "LWSC\n3\n\n";
  std::string last = std::to_string(scene.lastFrame);
  out += "FirstFrame 0\nLastFrame " + last + "\nFrameStep 1\n";
  out += "PreviewFirstFrame 0\nPreviewLastFrame " + last + "\nPreviewFrameStep 1\n";
  out += "CurrentFrame 0\nFramesPerSecond " + std::to_string(scene.framesPerSecond) + "\n\n";
  for (const GenItem &item : scene.items)
    if (item.kind <= GEN_ITEM_NULL)
      putObject(out, scene, item);
  out += "AmbientColor 1 1 1\nAmbientIntensity 0.25\n\n";
  for (const GenItem &item : scene.items) {
    if (item.kind == GEN_ITEM_LIGHT)
      putLight(out, item);
    if (item.kind == GEN_ITEM_CAMERA)
      putCamera(out, scene, item);
  }
  out += "SolidBackdrop 1\nBackdropColor 0 0 0\n\n";
  out += "ViewConfiguration 0\nDefineView 0\nViewType 7\nViewAimpoint 0 0 0\n";
  out += "ViewZoomFactor " + GenNumber(scene.viewZoom) + "\n\n";
  out += "GridNumber 40\nGridSize " + GenNumber(scene.gridSize) + "\n\n";
  out += "CurrentObject 0\nCurrentLight 0\nCurrentCamera 0\n";
  return out;
}
