// Settings: nothing is stored on this machine; the one value that is not
// empty is the scene that the desktop's command line asks for.
#include "settings.h"
#include "machine.h"

#include <cstdio>

void SettingsGetValue(int key, char *value)
{
  if (!value)
    return;
  value[0] = 0;
  if (key == SETTINGS_SCENE)
    snprintf(value, SETTINGS_VALUE_SIZE, "%s", MachineGetConfig()->sceneName.c_str());
}

void SettingsSetValue(int key, const char *value)
{
  (void)key;
  (void)value;
}
