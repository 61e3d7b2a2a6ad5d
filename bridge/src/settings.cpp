// Settings: nothing is stored on this machine; the values that are not
// empty are what the desktop's command line chose, and the one value the
// show writes (the length of its loop) goes to the machine model.
#include "settings.h"
#include "machine.h"
#include "machine_stats.h"

#include <cstdio>
#include <cstdlib>

void SettingsGetValue(int key, char *value)
{
  if (!value)
    return;
  value[0] = 0;
  const MachineConfig *config = MachineGetConfig();
  if (key == SETTINGS_SCENE)
    snprintf(value, SETTINGS_VALUE_SIZE, "%s", config->sceneName.c_str());
  else if (key == SETTINGS_QUIET && config->quiet)
    snprintf(value, SETTINGS_VALUE_SIZE, "1");
  else if (key == SETTINGS_SPEED && config->sceneSpeed)
    snprintf(value, SETTINGS_VALUE_SIZE, "scene");
  else if (key == SETTINGS_STATS && MachineGetStatsWanted())
    snprintf(value, SETTINGS_VALUE_SIZE, "1");
  else if (key == SETTINGS_LOOP_FRAMES)
    snprintf(value, SETTINGS_VALUE_SIZE, "%d", MachineGetLoopFrames());
}

void SettingsSetValue(int key, const char *value)
{
  if (key == SETTINGS_LOOP_FRAMES && value)
    MachineSetLoopFrames(atoi(value));
}
