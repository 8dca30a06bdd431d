#include "platform/Device.Backend.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "Fixture.Tree.h"
#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"

namespace {

namespace fs = std::filesystem;

std::size_t OpenDescriptorCount() {
  std::size_t Count = 0;
  for ([[maybe_unused]] const auto& Entry : fs::directory_iterator("/proc/self/fd")) {
    ++Count;
  }
  return Count;
}

TEST(DeviceBackend, ReadsSmallFilesAndRefusesWhatItCannotOrShouldNot) {
  TFixtureTree Tree;
  Tree.WriteFile("big", std::string(10000, 'x'));
  std::string Contents = "old";
  EXPECT_TRUE(Platform::ReadSmallFile((Tree.Top() / "big").string(), Contents));
  EXPECT_EQ(Contents.size(), 10000u);
  EXPECT_FALSE(Platform::ReadSmallFile((Tree.Top() / "big").string(), Contents, 9999));
  EXPECT_TRUE(Contents.empty());
  EXPECT_FALSE(Platform::ReadSmallFile((Tree.Top() / "missing").string(), Contents));
  EXPECT_FALSE(Platform::ReadSmallFile(Tree.Top().string(), Contents));  // a folder
  // /proc reports a size of 0 however much it holds.
  EXPECT_TRUE(Platform::ReadSmallFile("/proc/self/mountinfo", Contents));
  EXPECT_NE(Contents.find(" - "), std::string::npos);
}

TEST(DeviceBackend, PassThroughToWhatIsNotADiskGivesNothing) {
  TFixtureTree Tree;
  Tree.WriteFile("plain", std::string(600, 'A'));
  const std::string Fifo = (Tree.Top() / "fifo").string();
  ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
  const std::size_t Before = OpenDescriptorCount();
  for (const std::string& Path : {std::string("/nonexistent/sdz"), (Tree.Top() / "plain").string(),
                                  Fifo, Tree.Top().string()}) {
    for (const auto& Answer : {Platform::AtaIdentifyDevice(Path), Platform::ScsiInquiry(Path)}) {
      EXPECT_FALSE(Answer.Opened) << Path;
      EXPECT_FALSE(Answer.Sent) << Path;
      EXPECT_EQ(Answer.Data[0], 0) << Path;
    }
  }
  // A character device that knows no SG_IO: opened, refused.
  for (const auto& Answer :
       {Platform::AtaIdentifyDevice("/dev/null"), Platform::ScsiInquiry("/dev/null")}) {
    EXPECT_TRUE(Answer.Opened);
    EXPECT_FALSE(Answer.Sent);
  }
  EXPECT_EQ(OpenDescriptorCount(), Before);
}

// The real queries on this machine: whatever the disks and the rights, no crash, no descriptor
// left open, and a model is always trimmed.
TEST(DeviceBackend, RealQueriesLeaveNoDescriptorOpen) {
  const auto Disks = Platform::ListFolder("/sys/block");
  if (Disks.empty()) {
    GTEST_SKIP() << "no /sys/block here";
  }
  const std::size_t Before = OpenDescriptorCount();
  TDriveLetters Drives;
  GetDriveLetters(Drives);
  for (std::size_t Index = 0; Index < Drives.LetterCount; ++Index) {
    TVolumeDiskExtents Extents;
    GetVolumeExtents(Drives.Letters[Index], Extents);
    for (const auto& Extent : Extents.Extents) {
      EXPECT_GT(GetDiskSize(Extent.DiskName), 0) << Extent.DiskName;
    }
  }
  for (const std::string& Disk : Disks) {
    TSSDInfo Info;
    Info.SetDeviceName(Disk);
    EXPECT_EQ(Info.DeviceName, "/dev/" + Disk);
    EXPECT_LE(Info.ATAorSCSI, 2);
    if (!Info.Model.empty()) {
      EXPECT_GT(static_cast<unsigned char>(Info.Model.front()), 32);
      EXPECT_GT(static_cast<unsigned char>(Info.Model.back()), 32);
    }
  }
  EXPECT_EQ(OpenDescriptorCount(), Before);
}

}  // namespace
