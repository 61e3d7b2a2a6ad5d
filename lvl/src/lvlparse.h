// The level reader's state, shared by its two source files.
#pragma once
#include <cstdint>

#include "lvl.h"

extern const uint8_t *lvlPtr;  // read position
extern const uint8_t *lvlEnd;  // end of the file's data
extern char lvlLine[LVL_NAME_SIZE];
extern char keyword[LVL_NAME_SIZE];
extern char content[LVL_NAME_SIZE];
