// Settings: nothing is stored on this machine.
#include "settings.h"

void SettingsGetValue(int key, char *value)
{
  (void)key;
  if (value)
    value[0] = 0;
}

void SettingsSetValue(int key, const char *value)
{
  (void)key;
  (void)value;
}
