#include "report/Tester.DiskQuery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "Report.Fakes.h"
#include "Report.TempFolder.h"
#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"

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

// The header's model and size, on every drive of this machine, are what the extents and
// TSSDInfo give when asked directly, in the order the report asks them.
TEST(DiskQuery, NamesTheDiskAsTheExtentsAndTheIdentificationDo) {
  TDriveLetters Drives;
  GetDriveLetters(Drives);
  for (std::size_t Index = 0; Index < Drives.LetterCount; ++Index) {
    const std::string Drive = Drives.Letters[Index] == "/" ? "/" : Drives.Letters[Index] + "/";
    SCOPED_TRACE(Drive);
    TVolumeDiskExtents Extents;
    GetVolumeExtents(Drive, Extents);
    TDiskIdentity Expected;
    if (!Extents.Extents.empty()) {
      TSSDInfo Info;
      Info.ATAorSCSI = 3;
      Info.UsedByService = true;
      Info.SetDeviceName(Extents.Extents.front().DiskName);
      Expected = {Info.Model, GetDiskSize(Extents.Extents.front().DiskName)};
    }
    const TDiskIdentity Disk = QueryDiskOfVolume(Drive);
    EXPECT_EQ(Disk.Model, Expected.Model);
    EXPECT_EQ(Disk.SizeInByte, Expected.SizeInByte);
  }
}

}  // namespace
