// Settings: a key/value store. The base directory (key 0) is always "";
// the scene to play (key 1) is "" for the built-in scene, or the scene that
// the desktop's command line chose.
#pragma once

enum { SETTINGS_BASE_DIRECTORY = 0, SETTINGS_SCENE = 1, SETTINGS_VALUE_SIZE = 192 };

// Writes the value, at most 191 characters and the terminator, into `value`.
void SettingsGetValue(int key, char *value);
void SettingsSetValue(int key, const char *value);
