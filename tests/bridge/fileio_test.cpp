// Host file I/O on real files: size, position, reopen, not found, write.
#include "fileio.h"
#include "testkit.h"

#include <gtest/gtest.h>

namespace {

TEST(FileIO, ReadsSizesAndKeepsThePosition)
{
  TempDir dir;
  WriteHostFile(dir.path + "/data/Scene.LWS", "0123456789");
  MachineForTest(dir.path);
  FileIOInit();

  int h = FileIOOpen("host:data/Scene.LWS", FILEIO_READ);
  ASSERT_GE(h, 1);
  char buffer[16] = {};
  EXPECT_EQ(FileIORead(h, buffer, 4), 4);
  EXPECT_EQ(FileIOGetSize(h), 10);  // size found with the position in the middle...
  EXPECT_EQ(FileIORead(h, buffer, 16), 6);  // ...and the position left where it was
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_EQ(FileIORead(h, buffer, 16), 0);
  EXPECT_EQ(FileIOClose(h), 0);
  EXPECT_LT(FileIOClose(h), 0);   // a closed handle is gone
  EXPECT_LT(FileIORead(h, buffer, 1), 0);

  // Reopening starts at the beginning; handles are reused from 1.
  int again = FileIOOpen("host:data/Scene.LWS", FILEIO_READ);
  EXPECT_EQ(again, h);
  EXPECT_EQ(FileIORead(again, buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, 2), "01");
  FileIOClose(again);

  EXPECT_LT(FileIOOpen("host:nothing.here", FILEIO_READ), 1);
  EXPECT_LT(FileIOOpen("host:data", FILEIO_READ), 1);  // a folder is not a file
  EXPECT_EQ(FileIOOpen("host:data/Scene.LWS", 2), 0);  // unknown mode: no call at all
  EXPECT_STREQ(FileIOGetCurrentDirectory(), "");
}

TEST(FileIO, WritingReplacesTheWholeFile)
{
  TempDir dir;
  WriteHostFile(dir.path + "/out.bin", "a much longer older file");
  MachineForTest(dir.path);
  int h = FileIOOpen("host:out.bin", FILEIO_WRITE);
  ASSERT_GE(h, 1);
  EXPECT_EQ(FileIOWrite(h, "new", 3), 3);
  FileIOClose(h);
  EXPECT_EQ(ReadHostFile(dir.path + "/out.bin"), "new");

  h = FileIOOpen("host:created.bin", FILEIO_WRITE);  // created when absent
  ASSERT_GE(h, 1);
  FileIOClose(h);
  EXPECT_EQ(ReadHostFile(dir.path + "/created.bin"), "");
  EXPECT_LT(FileIOOpen("host:no/such/folder.bin", FILEIO_WRITE), 1);
}

}  // namespace
