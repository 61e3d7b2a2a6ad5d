// The show driver: the four callbacks the window layer runs.
#pragma once

struct LwsScene;

void cbInit(void);  // one-time start-up: console, pool, files, title, archive, textures, matrices, scene, font
void cbDraw(void);  // one frame: clear, clip, scene, scroll text, flip
void cbFree(void);
void cbKey(int key);

// The steps of a frame: the scene at the play position (then the clock
// advances), and the scroll text over it.
void do3D(void);
void doScrollTxt(void);

// For tests: the scene record, the scroll position in pixels (and a jump to
// another), the scroll text and its length, and a return to the state before
// start-up.
LwsScene *ShowGetScene(void);
int ShowGetScrollPosition(void);
void ShowSetScrollPosition(int position);
const char *ShowGetText(void);
int ShowGetTextLength(void);
void ShowReset(void);
