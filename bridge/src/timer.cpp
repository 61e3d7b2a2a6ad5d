// The timer. The desktop has a real clock: milliseconds since the first call
// of TimerInit or TimerGetTime, so the scene's load time means something.
#include "timer.h"

#include <chrono>

static std::chrono::steady_clock::time_point timerStart = std::chrono::steady_clock::now();

int TimerInit(void)
{
  return 0;
}

int TimerGetTime(void)
{
  auto elapsed = std::chrono::steady_clock::now() - timerStart;
  return (int)std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}
