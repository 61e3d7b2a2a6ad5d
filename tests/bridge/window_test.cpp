// The window loop: callback order, the frame limit as quit request, the surface size.
#include "machine.h"
#include "testkit.h"
#include "timer.h"
#include "window.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string calls;
void onInit() { calls += "I"; }
void onDraw() { calls += "D"; }
void onFree() { calls += "F"; }
void onKey(int) { calls += "K"; }

TEST(Window, RunsInitOnceThenDrawUntilQuitThenFree)
{
  EXPECT_EQ(WindowSetInit(onInit), 0);
  EXPECT_EQ(WindowSetDraw(onDraw), 0);
  EXPECT_EQ(WindowSetFree(onFree), 0);
  EXPECT_EQ(WindowSetKey(onKey), 0);
  // A null callback is refused and the previous one kept.
  EXPECT_EQ(WindowSetInit(nullptr), -2);
  EXPECT_EQ(WindowSetDraw(nullptr), -2);
  EXPECT_EQ(WindowSetFree(nullptr), -2);
  EXPECT_EQ(WindowSetKey(nullptr), -2);

  WindowInfo *before = WindowGet();
  MachineForTest(".", MACHINE_REGION_PAL, 3);
  calls.clear();
  EXPECT_EQ(WindowShow(), 0);
  EXPECT_EQ(calls, "IDDDF");  // the key callback is never called here
  EXPECT_EQ(WindowGet(), before);
  EXPECT_EQ(before->width, 512);
  EXPECT_EQ(before->height, 256);

  MachineForTest(".", MACHINE_REGION_NTSC, 1);
  calls.clear();
  WindowShow();
  EXPECT_EQ(calls, "IDF");
  EXPECT_EQ(WindowGet()->width, 512);
  EXPECT_EQ(WindowGet()->height, 224);
  WindowDisplayText(0, 0, nullptr);
  WindowDisplayText(10, 10, "%d", 3);
}

TEST(Timer, CountsRealMilliseconds)
{
  EXPECT_EQ(TimerInit(), 0);
  int start = TimerGetTime();
  EXPECT_GE(start, 0);
  timespec pause = {0, 30 * 1000 * 1000};
  nanosleep(&pause, nullptr);
  int elapsed = TimerGetTime() - start;
  EXPECT_GE(elapsed, 25);
  EXPECT_LT(elapsed, 5000);
}

}  // namespace
