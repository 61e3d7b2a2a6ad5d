// Settings: a key/value store. This machine stores nothing: every value is "".
#pragma once

enum { SETTINGS_BASE_DIRECTORY = 0 };

void SettingsGetValue(int key, char *value);
void SettingsSetValue(int key, const char *value);
