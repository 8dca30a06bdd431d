#include "report/Tester.DiskQuery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "Report.Fakes.h"
#include "Report.TempFolder.h"

namespace {

bool Shell(const std::string& Command) {
  return std::system((Command + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(DiskQuery, AVolumeOnALoopDiskNamesThatDisksSize) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "a loop mount needs root";
  }
  TTempFolder Folder;
  const std::string Image = Folder.File("disk.img");
  const std::string Mount = Folder.File("volume");
  ASSERT_TRUE(Shell("truncate -s 48M '" + Image + "' && mkfs.ext4 -q -F '" + Image +
                    "' && mkdir '" + Mount + "'"));
  if (!Shell("mount -o loop '" + Image + "' '" + Mount + "'")) {
    GTEST_SKIP() << "no loop device available";
  }
  const TDiskIdentity Disk = QueryDiskOfVolume(Mount + "/");
  Shell("umount '" + Mount + "'");
  EXPECT_EQ(Disk.SizeInByte, 48 * MiB);  // the whole loop disk, not the filesystem's size
}

TEST(DiskQuery, AVolumeWithoutADiskGivesNothing) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "mounting a tmpfs needs root";
  }
  TTempFolder Folder;
  const std::string Mount = Folder.File("volume");
  ASSERT_TRUE(Shell("mkdir '" + Mount + "' && mount -t tmpfs -o size=1m tmpfs '" + Mount + "'"));
  const TDiskIdentity Disk = QueryDiskOfVolume(Mount + "/");
  Shell("umount '" + Mount + "'");
  EXPECT_EQ(Disk.Model, "");
  EXPECT_EQ(Disk.SizeInByte, 0);
}

}  // namespace
