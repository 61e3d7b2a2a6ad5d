// LightWave objects: the LWO2 reader, the object model it fills, the
// preparation for drawing (triangle tables, normals, texture coordinates,
// morphs), triangle strips and the terrain builder.
//
// An object is read by LwoLoad from one layer of an LWO2 file (IFF,
// big-endian, FACE polygons) into an LwoObject that the caller allocated and
// zeroed. Every
// array of the record is a block from the memory pool and belongs to the
// record, except `clips`, which the texture registry keeps pointing at.
#pragma once
#include <cstdint>

#include "file.h"
#include "tex.h"

enum {
  LWO_NAME_SIZE = 192,       // 191 characters and the terminating zero
  LWO_MAX_ENDOMORPHS = 64,
  LWO_MAX_UV_MAPS = 32,
  LWO_LAYER_FIRST = -1       // LwoLoadLayer: the file's first layer, whatever its number
};

// Result codes of the object subsystem.
enum {
  LWO_OK = 0,
  LWO_ERR_FAILED = -1,        // parse or initialisation failed
  LWO_ERR_NULL = -2,          // null argument, or no object being loaded
  LWO_ERR_NO_MEMORY = -5,     // the pool has no room for an array (LwoParse, LwoInit)
  LWO_ERR_MORPH_TARGET = -14, // LwoEnable: the object is a morph target, never drawn
  LWO_ERR_LOAD = -17,         // the object file cannot be loaded
  LWO_ERR_LAYERS = -18,       // the file has no layer of the number asked for
  LWO_ERR_IMAGE = -19,        // a clip image cannot be registered
  LWO_ERR_NOT_LWO2 = -20,     // the form type is not LWO2
  LWO_ERR_NO_FACE = -21       // no FACE polygons in the last POLS chunk
};

// Console texts that go with the codes: the errors, then the warnings for
// what the reader leaves out and goes on without. %s is the object's file
// name unless noted.
// With LWO_ERR_LOAD.
constexpr char LWO_MSG_LOAD[] = "Error while loading %s !";
// With LWO_ERR_NO_MEMORY; "object" stands for the name outside a load.
constexpr char LWO_MSG_NO_MEMORY[] = "Error : %s does not fit in memory !";
// With LWO_ERR_FAILED, when a chunk runs past the end.
constexpr char LWO_MSG_CUT[] = "Error : %s is cut short: a chunk runs past the end of the file !";
// With LWO_ERR_NOT_LWO2.
constexpr char LWO_MSG_NOT_LWO2[] = "Error : %s is not a LWO2 file (LW 6.X+) !";
// With LWO_ERR_NO_FACE.
constexpr char LWO_MSG_NO_FACE[] =
    "Error : %s has a bad polyCount definitions ! (Nurbs & Bones are not supported..)";
// With LWO_ERR_LAYERS: the layer asked for, then the code itself.
constexpr char LWO_MSG_LAYERS[] = "Error : %s has no layer %d (%d) !";
// A surface whose image clip is missing: the surface's name second; it is
// drawn without a texture.
constexpr char LWO_MSG_TEXTURE[] = "Error : %s (%s) -> texture problem !";
constexpr char LWO_MSG_DRAW_BUFFERS[] =
    "Warning : %s has more points than the drawing buffers can hold !";
constexpr char LWO_MSG_LAYR_CUT[] =
    "Warning : %s : its LAYR chunk of %d bytes is cut short, the rest read as 0";
// The second %s lists what was ignored ("3 bad point indices, 1 extra PNTS").
constexpr char LWO_MSG_IGNORED[] = "Warning : %s : ignored %s";
constexpr char LWO_MSG_UV_MAPS[] =
    "Warning : %s has more than %d UV maps, the others are skipped !";
constexpr char LWO_MSG_ENDOMORPHS[] =
    "Warning : %s has more than %d endomorphs, the others are skipped !";
constexpr char LWO_MSG_MORPH_VMAD[] =
    "Warning : UVMAP mapping AND EndoMorph used simultaneously are not supported !";
// The terrain builder; %s is the height map's name.
constexpr char LWO_MSG_TERRAIN_SIZE[] = "Error : %s is too large for a terrain !";
// With LWO_ERR_NO_MEMORY.
constexpr char LWO_MSG_TERRAIN_NO_MEMORY[] = "Error : terrain %s does not fit in memory !";
constexpr char LWO_MSG_TERRAIN_DRAW_BUFFERS[] =
    "Warning : terrain %s has more points than the drawing buffers can hold !";

// Surface projections: 0 no image, else the image block's PROJ value plus 1.
enum {
  LWO_PROJ_NONE = 0,
  LWO_PROJ_PLANAR = 1,
  LWO_PROJ_CYLINDRICAL = 2,
  LWO_PROJ_SPHERICAL = 3,
  LWO_PROJ_CUBIC = 4,
  LWO_PROJ_FRONT = 5,
  LWO_PROJ_UV = 6
};

// Position, rotation (degrees about X, Y, Z: pitch, heading, bank), scale
// and pivot of an item for the current frame, in LightWave's axes; filled by
// the scene playback. Position and pivot are in world units (metres times the
// scene's world scale).
struct LwoTransform {
  float position[3];
  float rotation[3];
  float scale[3];
  float pivot[3];
};

// One value of a vertex map: a VMAP entry (vertex and polygon stay 0) or a
// VMAD entry (the point on one particular polygon).
struct LwoUV {
  int32_t vertex;
  int32_t polygon;
  float u, v;
};

// A TXUV vertex map with the seam arrays that UV-mapped surfaces draw from.
// Every surface that uses the map appends its seam copies, so all of them
// index one numbering: entries below baseCount are the object's points.
struct LwoUVMap {
  char name[LWO_NAME_SIZE];
  int32_t baseCount;    // vertexCount when the seam arrays were built
  int32_t totalCount;   // baseCount plus every seam copy
  float *seamPoints;    // totalCount points (x, y, z)
  LwoUV *vertexUV;      // vertexCount values from the VMAP; unlisted points 0, 0
  int32_t discCount;    // VMAD entries
  LwoUV *discUV;        // VMAD entries in file order
  int32_t flatCount;    // = totalCount
  float *flatUV;        // u, v for each entry of seamPoints
  int32_t seamRoom;     // entries seamPoints and flatUV have room for
};

// A MORF vertex map: relative point offsets blended by weight.
struct LwoEndomorph {
  char name[LWO_NAME_SIZE];
  float weight;         // current blend amount, 0 after load
  float *deltas;        // vertexCount offsets (z negated like the points)
  float *morphNormals;  // vertexCount normals of the fully morphed shape, when normals are kept
};

struct LwoPolygon {
  int32_t surface;        // tag index from PTAG SURF; 0 when no entry names the polygon
  int32_t firstTriangle;  // index of its first triangle in `triangles`
  int32_t triCount;       // triangles made from it (0 when it named a point that does not exist)
};

struct LwoTriangle {
  int32_t polygon;
  int32_t vertex[3];
};

struct LwoSurface {
  char name[LWO_NAME_SIZE];
  uint8_t color[3];        // flat colour: red, green, blue
  int32_t projection;      // LWO_PROJ_*
  int32_t axis;            // 0 X, 1 Y, 2 Z
  int32_t smoothing;       // smooth normals asked for
  int32_t reflection;      // the image is an environment map
  TexEntry *texture;       // an element of the object's clips, or null
  int32_t triCount;
  int32_t *triIndices;     // 3 point indices per triangle (seam copies for UV-mapped surfaces)
  int32_t uvCount;         // = vertexCount
  float *uv;               // u, v per point (planar projection)
  char uvMapName[LWO_NAME_SIZE];
  LwoUVMap *uvMap;         // the map a UV-mapped surface draws from
  float textureSize[3];
  float textureCenter[3];
};

// One triangle strip: `length` point indices, each after the second making a
// triangle with the two before it.
struct LwoStrip {
  int32_t length;
  int32_t *vertices;
};

struct LwoObject {
  char name[LWO_NAME_SIZE];
  int32_t vertexCount;
  float *points;           // current positions (x, y, -z of the file)
  float *basePoints;       // the loaded positions
  int32_t endomorphCount;
  LwoEndomorph endomorphs[LWO_MAX_ENDOMORPHS];
  int32_t uvMapCount;
  LwoUVMap uvMaps[LWO_MAX_UV_MAPS];
  int32_t needNormals;
  int32_t normalCount;
  float *normals;          // current vertex normals, worldScale long per face
  float *baseNormals;
  int32_t surfaceCount;
  LwoSurface *surfaces;    // index = tag index
  int32_t clipCount;
  TexEntry *clips;         // slot = CLIP index - 1; registered, so never released
  int32_t polygonCount;
  LwoPolygon *polygons;
  int32_t triangleCount;
  LwoTriangle *triangles;
  int32_t ownTransform;    // LwoEnable applies `transform` itself
  LwoTransform transform;
  int32_t isMorphTarget;   // serves as another object's morph target; not drawn
  int32_t isNull;          // null object: no file, no geometry
  float worldScale;        // the scene's scale; the length of the built normals
  float opacity;           // 1 - dissolve; 100.0 after load
  int32_t stripCount;
  LwoStrip **strips;
  // The layer loaded: its LAYR number, its parent layer's (-1 for none), its
  // pivot as the file gives it (z not negated) and its name. A file without
  // LAYR chunks is layer 0.
  int32_t layer;
  int32_t layerParent;
  float layerPivot[3];
  char layerName[LWO_NAME_SIZE];
};

// One layer of a file, as its LAYR chunk describes it.
struct LwoLayerInfo {
  int32_t number;
  int32_t flags;
  float pivot[3];
  char name[LWO_NAME_SIZE];
  int32_t parent;  // number of the parent layer; -1 for none
};

// Loading and release. LwoLoad loads the file's first layer; LwoLoadLayer
// the layer whose LAYR number is `layer` (or LWO_LAYER_FIRST), failing with
// LWO_ERR_LAYERS from the parse when there is none (a file of one layer is
// that layer, whatever its number).
int32_t LwoLoad(LwoObject *object, const char *fileName, float worldScale);
int32_t LwoLoadLayer(LwoObject *object, const char *fileName, float worldScale, int32_t layer);
// The same loads from bytes already in memory (copied, since the reader
// reorders chunks in place): `name` stands for the file in messages.
int32_t LwoLoadMemory(LwoObject *object, const char *name, const void *data, int32_t size,
                      float worldScale);
int32_t LwoLoadMemoryLayer(LwoObject *object, const char *name, const void *data, int32_t size,
                           float worldScale, int32_t layer);
// The layers of a whole LWO2 file in memory, in file order: fills at most
// `max` records and returns how many LAYR chunks there are (-2 for a null
// argument).
int32_t LwoListLayers(const void *data, int32_t size, LwoLayerInfo *layers, int32_t max);
int32_t LwoFree(LwoObject *object);
LwoObject *LwoGetCurrent(void);
FileData *LwoGetCurrentFile(void);

// Preparation of the current object for drawing; run by the load.
int32_t LwoInit(void);

// Per-frame morph state, called by the scene playback.
int32_t LwoMorphInit(LwoObject *object, LwoObject *target, float t);
void LwoSetEndoMorphAmount(LwoObject *object, const char *name, float amount);
void lwoEndoMorphPrepare(LwoObject *object);  // the endomorph blend, run by LwoEnable
int32_t LwoSetDissolve(LwoObject *object, float value);

// Drawing: LwoEnable blends, (transforms) and draws one object; mode 0 updates
// and draws. LwoApplyTransf multiplies an item's transform onto the current
// matrix, as LightWave places the item in its parent's space (the float is
// not used).
int32_t LwoEnable(LwoObject *object, int mode);
int32_t LwoApplyTransf(LwoTransform *transform, float unused);
// Grows the shared vertex buffers for this object's points and seam points;
// called once per object at load time so that drawing never allocates.
int32_t LwoDrawReserve(const LwoObject *object);

// Triangle strips over the whole object's triangles.
void LwoStripCreate(LwoObject *object);
void LwoStripRelease(LwoObject *object);

// Builds a textured grid object from a height map image.
int32_t LwoBuildTerrain(LwoObject *object, const char *heightMapName, const char *textureName);
