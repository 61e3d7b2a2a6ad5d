// Settings: a key/value store. The base directory (key 0) is always "". The
// other keys carry what the desktop's command line chose, and are "" when it
// chose nothing, as on the console:
//   SETTINGS_SCENE        the scene to play instead of the built-in one
//   SETTINGS_QUIET        "1": no title block on the console
//   SETTINGS_SPEED        "scene": play at the scene's own frame rate
//   SETTINGS_LOOP_FRAMES  written by the show: the frames one pass of its
//                         animation takes (the desktop counts --loops in them)
//   SETTINGS_STATS        "1": print the frame rate and stage times at the end
#pragma once

enum {
  SETTINGS_BASE_DIRECTORY = 0,
  SETTINGS_SCENE = 1,
  SETTINGS_QUIET = 2,
  SETTINGS_SPEED = 3,
  SETTINGS_LOOP_FRAMES = 4,
  SETTINGS_STATS = 5,
  SETTINGS_VALUE_SIZE = 192
};

// Writes the value, at most 191 characters and the terminator, into `value`.
void SettingsGetValue(int key, char *value);
void SettingsSetValue(int key, const char *value);
