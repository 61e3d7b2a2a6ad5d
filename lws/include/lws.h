// LightWave scenes: the scene text (LWS, scene format 3) read into an
// LwsScene, the envelope model that animates every channel, and playback.
//
// LwsLoad reads the text twice (world scale and object count first, then
// everything else), loads every object the scene names through LwoLoad and
// keeps the scene's items, channels and objects in pool blocks for the life
// of the program. The caller owns the LwsScene record and hands it in zeroed.
#pragma once
#include <cstdint>

#include "file.h"
#include "lwo.h"

enum {
  LWS_NAME_SIZE = 192,        // names, lines and tokens: 191 characters and the terminator
  LWS_MAX_ITEMS = 300,        // items of all kinds in one scene
  LWS_MAX_OBJECTS = 300,      // object items (loaded and null) in one scene
  LWS_MAX_MORPH_CHANNELS = 64 // endomorph channels of one item
};

// Result codes of the scene subsystem.
enum {
  LWS_OK = 0,
  LWS_ERR_FAILED = -1,  // parse or initialisation problem
  LWS_ERR_NULL = -2,    // null argument
  LWS_ERR_LOAD = -16    // the scene text cannot be loaded
};

// Console texts that go with the codes: the errors that make LwsLoad fail,
// then the warnings for what it repairs and goes on with. %s is the scene's
// file name unless noted.
// With LWS_ERR_LOAD.
constexpr char LWS_MSG_LOAD[] = "Error : %s can not be opened !";
// With LWS_ERR_FAILED, when the parse fails.
constexpr char LWS_MSG_PARSE[] = "Error : there is a parsing problem with %s !";
// With LWS_ERR_FAILED, when LwsInit fails.
constexpr char LWS_MSG_INIT[] = "Error : there is an initialization problem with %s !";
constexpr char LWS_MSG_FORMAT[] = "Error : %s is not a LightWave scene of format 3 to 5 !";
constexpr char LWS_MSG_FORMAT_LW5[] =
    "Error : %s is a LightWave 5 scene (format %d), which is not read !";
constexpr char LWS_MSG_GRID[] = "Error : %s has a grid size of %g, which gives no world scale !";
constexpr char LWS_MSG_ITEMS[] = "Error : %s has more than %d items !";
constexpr char LWS_MSG_OBJECTS[] = "Error : %s has more than %d objects !";
// %s is the object's file name.
constexpr char LWS_MSG_OBJECT_LOAD[] = "Error : can not load %s !";
constexpr char LWS_MSG_MORPH_CHANNELS[] =
    "Error : %s has more than %d endomorph channels in one item !";
constexpr char LWS_MSG_CHANNEL_COUNT[] = "Error : %s has a channel count of %d !";
// A number with an exponent; it reads as 0 and the load goes on.
constexpr char LWS_MSG_FLOAT[] = "Error : too complex float value !";
constexpr char LWS_MSG_NO_FRAME_SIZE[] = "Warning : %s has no frame size, 640 x 480 is used !";
constexpr char LWS_MSG_NO_FRAME_RATE[] =
    "Warning : %s has no frame rate, 30 frames a second are used !";
constexpr char LWS_MSG_MORPH_TARGET[] =
    "Warning : item %d of %s names morph target %d, which does not exist !";
constexpr char LWS_MSG_PARENT_INDEX[] =
    "Warning : item %d of %s names parent item %d, which does not exist !";
constexpr char LWS_MSG_PARENT_ID[] =
    "Warning : item %d of %s names parent %08x, which is not in the scene !";

// Item kinds: the list an item belongs to, and the kind digit of an item id.
enum { LWS_KIND_OBJECT = 1, LWS_KIND_LIGHT = 2, LWS_KIND_CAMERA = 3 };

// Key shapes: the curve of the span that ends at a key.
enum {
  LWS_SHAPE_TCB = 0,
  LWS_SHAPE_HERMITE = 1,
  LWS_SHAPE_BEZIER = 2,
  LWS_SHAPE_LINEAR = 3,
  LWS_SHAPE_STEPPED = 4,
  LWS_SHAPE_BEZIER2D = 5
};

// Behaviours before the first key and after the last.
enum {
  LWS_BEHAVIOR_RESET = 0,
  LWS_BEHAVIOR_CONSTANT = 1,
  LWS_BEHAVIOR_REPEAT = 2,
  LWS_BEHAVIOR_OSCILLATE = 3,
  LWS_BEHAVIOR_OFFSET_REPEAT = 4,
  LWS_BEHAVIOR_LINEAR = 5
};

// renderFlags bits.
enum { LWS_RENDER_MOTION_BLUR = 1, LWS_RENDER_ANTIALIASING = 2 };

struct LwsKey {
  float value;
  float time;        // seconds
  int32_t shape;     // LWS_SHAPE_* of the span that ends here
  float tension, continuity, bias;
  // Hermite and Bezier: 0 incoming tangent, 1 outgoing tangent.
  // 2D Bezier: 0, 1 time and value offsets of the incoming handle,
  //            2, 3 time and value offsets of the outgoing handle.
  float param[4];
  LwsKey *next, *prev;  // file order; null at the ends
};

// A zero-filled envelope (no keys) evaluates to 0 at every time.
struct LwsEnvelope {
  LwsKey *keys;
  int32_t keyCount;
  int32_t preBehavior;   // LWS_BEHAVIOR_*
  int32_t postBehavior;
};

struct LwsMorphChannel {
  char name[LWS_NAME_SIZE];  // "group.morph", matched against the object's endomorphs
  LwsEnvelope *envelope;
};

struct LwsLight {
  char name[LWS_NAME_SIZE];
  int32_t type;              // 1, 2 or 3 for the file's light types 1, 2 and 0
  float color[3];
  float intensity;
  LwsEnvelope *intensityEnvelope;
};

struct LwsCamera {
  char name[LWS_NAME_SIZE];
  float rotation[3];  // filled every frame by playback: its own pitch, heading, bank (degrees)
  float position[3];  // where it stands in the world, parents included (world units)
  float scale;
  float view[16];     // world to the render's view space (a Matrix4), filled every frame
};

// One item of the scene. Motion channels 0..8: X, Y, Z, heading, pitch,
// bank (radians), scale X, Y, Z.
struct LwsBlock {
  int32_t motionKind;   // 1, 2, 3 after ObjectMotion, LightMotion, CameraMotion
  LwoObject *object;
  LwsLight *light;
  LwsCamera *camera;
  int32_t parentKind;   // LWS_KIND_*; 0 none
  int32_t parentIndex;  // 1-based into the scene's items; 0 none
  LwsEnvelope *morphEnvelope;
  int32_t morphTarget;  // 1-based into the scene's objects; 0 none
  float morphAmount;
  int32_t morphChannelCount;
  LwsMorphChannel morphChannels[LWS_MAX_MORPH_CHANNELS];
  int32_t dissolveOn;
  LwsEnvelope *dissolveEnvelope;
  float dissolve;
  int32_t channelCount;
  LwsEnvelope *channels;  // channelCount envelopes, zero-filled until their Channel block
  float pivot[3];         // PivotPosition x worldScale
  LwsBlock *next;         // next item of the same kind
};

struct LwsScene {
  char name[LWS_NAME_SIZE];
  int32_t loadTime;     // timer units: the start, then the load's duration
  int32_t terrainMode;  // object lines build terrains; nothing in the show sets it
  char terrainHeightMap[LWS_NAME_SIZE];
  char terrainTexture[LWS_NAME_SIZE];
  float firstFrame, lastFrame, frameStep, framesPerSecond;
  int32_t renderFlags;
  float gridSize;
  float worldScale;     // 10 / gridSize x ViewZoomFactor
  float backdropColor[3];
  float ambientIntensity;
  float ambientColor[3];
  float playPosition;   // 0 to 1, written by the show driver
  LwsBlock *objectList, *lightList, *cameraList;
  int32_t objectCount;
  LwoObject *objects[LWS_MAX_OBJECTS];
  int32_t itemCount;
  LwsBlock *items[LWS_MAX_ITEMS];
  LwsEnvelope *zoomEnvelope;
  float zoomFactor;
  int32_t frameWidth, frameHeight;
  int32_t halfWidth, halfHeight;  // half the drawing surface, written every frame
  int32_t totalTriangles;
};

// Called with a percentage: 0 after the first pass, then after each object.
typedef void (*LwsProgressFn)(int32_t percent);

int32_t LwsLoad(LwsScene *scene, const char *fileName, LwsProgressFn progressFn);
// The same load from scene text already in memory, read in place and left to
// the caller; `fileName` names the scene in messages. Objects still load by
// file name.
int32_t LwsLoadMemory(LwsScene *scene, const char *fileName, const void *data, int32_t size,
                      LwsProgressFn progressFn);
int32_t LwsFree(LwsScene *scene);
int32_t LwsInit(LwsScene *scene);
LwsScene *LwsGetCurrent(void);
FileData *LwsGetCurrentFile(void);

// The value of an envelope at `time` seconds.
float EnvEval(const LwsEnvelope *envelope, float time);

// Playback: draws one frame of the scene at its playPosition.
int32_t LwsEnable(LwsScene *scene);
// The scene time of the last frame played, in seconds.
float LwsGetTime(void);
// The camera's view transform onto the current matrix; -2 for a null camera.
int32_t CamEnable(LwsCamera *camera);
// The world matrix of an item at `time` seconds (a Matrix4: row vectors,
// translation in elements 12 to 14): a point of the item in its own
// coordinates (metres, LightWave's axes) goes to the world in world units
// (metres times worldScale), through the item's motion, pivot and scale and
// those of every ancestor. Works on the model-view matrix, which it leaves
// holding the result. -2 for a null argument, -1 before MatrixInit.
int32_t LwsGetItemWorld(const LwsScene *scene, const LwsBlock *item, float time, float world[16]);
int32_t CamDisable(LwsCamera *camera);
// Lights and sorting do nothing: no lighting, objects in list order.
int32_t LightEnable(LwsLight *light);
int32_t LightDisable(LwsLight *light);
void LightAmbientSet(float r, float g, float b, float a);
void LwsSort(void);
