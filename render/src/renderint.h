// Shared between the render front end's source files; not part of its interface.
#pragma once
#include "render.h"

// Truncates toward zero into [-RENDER_COORD_LIMIT, RENDER_COORD_LIMIT]; NaN
// gives 0. Every float-to-integer conversion of the front end goes through
// it, so no input makes the conversion undefined.
int32_t renderTruncSat(float value);
// Clamps a 64-bit sum into the same range.
int32_t renderClampCoord(int64_t value);

// Cuts `count` triangles (three records each) in `list` to the clip
// rectangle, left, top, right and bottom in that order, using `scratch` (as
// big as `list`) between passes. `list` must hold 16 times `count`
// triangles. Returns the number of triangles left in `list`; *touched is 1
// when some pass cut or dropped a triangle.
int32_t renderClip(ScreenVertex *list, int32_t count, ScreenVertex *scratch, int *touched);
