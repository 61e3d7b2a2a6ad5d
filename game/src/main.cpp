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
  WindowShow();
  return 0;
}
