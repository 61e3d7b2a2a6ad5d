// lwinfo's LWO part: loads the object through LwoLoadLayer exactly as the
// show does (host folder, image codecs registered) and prints what the reader
// made of it, as text or as one JSON object: every layer of the file in a
// line, then the layer asked for (the first by default) in full.
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <vector>

#include "lwinfo.h"
#include "lwo.h"
#include "machine.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"
#include "toolkit.h"

namespace fs = std::filesystem;
using nlohmann::json;

// Names in an LWO2 file are Latin-1 bytes; JSON wants UTF-8.
static std::string latin1(const char *text)
{
  return ToolLatin1ToUtf8(text);
}

static const char *projectionName(int32_t projection)
{
  static const char *names[] = {"none", "planar", "cylindrical", "spherical", "cubic", "front", "uv"};
  return projection >= 0 && projection <= 6 ? names[projection] : "unknown";
}

// The chunk list of the file as stored, read from the bytes independently of
// the engine: "ID size" per whole chunk, then a note if the file is cut.
static json chunkList(const std::vector<uint8_t> &bytes)
{
  json chunks = json::array();
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    uint32_t size = (uint32_t)bytes[at + 4] << 24 | (uint32_t)bytes[at + 5] << 16 |
                    (uint32_t)bytes[at + 6] << 8 | bytes[at + 7];
    std::string id(reinterpret_cast<const char *>(&bytes[at]), 4);
    for (char &c : id)
      if (c < 32 || c > 126)
        c = '?';
    bool whole = size <= bytes.size() - at - 8;
    chunks.push_back({{"id", id}, {"size", size}, {"whole", whole}});
    if (!whole)
      break;
    at += 8 + (size_t)size;
  }
  return chunks;
}

static json surfaceJson(const LwoSurface &s)
{
  return {{"name", latin1(s.name)},
          {"color", {s.color[0], s.color[1], s.color[2]}},
          {"projection", s.projection},
          {"projectionName", projectionName(s.projection)},
          {"axis", s.axis},
          {"smoothing", s.smoothing},
          {"reflection", s.reflection},
          {"texture", s.texture ? json(latin1(s.texture->name)) : json(nullptr)},
          {"textureLoaded", s.texture && TexGetPixels(s.texture) != nullptr},
          {"uvMap", latin1(s.uvMapName)},
          {"triangles", s.triCount}};
}

static json objectJson(const LwoObject *o)
{
  json info = {{"points", o->vertexCount},       {"polygons", o->polygonCount},
               {"triangles", o->triangleCount},   {"needNormals", o->needNormals},
               {"surfaces", json::array()},       {"clips", json::array()},
               {"uvMaps", json::array()},         {"uvMapSeams", json::array()},
               {"endomorphs", json::array()}};
  for (int32_t s = 0; o->surfaces && s < o->surfaceCount; s++)
    info["surfaces"].push_back(surfaceJson(o->surfaces[s]));
  for (int32_t c = 0; o->clips && c < o->clipCount; c++)
    info["clips"].push_back(latin1(o->clips[c].name));
  for (int32_t m = 0; m < o->uvMapCount; m++) {
    const LwoUVMap &map = o->uvMaps[m];
    info["uvMaps"].push_back(latin1(map.name));
    info["uvMapSeams"].push_back(map.seamPoints ? map.totalCount - map.baseCount : 0);
  }
  for (int32_t m = 0; m < o->endomorphCount; m++)
    info["endomorphs"].push_back(latin1(o->endomorphs[m].name));
  return info;
}

static void printLayers(const json &layers)
{
  printf("layers:     %zu\n", layers.size());
  for (const json &l : layers) {
    printf("  layer %d \"%s\", parent %s, pivot (%g, %g, %g): ", l["number"].get<int>(),
           l["name"].get<std::string>().c_str(),
           l["parent"].is_null() ? "none" : std::to_string(l["parent"].get<int>()).c_str(),
           l["pivot"][0].get<double>(), l["pivot"][1].get<double>(), l["pivot"][2].get<double>());
    if (l["result"].get<int>() != LWO_OK)
      printf("load result %d\n", l["result"].get<int>());
    else
      printf("%d points, %d polygons\n", l["points"].get<int>(), l["polygons"].get<int>());
  }
}

static void printText(const json &info)
{
  printf("file:       %s\n", info["file"].get<std::string>().c_str());
  printf("result:     %d\n", info["result"].get<int>());
  printf("chunks:    ");
  for (const json &c : info["chunks"])
    printf(" %s(%u)%s", c["id"].get<std::string>().c_str(), c["size"].get<unsigned>(),
           c["whole"].get<bool>() ? "" : " cut");
  printf("\n");
  printLayers(info["layers"]);
  printf("layer %d in full (a scene's LoadObjectLayer %d):\n", info["layer"].get<int>(),
         info["layer"].get<int>() + 1);
  printf("points:     %d\npolygons:   %d\ntriangles:  %d\n", info["points"].get<int>(),
         info["polygons"].get<int>(), info["triangles"].get<int>());
  printf("surfaces:   %zu\n", info["surfaces"].size());
  for (const json &s : info["surfaces"])
    printf("  %-24s colour %3d %3d %3d  %-11s axis %d  smooth %d  refl %d  triangles %d  texture %s%s\n",
           s["name"].get<std::string>().c_str(), s["color"][0].get<int>(), s["color"][1].get<int>(),
           s["color"][2].get<int>(), s["projectionName"].get<std::string>().c_str(),
           s["axis"].get<int>(), s["smoothing"].get<int>(), s["reflection"].get<int>(),
           s["triangles"].get<int>(),
           s["texture"].is_null() ? "-" : s["texture"].get<std::string>().c_str(),
           s["texture"].is_null() || s["textureLoaded"].get<bool>() ? "" : " (no pixels)");
  printf("clips:      %zu\n", info["clips"].size());
  for (const json &c : info["clips"])
    printf("  %s\n", c.get<std::string>().empty() ? "(no still image)" : c.get<std::string>().c_str());
  printf("uv maps:    %zu\n", info["uvMaps"].size());
  for (size_t m = 0; m < info["uvMaps"].size(); m++)
    printf("  %s (%d seam copies)\n", info["uvMaps"][m].get<std::string>().c_str(),
           info["uvMapSeams"][m].get<int>());
  printf("endomorphs: %zu\n", info["endomorphs"].size());
  for (const json &m : info["endomorphs"])
    printf("  %s\n", m.get<std::string>().c_str());
}

// The load, as the show makes it: the host folder serves the object's name
// and its images. With --json the console lines go into the JSON instead of
// standard output.
static int32_t loadObject(LwoObject *object, const std::string &host, const std::string &name,
                          int layer, bool quiet, std::string *console)
{
  LwinfoStartEngine(host, true);
  MachineCaptureConsole(console);
  fflush(stdout);
  int saved = quiet ? dup(STDOUT_FILENO) : -1;
  if (quiet && freopen("/dev/null", "w", stdout) == nullptr)
    quiet = false;
  int32_t result = LwoLoadLayer(object, name.c_str(), 1.0f, layer < 0 ? LWO_LAYER_FIRST : layer);
  fflush(stdout);
  if (saved >= 0) {
    dup2(saved, STDOUT_FILENO);
    close(saved);
  }
  MachineCaptureConsole(nullptr);
  return result;
}

// A large record (96 vertex-map records inline), reused by every load.
static LwoObject object;

// Every layer of the file as its LAYR gives it, with the points and polygons
// of its own load (the first 256 layers).
static json layerList(const std::vector<uint8_t> &bytes, const std::string &host, const std::string &name)
{
  json layers = json::array();
  std::vector<LwoLayerInfo> found(256);
  int32_t count = LwoListLayers(bytes.data(), (int32_t)std::min(bytes.size(), (size_t)INT32_MAX),
                                found.data(), (int32_t)found.size());
  for (int32_t i = 0; i < count && i < (int32_t)found.size(); i++) {
    const LwoLayerInfo &l = found[i];
    object = LwoObject{};
    std::string ignored;
    int32_t loaded = loadObject(&object, host, name, l.number, true, &ignored);
    layers.push_back({{"number", l.number}, {"name", latin1(l.name)},
                      {"parent", l.parent < 0 ? json(nullptr) : json(l.parent)},
                      {"pivot", {l.pivot[0], l.pivot[1], l.pivot[2]}}, {"result", loaded},
                      {"points", object.vertexCount}, {"polygons", object.polygonCount}});
  }
  return layers;
}

int LwinfoObject(const LwinfoOptions &options)
{
  std::vector<uint8_t> bytes;
  std::string problem;
  if (!LwinfoReadFile(options.file, &bytes, &problem))
    return LwinfoFail(options.file, problem);
  std::error_code ec;
  fs::path file = fs::absolute(options.file, ec);
  fs::path host = options.host.empty() ? file.parent_path() : fs::absolute(options.host, ec);
  std::string name = fs::relative(file, host, ec).string();
  // The show reaches only names below its host folder.
  if (ec || name.empty() || name.rfind("..", 0) == 0)
    return LwinfoFail(options.file, "is not inside the host folder " + host.string());

  json layers = layerList(bytes, host.string(), name);
  object = LwoObject{};
  std::string console;
  int32_t result = loadObject(&object, host.string(), name, options.layer, options.json, &console);

  json info = objectJson(&object);
  info["layer"] = object.layer;
  info["layers"] = layers;
  info["file"] = options.file;
  info["result"] = result;
  info["chunks"] = chunkList(bytes);
  info["messages"] = json::array();
  for (size_t at = 0, end; at < console.size(); at = end + 1) {
    end = console.find('\n', at);
    if (end == std::string::npos)
      end = console.size();
    if (end > at)
      info["messages"].push_back(ToolLatin1ToUtf8(console.substr(at, end - at)));
  }
  if (options.json)
    printf("%s\n", info.dump(2, ' ', false, json::error_handler_t::replace).c_str());
  else
    printText(info);
  if (result != LWO_OK) {
    size_t error = console.find("Error");
    std::string reason = error == std::string::npos ? "" : ": " + console.substr(error, console.find('\n', error) - error);
    return LwinfoFail(options.file, "the object does not load (result " + std::to_string(result) + ")" + reason);
  }
  return 0;
}
