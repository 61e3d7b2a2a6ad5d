// The demo content generator: records for the files it writes (TGA images,
// LWO2 objects, an LWS scene) and the operations that build and write them.
// Everything here runs at build time on the host; the show only ever sees the
// files, which are ordinary TGA, LightWave 6/7 object and scene files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Status codes of the generator: 0 success, negative failure.
enum {
  GEN_OK = 0,
  GEN_ERR_FAILED = -1,    // a rule of a format or of the show is broken (message on stderr)
  GEN_ERR_READ = -3,      // a source file cannot be read
  GEN_ERR_WRITE = -4,     // an output file cannot be written
};

// ---- Images (tga.cpp) ----------------------------------------------------

// An RGB picture, rows stored from the bottom row of the picture up, the way
// an uncompressed TGA with bottom-left origin stores them and the way the
// show's texture records hold them.
struct GenImage {
  int32_t width;
  int32_t height;
  std::vector<uint8_t> rgb;   // width * height * 3 bytes: R, G, B
};

GenImage GenImageMake(int32_t width, int32_t height);
void GenImageSet(GenImage &image, int32_t x, int32_t row, float r, float g, float b);
std::vector<uint8_t> GenTgaBytes(const GenImage &image);   // type 2, 24 bits, bottom-left

// ---- LWO2 objects (lwo2.cpp) ---------------------------------------------

// Points are in LightWave's own frame: X right, Y up, Z away from the viewer.
// Polygons list their points clockwise as seen from their visible side.
struct GenVec {
  float x, y, z;
};

struct GenPolygon {
  std::vector<int32_t> points;
  int32_t surface;   // index into the object's surfaces (its TAGS string)
};

enum { GEN_CHAN_COLOR = 0, GEN_CHAN_REFLECTION = 1 };
enum { GEN_PROJ_PLANAR = 0, GEN_PROJ_SPHERICAL = 2, GEN_PROJ_UV = 5 };   // LWO2 PROJ codes

// The one image block a surface may carry.
struct GenBlock {
  int32_t used;        // 0: flat colour only
  int32_t channel;     // GEN_CHAN_*
  int32_t projection;  // GEN_PROJ_*
  int32_t axis;        // 0 X, 1 Y, 2 Z
  int32_t clip;        // 1-based index into the object's clips
  GenVec center;
  GenVec size;
  std::string uvMap;   // for GEN_PROJ_UV
};

struct GenSurface {
  std::string name;
  float color[3];      // 0..1
  int32_t smooth;      // writes a smoothing angle of 89.5 degrees
  GenBlock block;
};

struct GenPointUV {
  int32_t point;
  float u, v;
};

struct GenPolyUV {
  int32_t point;
  int32_t polygon;
  float u, v;
};

struct GenUVMap {
  std::string name;
  std::vector<GenPointUV> points;   // VMAP TXUV
  std::vector<GenPolyUV> seams;     // VMAD TXUV: the corners that differ from the VMAP
};

struct GenMorph {
  std::string name;
  std::vector<int32_t> points;      // the points that move
  std::vector<GenVec> deltas;       // their offsets at full weight
};

struct GenObject {
  std::vector<GenVec> points;
  std::vector<GenPolygon> polygons;
  std::vector<GenSurface> surfaces;
  std::vector<std::string> clips;   // image file names; CLIP index = position + 1
  std::vector<GenUVMap> uvMaps;
  std::vector<GenMorph> morphs;
};

GenSurface GenSurfaceFlat(const std::string &name, float r, float g, float b);
// Empty when the object breaks a rule of the format (message on stderr).
std::vector<uint8_t> GenLwoBytes(const GenObject &object);

// ---- LWS scenes (lws.cpp) ------------------------------------------------

enum { GEN_SHAPE_TCB = 0, GEN_SHAPE_HERMITE, GEN_SHAPE_BEZIER, GEN_SHAPE_LINEAR,
       GEN_SHAPE_STEPPED, GEN_SHAPE_BEZIER2D };
enum { GEN_BEHAVE_RESET = 0, GEN_BEHAVE_CONSTANT, GEN_BEHAVE_REPEAT, GEN_BEHAVE_OSCILLATE,
       GEN_BEHAVE_OFFSET, GEN_BEHAVE_LINEAR };

// One key: the shape is that of the span ending at this key; p holds the six
// key parameters as the scene writes them (TCB in p[0..2], Hermite and Bezier
// tangents in p[3] and p[4], 2D Bezier handles in p[0..3]).
struct GenKey {
  float value;
  float time;
  int32_t shape;
  float p[6];
};

struct GenEnvelope {
  std::vector<GenKey> keys;
  int32_t pre;
  int32_t post;
};

enum { GEN_ITEM_OBJECT = 0, GEN_ITEM_NULL, GEN_ITEM_LIGHT, GEN_ITEM_CAMERA };

struct GenMorfChannel {
  std::string name;   // endomorph name inside the object
  GenEnvelope envelope;
};

struct GenItem {
  int32_t kind;
  std::string name;                  // object file, or null, light or camera name
  std::vector<GenEnvelope> channels; // X Y Z H P B (and SX SY SZ): 9, or 6 for cameras
  int32_t parent;                    // index into the scene's items, -1 for none
  int32_t morphTarget;               // index into the scene's items, -1 for none
  GenEnvelope morphAmount;
  int32_t dissolve;                  // 1: dissolveEnvelope is written
  GenEnvelope dissolveEnvelope;
  std::string morphGroup;            // endomorph mixer group, with morfs
  std::vector<GenMorfChannel> morfs;
  float lightColor[3];
  float lightIntensity;
  int32_t lightType;                 // 0 distant, 1 point, 2 spot
};

struct GenScene {
  int32_t framesPerSecond;
  int32_t lastFrame;
  int32_t frameWidth, frameHeight;
  float gridSize;
  float viewZoom;
  GenEnvelope zoom;
  std::vector<GenItem> items;        // objects first, then lights, then the camera
};

GenEnvelope GenEnvConst(float value);
GenItem GenItemMake(int32_t kind, const std::string &name);
// Empty when the scene breaks a rule of the format (message on stderr).
std::string GenLwsText(const GenScene &scene);
std::string GenNumber(float value);   // fixed notation, no exponent, no trailing zeros

// ---- Font and scroll text (font.cpp, scroll.cpp) -------------------------

enum { GEN_GLYPHS = 50, GEN_GLYPH_SIZE = 8 };
extern const char GenFontCharset[GEN_GLYPHS + 1];

// Glyph k, row r (top row 0), column c is lit when bitmaps[k][r * 8 + c] is 1.
struct GenFont {
  uint8_t bitmaps[GEN_GLYPHS][GEN_GLYPH_SIZE * GEN_GLYPH_SIZE];
};

int32_t GenFontParse(const std::string &source, GenFont &font, std::string &error);
GenImage GenFontImage(const GenFont &font);   // 400 x 8, glyph k in columns 8k..8k+7

enum { GEN_SCROLL_LENGTH = 1868, GEN_SCROLL_LEAD = 63, GEN_SCROLL_TRAIL = 69 };
int32_t GenScrollCompose(const std::string &source, std::string &text, std::string &error);
std::string GenScrollInclude(const std::string &text);   // the text as a C string literal

// ---- The show's content (shapes.cpp, images.cpp, scene.cpp, content.cpp) -

// The objects, images and scene of the show, by file name inside the
// content folder ("vorlanth/globe.lwo", ...).
struct GenFile {
  std::string path;
  std::vector<uint8_t> bytes;
};

int32_t GenShowFiles(std::vector<GenFile> &files);
// Writes every file of the show under contentDir, the font from fontSource and,
// when includePath is not empty, the scroll text as a C string literal.
int32_t GenContentWrite(const std::string &contentDir, const std::string &fontSource,
                        const std::string &textSource, const std::string &includePath);
