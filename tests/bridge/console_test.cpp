// The console: one line per call, the line length limit, null formats; the settings store.
#include "console.h"
#include "machine.h"
#include "settings.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string capture(void (*body)())
{
  std::string text;
  MachineCaptureConsole(&text);
  body();
  MachineCaptureConsole(nullptr);
  return text;
}

TEST(Console, EachCallIsOneLine)
{
  std::string text = capture([] {
    EXPECT_EQ(ConsoleAdd("%s", ""), 0);
    EXPECT_EQ(ConsoleAdd("Error : %s can not be opened !", "C:\\a.lwo"), 0);
    EXPECT_EQ(ConsoleAdd(nullptr), -2);
    EXPECT_EQ(ConsoleProgressBarSet(50), 0);  // prints nothing
  });
  EXPECT_EQ(text, "\nError : C:\\a.lwo can not be opened !\n");
}

TEST(Console, LongLinesAreCutTo191Characters)
{
  std::string text = capture([] {
    std::string longLine(500, 'x');
    ConsoleAdd("%s", longLine.c_str());
    ConsoleAdd("%s", "next");
  });
  EXPECT_EQ(text, std::string(191, 'x') + "\nnext\n");
}

TEST(Settings, TheBaseDirectoryIsNotStored)
{
  char value[8] = "junk";
  SettingsSetValue(SETTINGS_BASE_DIRECTORY, "C:\\data");
  SettingsGetValue(SETTINGS_BASE_DIRECTORY, value);
  EXPECT_STREQ(value, "");
  SettingsGetValue(SETTINGS_BASE_DIRECTORY, nullptr);
}

}  // namespace
