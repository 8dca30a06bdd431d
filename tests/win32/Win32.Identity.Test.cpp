#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "device/Disk.Temperature.h"
#include "device/Drive.Identity.h"
#include "platform/Polled.File.h"
#include "report/Report.TempFolder.h"

namespace {

// Under wine the storage queries and the requests get no answer: the identity names the volume
// and what wine tells of the disk, and asking never fails. The logic over real answers is
// tested with recorded ones.
TEST(Win32Identity, TheSystemDrivesIdentityNamesItsVolume) {
  TTempFolder Folder;
  const TDriveIdentity Identity = IdentifyDriveOf(Folder.Path() + "\\");
  EXPECT_EQ(Identity.Folder, Folder.Path() + "\\");
  EXPECT_EQ(Identity.Device, "\\\\.\\" + Folder.Path().substr(0, 2));
  if (!Identity.DiskName.empty()) {
    EXPECT_EQ(Identity.Disk, "\\\\.\\" + Identity.DiskName);
    EXPECT_EQ(Identity.Disks.front(), Identity.DiskName);
  }
  const TDriveIdentity Nowhere = IdentifyDriveOf("\\\\server\\share\\");
  EXPECT_EQ(Nowhere.Device, "");
  EXPECT_EQ(Nowhere.DiskName, "");
  EXPECT_FALSE(TDiskTemperature::OfFolder(Folder.Path() + "\\").HasSensor());
}

TEST(Win32PolledFile, EachReadIsFromTheStartOfWhatTheFileHoldsNow) {
  TTempFolder Folder;
  const std::string Path = Folder.Path() + "\\temp1_input";
  std::ofstream(Path, std::ios::binary) << "41850\n";
  {
    const Platform::TPolledFile File(Path);
    ASSERT_TRUE(File.IsOpen());
    char Buffer[16];
    EXPECT_EQ(File.ReadFromStart(Buffer, sizeof Buffer), 6);
    EXPECT_EQ(std::string(Buffer, 6), "41850\n");
    std::ofstream(Path, std::ios::binary | std::ios::trunc) << "7";
    EXPECT_EQ(File.ReadFromStart(Buffer, sizeof Buffer), 1);
    EXPECT_EQ(Buffer[0], '7');
    std::ofstream(Path, std::ios::binary | std::ios::trunc);
    EXPECT_EQ(File.ReadFromStart(Buffer, sizeof Buffer), 0);
  }
  EXPECT_FALSE(Platform::TPolledFile(Folder.Path() + "\\missing").IsOpen());
  EXPECT_EQ(Platform::TPolledFile().ReadFromStart(nullptr, 0), -1);
}

}  // namespace
