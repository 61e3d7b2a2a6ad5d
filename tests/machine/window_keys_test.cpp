// The window in this process on SDL's dummy driver: its 4:3 size and its keys
// (F12 saves without replacing, Space pauses, the right arrow steps, Escape quits).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "ps2screen.h"
#include "testkit.h"

#if MORVANE_HAVE_SDL2
#include <SDL.h>

namespace fs = std::filesystem;

namespace {

void pressKey(SDL_Keycode key)
{
  SDL_Event event = {};
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = key;
  SDL_PushEvent(&event);
}

// Opens the window on the dummy driver and sets the screen up, so that the
// display shows the set-up's black picture.
void openWindow(const std::string &host, int scale)
{
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  MachineConfig config;
  MachineDefaults(&config);
  config.hostDir = host;
  config.window = 1;
  config.scale = scale;
  MachineSetup(&config);
  ASSERT_EQ(MachineGetPresentError(), "");
  PS2ScreenInit();
}

// A paused window that never lets go would hang the test: this ends it.
Uint32 giveUp(Uint32, void *)
{
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  return 0;
}

}  // namespace

TEST(WindowKeys, TheWindowIsFourByThree)
{
  TempDir host;
  for (int scale : {1, 2}) {
    openWindow(host.path, scale);
    int w = 0, h = 0;
    ASSERT_EQ(MachineGetWindowSize(&w, &h), 0);
    EXPECT_EQ(w, 512 * scale);
    EXPECT_EQ(h, 384 * scale);
    MachinePresentClose();
  }
  EXPECT_EQ(MachineGetWindowSize(nullptr, nullptr), -1);
}

TEST(WindowKeys, F12SavesThePictureWithoutReplacingAFile)
{
  TempDir host, shots;
  std::string here = fs::current_path().string();
  ASSERT_EQ(chdir(shots.path.c_str()), 0);
  WriteHostFile(shots.path + "/morvane-000001.png", "mine");
  openWindow(host.path, 1);
  pressKey(SDLK_F12);
  EXPECT_EQ(MachineFrameDone(), 0);  // frame 0
  pressKey(SDLK_F12);
  EXPECT_EQ(MachineFrameDone(), 0);  // frame 1: its name is taken
  MachinePresentClose();
  EXPECT_EQ(chdir(here.c_str()), 0);
  EXPECT_GT(fs::file_size(shots.path + "/morvane-000000.png"), 100u);
  EXPECT_EQ(ReadHostFile(shots.path + "/morvane-000001.png"), "mine");
  EXPECT_GT(fs::file_size(shots.path + "/morvane-000001-1.png"), 100u);
}

TEST(WindowKeys, SpacePausesTheRightArrowStepsEscapeQuits)
{
  TempDir host;
  openWindow(host.path, 1);
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
  SDL_TimerID timer = SDL_AddTimer(10000, giveUp, nullptr);
  pressKey(SDLK_SPACE);
  pressKey(SDLK_RIGHT);
  EXPECT_EQ(MachineFrameDone(), 0) << "paused, one frame let through";
  pressKey(SDLK_RIGHT);
  EXPECT_EQ(MachineFrameDone(), 0) << "still paused, one more";
  pressKey(SDLK_SPACE);
  EXPECT_EQ(MachineFrameDone(), 0) << "going on";
  EXPECT_EQ(MachineFrameDone(), 0) << "not paused: no key needed";
  pressKey(SDLK_ESCAPE);
  EXPECT_EQ(MachineFrameDone(), 1);
  SDL_RemoveTimer(timer);
  MachinePresentClose();
}

#endif
