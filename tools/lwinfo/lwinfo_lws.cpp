// lwinfo's LWS part: loads a scene through LwsLoad as the show does, with a
// folder of the host as LightWave's content folder, and prints the scene as
// the parser made it: settings, items, channels and each object's load.
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "lwinfo.h"
#include "lws.h"
#include "machine.h"
#include "matrix.h"
#include "mem.h"
#include "tex.h"
#include "textga.h"
#include "toolkit.h"

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

static const char *kindName(int32_t kind)
{
  switch (kind) {
  case LWS_KIND_OBJECT: return "object";
  case LWS_KIND_LIGHT: return "light";
  case LWS_KIND_CAMERA: return "camera";
  default: return "none";
  }
}

static int32_t itemKind(const LwsBlock *item)
{
  return item->object ? LWS_KIND_OBJECT : item->light ? LWS_KIND_LIGHT : LWS_KIND_CAMERA;
}

static const char *itemName(const LwsBlock *item)
{
  return item->object ? item->object->name
         : item->light ? item->light->name
         : item->camera ? item->camera->name
                        : "";
}

// The console lines of the load, kept for the report.
static std::string loadConsole;

// The console prints to standard output; while the engine runs, that goes to
// standard error instead, so that standard output holds the report alone.
static int consoleToStderr(void)
{
  fflush(stdout);
  int saved = dup(1);
  dup2(2, 1);
  return saved;
}

static void consoleRestore(int saved)
{
  fflush(stdout);
  if (saved >= 0) {
    dup2(saved, 1);
    close(saved);
  }
}

// Puts the machine, pool and texture registry in the show's start-up state
// with `host` as host folder, and loads the scene there.
static int32_t loadScene(LwsScene *scene, const std::string &host, const std::string &name)
{
  LwinfoStartEngine(host, true);
  MatrixInit();  // world matrices are built on the model-view stack
  MachineCaptureConsole(&loadConsole);
  int saved = consoleToStderr();
  int32_t result = LwsLoad(scene, name.c_str(), nullptr);
  consoleRestore(saved);
  MachineCaptureConsole(nullptr);
  return result;
}

// A float as the shortest decimal that reads back as the same float (0.1,
// not 0.100000001490116); JSON has no infinities or NaN: they are null.
static json number(float value)
{
  if (!std::isfinite(value))
    return json(nullptr);
  char text[32];
  for (int digits = 6; digits <= 9; digits++) {
    snprintf(text, sizeof text, "%.*g", digits, (double)value);
    if (std::strtof(text, nullptr) == value)
      break;
  }
  return json(std::strtod(text, nullptr));
}

// Names in a scene are Latin-1 bytes; JSON wants UTF-8.
static std::string latin1(const char *text)
{
  return ToolLatin1ToUtf8(text);
}

static int32_t objectResult(const LwsScene *scene, int32_t result, const LwsBlock *item);

static void printItemText(const LwsScene *scene, int32_t result, int32_t index, const LwsBlock *item)
{
  printf("item %d: %s \"%s\"", (int)index + 1, kindName(itemKind(item)), itemName(item));
  if (item->parentIndex > 0)
    printf(", parent %d", (int)item->parentIndex);
  printf(", %d channels", (int)item->channelCount);
  if (item->morphTarget > 0)
    printf(", morph target %d", (int)item->morphTarget);
  if (item->dissolveOn)
    printf(", dissolve %s", item->dissolveEnvelope ? "(envelope)" : std::to_string(item->dissolve).c_str());
  printf("\n");
  for (int32_t k = 0; k < item->morphChannelCount; k++)
    printf("  endomorph channel \"%s\"\n", item->morphChannels[k].name);
  if (const LwoObject *object = item->object) {
    int32_t loaded = objectResult(scene, result, item);
    if (object->isNull)
      printf("  null object\n");
    else if (loaded != LWO_OK)
      printf("  object: load result %d\n", (int)loaded);
    else
      printf("  object: load result 0, %d points, %d triangles, %d surfaces%s\n",
             (int)object->vertexCount, (int)object->triangleCount, (int)object->surfaceCount,
             object->isMorphTarget ? ", morph target (not drawn)" : "");
  }
}

static void printEvalText(const LwsBlock *item, float time)
{
  for (int32_t c = 0; c < item->channelCount; c++)
    printf("  channel %d at %g s: %.9g\n", (int)c, (double)time, (double)EnvEval(&item->channels[c], time));
  for (int32_t k = 0; k < item->morphChannelCount; k++)
    printf("  %s at %g s: %.9g\n", item->morphChannels[k].name, (double)time,
           (double)EnvEval(item->morphChannels[k].envelope, time));
}

// The folder the scene's files were looked up in, and why.
static std::string contentLine;

static void printText(const LwsScene *scene, int32_t result, const LwinfoOptions &options)
{
  printf("scene:            %s\n", scene->name);
  printf("content folder:   %s\n", contentLine.c_str());
  printf("result:           %d\n", (int)result);
  printf("frames:           %g to %g, step %g, %g per second\n", (double)scene->firstFrame,
         (double)scene->lastFrame, (double)scene->frameStep, (double)scene->framesPerSecond);
  printf("frame size:       %d x %d\n", (int)scene->frameWidth, (int)scene->frameHeight);
  printf("grid size:        %g\n", (double)scene->gridSize);
  printf("worldScale:       %g\n", (double)scene->worldScale);
  printf("zoom factor:      %s\n", scene->zoomEnvelope ? "(envelope)" : std::to_string(scene->zoomFactor).c_str());
  printf("render flags:     %d\n", (int)scene->renderFlags);
  printf("ambient:          %g x (%g, %g, %g)\n", (double)scene->ambientIntensity,
         (double)scene->ambientColor[0], (double)scene->ambientColor[1], (double)scene->ambientColor[2]);
  printf("items:            %d (%d objects), %d triangles\n", (int)scene->itemCount,
         (int)scene->objectCount, (int)scene->totalTriangles);
  for (int32_t i = 0; i < scene->itemCount; i++) {
    printItemText(scene, result, i, scene->items[i]);
    if (options.hasEval)
      printEvalText(scene->items[i], options.eval);
  }
}

// The load result of an object item. Objects are loaded in file order and
// the parse stops at the first that fails, so every object in the record
// loaded but, after a failed scene, the last one, which is loaded again here
// on its own to learn its code.
static int32_t objectResult(const LwsScene *scene, int32_t result, const LwsBlock *item)
{
  if (item->object->isNull || result == LWS_OK)
    return LWO_OK;
  const LwsBlock *last = scene->objectList;
  while (last && last->next)
    last = last->next;
  if (item != last || loadConsole.find("Error : can not load ") == std::string::npos)
    return LWO_OK;
  LwoObject *again = (LwoObject *)MemAlloc(sizeof(LwoObject));
  if (!again)
    return LWO_ERR_NO_MEMORY;
  std::string ignored;
  MachineCaptureConsole(&ignored);
  int saved = consoleToStderr();
  int32_t code = LwoLoad(again, item->object->name, scene->worldScale);
  consoleRestore(saved);
  MachineCaptureConsole(nullptr);
  return code;
}

// The item's world matrix at `time` as playback builds it: 16 numbers, row
// vectors with the translation in the last row; the item's own coordinates
// (metres, LightWave's axes) to the world in world units (metres times
// worldScale).
static json jsonWorld(const LwsScene *scene, const LwsBlock *item, float time)
{
  float world[16];
  if (LwsGetItemWorld(scene, item, time, world) != LWS_OK)
    return json(nullptr);
  json out = json::array();
  for (int k = 0; k < 16; k++)
    out.push_back(number(world[k]));
  return out;
}

static json jsonItem(const LwsScene *scene, int32_t result, const LwsBlock *item,
                     const LwinfoOptions &options)
{
  json out = {{"kind", kindName(itemKind(item))},
              {"name", latin1(itemName(item))},
              {"parentIndex", item->parentIndex},
              {"channels", item->channelCount},
              {"morphTarget", item->morphTarget},
              {"dissolveOn", item->dissolveOn}};
  if (item->object) {
    out["null"] = item->object->isNull != 0;
    out["result"] = objectResult(scene, result, item);
    out["triangles"] = item->object->triangleCount;
  }
  out["endomorphChannels"] = json::array();
  for (int32_t k = 0; k < item->morphChannelCount; k++)
    out["endomorphChannels"].push_back(latin1(item->morphChannels[k].name));
  if (options.hasEval) {
    out["values"] = json::array();
    for (int32_t c = 0; c < item->channelCount; c++)
      out["values"].push_back(number(EnvEval(&item->channels[c], options.eval)));
    out["world"] = jsonWorld(scene, item, options.eval);
  }
  return out;
}

static void printJson(const LwsScene *scene, int32_t result, const LwinfoOptions &options)
{
  json info = {{"scene", latin1(scene->name)},
               {"contentFolder", contentLine},
               {"result", result},
               {"worldScale", number(scene->worldScale)},
               {"gridSize", number(scene->gridSize)},
               {"firstFrame", number(scene->firstFrame)},
               {"lastFrame", number(scene->lastFrame)},
               {"frameStep", number(scene->frameStep)},
               {"framesPerSecond", number(scene->framesPerSecond)},
               {"frameWidth", scene->frameWidth},
               {"frameHeight", scene->frameHeight},
               {"zoomFactor", number(scene->zoomFactor)},
               {"totalTriangles", scene->totalTriangles},
               {"messages", json::array()},
               {"items", json::array()}};
  for (size_t at = 0, end; at < loadConsole.size(); at = end + 1) {
    end = loadConsole.find('\n', at);
    if (end == std::string::npos)
      end = loadConsole.size();
    if (end > at)
      info["messages"].push_back(latin1(loadConsole.substr(at, end - at).c_str()));
  }
  for (int32_t i = 0; i < scene->itemCount; i++)
    info["items"].push_back(jsonItem(scene, result, scene->items[i], options));
  // The camera playback looks through: the first camera item.
  int32_t camera = 0;
  for (int32_t i = 0; i < scene->itemCount && !camera; i++)
    camera = scene->items[i] == scene->cameraList ? i + 1 : 0;
  if (options.hasEval && camera)
    info["camera"] = {{"item", camera}, {"world", jsonWorld(scene, scene->cameraList, options.eval)}};
  printf("%s\n", info.dump(1, ' ', false, json::error_handler_t::replace).c_str());
}

// The scene's name as the host sees it: its path below the host folder.
static bool nameInHost(const std::string &file, const std::string &host, std::string *name)
{
  std::error_code ec;
  fs::path relative = fs::relative(fs::absolute(file, ec), fs::absolute(host, ec), ec);
  if (ec || relative.empty() || *relative.begin() == "..")
    return false;
  *name = relative.generic_string();
  return true;
}

int LwinfoLws(const LwinfoOptions &options)
{
  std::error_code ec;
  if (!fs::is_regular_file(options.file, ec))
    return LwinfoFail(options.file, "no such file");
  // The content folder is found as LightWave users expect unless --host names it.
  std::string host = options.host, name;
  MachineContent content;
  if (host.empty() && MachineFindContentFolder(options.file, &content) == 0) {
    host = content.folder;
    contentLine = MachineDescribeContent(content).substr(strlen("content folder "));
  } else {
    if (host.empty())
      host = fs::absolute(options.file, ec).parent_path().string();
    contentLine = host + " (--host)";
  }
  if (!nameInHost(options.file, host, &name))
    return LwinfoFail(options.file, "the scene is not inside the host folder " + host);
  static LwsScene scene;  // large, and zero-filled as LwsLoad needs
  int32_t result = loadScene(&scene, host, name);
  if (options.json)
    printJson(&scene, result, options);
  else
    printText(&scene, result, options);
  if (result != LWS_OK) {
    std::string reason = loadConsole.substr(0, loadConsole.find('\n'));
    return LwinfoFail(options.file, "the scene does not load (" + std::to_string(result) + "): " + reason);
  }
  return 0;
}
