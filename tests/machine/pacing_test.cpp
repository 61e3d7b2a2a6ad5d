// Real-time pacing of the vertical blanks, on a clock the test moves: fields
// start on a fixed beat of 1/50 s (PAL) or 1001/60000 s (NTSC) from set-up,
// a frame that overruns its field waits for the next beat, and the frames
// before --start are not paced at all.
#include <gtest/gtest.h>

#include <vector>

#include "machine.h"
#include "machine_regs.h"

namespace {

int64_t fakeNow;
std::vector<int64_t> waits;

int64_t now(void)
{
  return fakeNow;
}

void waitUntil(int64_t when)
{
  waits.push_back(when);
  if (when > fakeNow)
    fakeNow = when;
}

const int64_t ms = 1000000, start = 5000 * ms;

void setUp(int region, int realtime, int startFrame)
{
  MachineSetClock(now, waitUntil);
  fakeNow = start;
  waits.clear();
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = ".";
  config.region = region;
  config.realtime = realtime;
  config.startFrame = startFrame;
  MachineSetup(&config);
}

// A frame that takes `work` ns, then waits for the vertical blank as the
// show does (clear VSINT, poll CSR). Returns when the next field started.
int64_t frame(int64_t work)
{
  fakeNow += work;
  HwWrite(CSR, CSR_VSINT);
  HwRead(CSR);
  MachineFrameDone();
  return fakeNow - start;
}

TEST(Pacing, FieldsComeOnTheBeatEvenAfterSlowFrames)
{
  setUp(MACHINE_REGION_PAL, 1, 0);
  EXPECT_EQ(frame(5 * ms), 20 * ms);
  EXPECT_EQ(frame(5 * ms), 40 * ms);
  // 30 ms of work from 40 ms: the next beat is 80 ms, 40 ms after the last
  // field. Restarting the beat at the late moment put it at 90 ms.
  EXPECT_EQ(frame(30 * ms), 80 * ms);
  EXPECT_EQ(frame(20 * ms), 100 * ms);  // exactly one field of work
  // A pause of a second is not made up: the next beat after it.
  EXPECT_EQ(frame(1005 * ms), 1120 * ms);
  EXPECT_EQ(frame(0), 1140 * ms);
  EXPECT_EQ(MachineGetFieldCount(), 6);

  setUp(MACHINE_REGION_NTSC, 1, 0);
  frame(0);
  frame(25 * ms);  // from 16.68 ms to 41.68: waits for the third beat, 50.05 ms
  EXPECT_EQ(fakeNow - start, 3 * 16683333);

  // Unpaced, and before --start, fields come at once.
  setUp(MACHINE_REGION_PAL, 0, 0);
  EXPECT_EQ(frame(3 * ms), 3 * ms);
  EXPECT_TRUE(waits.empty());
  setUp(MACHINE_REGION_PAL, 1, 2);
  frame(1 * ms);
  frame(1 * ms);
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(frame(1 * ms), 20 * ms);  // the first watched frame is paced
  MachineSetClock(nullptr, nullptr);
}

}  // namespace
