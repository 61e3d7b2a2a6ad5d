// Builders shared by the show's content files: geometry (shapes.cpp) and
// pictures (images.cpp), used by the scene composition (scene.cpp).
#pragma once
#include "datagen.h"

// Smooth value noise in 0..1, and a sum of octaves of it.
float GenNoise(float x, float y, uint32_t seed);
float GenFractal(float x, float y, uint32_t seed, int octaves);
float GenSmoothStep(float edge0, float edge1, float x);

// Height of the valley floor at (x, z), in metres.
float GenValleyHeight(float x, float z);

// Adds a polygon whose visible side faces along `outward`: the point order
// is reversed when needed so that the polygon is clockwise seen from there.
int32_t GenAddPolygon(GenObject &obj, std::vector<int32_t> points, int32_t surface, GenVec outward);

// Geometry. Each builder fills points and polygons (and UV maps or morphs)
// of `obj`; surfaces, clips and blocks are the caller's.
void GenBuildTerrain(GenObject &obj, int32_t side, float spacing, int32_t surface);
void GenBuildBox(GenObject &obj, float half, int32_t surfaceX, int32_t surfaceY, int32_t surfaceZ);
// Torus around the Y axis (axis 1), the X axis (0) or the Z axis (2); the
// segments alternate between the two surfaces in bands of `band`.
void GenBuildTorus(GenObject &obj, float major, float minor, int32_t around, int32_t tube,
                   int32_t axis, int32_t surfaceA, int32_t surfaceB, int32_t band);
// Latitude-longitude sphere with the UV map `uvName` (seams on the meridian
// at u = 0 and around both poles written as discontinuous corners) when
// uvName is not empty; bands checkered over two surfaces otherwise.
void GenBuildSphere(GenObject &obj, float radius, int32_t rings, int32_t segments,
                    const std::string &uvName, int32_t surfaceA, int32_t surfaceB);
// The inside of a dome: from the zenith down to `lowest` radians below the
// horizon, UV-mapped with `uvName` (u around, the picture `turns` times; v up).
void GenBuildDome(GenObject &obj, float radius, int32_t rings, int32_t segments, float lowest,
                  int32_t turns, const std::string &uvName, int32_t surface);
// A ten-cornered prism in the XY plane: corners alternate between the two radii.
void GenBuildStar(GenObject &obj, float outer, float inner, float depth, float turn,
                  int32_t surfaceFace, int32_t surfaceEdge);

// Pictures for the show's surfaces (sizes are powers of two).
GenImage GenImageValley(int32_t size, float extent);
GenImage GenImageCrate(int32_t size);
GenImage GenImageGlobe(int32_t width, int32_t height);
GenImage GenImageSky(int32_t size);
// The sky seen from the valley, for the dome's UV map: the bottom rows lie
// below the horizon, which is at row height * horizon.
GenImage GenImageHeaven(int32_t width, int32_t height, float horizon);
