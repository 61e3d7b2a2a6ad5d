// The snapshot hook.
#include <gtest/gtest.h>

#include <string>

#include "snapshot.h"
#include "testkit.h"

static int calls;
static std::string lastName;
static int32_t fakeCodec(const char *fileName, const uint8_t *pixels, int32_t width, int32_t height)
{
  calls++;
  lastName = fileName;
  (void)pixels;
  return width + height;  // not examined by SnapshotSave
}

TEST(Snapshot, SavesOnlyThroughARegisteredCodec)
{
  TempDir dir;
  MachineForTest(dir.path);
  EXPECT_STREQ(SnapshotGetFileName(), "Halvek.TGA");
  EXPECT_EQ(SnapshotSave("x.tga", nullptr, 1, 1), SNAPSHOT_ERR_NO_CODEC);
  EXPECT_EQ(calls, 0);

  std::string output;
  MachineCaptureConsole(&output);
  EXPECT_EQ(SnapshotRegisterCodec(fakeCodec), SNAPSHOT_OK);
  MachineCaptureConsole(nullptr);
  EXPECT_NE(output.find("Registering snapshot codec.."), std::string::npos);
  EXPECT_EQ(SnapshotSave(SnapshotGetFileName(), nullptr, 3, 4), SNAPSHOT_OK);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(lastName, "Halvek.TGA");
}
