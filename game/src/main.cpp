// The show's entry point.
#include "show.h"
#include "window.h"

int main(int argc, char **argv)
{
  (void)argc;  // the show takes no arguments
  (void)argv;
  WindowSetInit(cbInit);
  WindowSetDraw(cbDraw);
  WindowSetFree(cbFree);
  WindowSetKey(cbKey);
  // 0 on the console, whose show never ends; on the desktop 1 when the show
  // ended because something failed.
  return WindowShow();
}
