// A real partitioned loop device, mounted from its first partition (needs root).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "Fixture.Tree.h"
#include "Run.Command.h"
#include "device/Disk.Temperature.h"
#include "device/Drive.Identity.h"
#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t ImageBytes = 32 * 1024 * 1024;
constexpr std::int64_t PartitionStart = 2048;     // sectors
constexpr std::int64_t PartitionSectors = 40960;  // 20 MiB

// Undoes, in reverse order, each step that succeeded; only what this test created.
class TLoopDisk {
 public:
  explicit TLoopDisk(const fs::path& Folder) : FImage(Folder / "disk.img") {}
  ~TLoopDisk() {
    for (auto Mount = FMounts.rbegin(); Mount != FMounts.rend(); ++Mount) {
      RunCommand("umount '" + *Mount + "' 2>/dev/null");
    }
    if (!FLoop.empty()) {
      RunCommand("losetup -d " + FLoop + " 2>/dev/null");
    }
  }

  bool Create() {
    std::ofstream(FImage, std::ios::binary).close();
    fs::resize_file(FImage, ImageBytes);
    int Code = 0;
    RunCommand("echo 'start=" + std::to_string(PartitionStart) +
                   ", size=" + std::to_string(PartitionSectors) + ", type=83' | sfdisk -q '" +
                   FImage.string() + "' >/dev/null 2>&1",
               &Code);
    if (Code != 0) {
      return false;
    }
    std::string Loop = RunCommand("losetup -P -f --show '" + FImage.string() + "'", &Code);
    Loop.erase(std::remove(Loop.begin(), Loop.end(), '\n'), Loop.end());
    if (Code != 0 || Loop.rfind("/dev/loop", 0) != 0) {
      return false;
    }
    FLoop = Loop;
    // The kernel adds the partition node a moment after the loop device. A kernel built
    // without partition table parsers adds none: partx reads the table and adds it.
    if (!WaitForPartition(10)) {
      RunCommand("partx -a " + FLoop + " >/dev/null 2>&1");
      WaitForPartition(100);
    }
    RunCommand("mkfs.ext4 -q -F '" + Partition() + "' >/dev/null 2>&1", &Code);
    return Code == 0;
  }

  bool Mount(const std::string& Options, const std::string& What, const fs::path& Where) {
    if (!fs::exists(Where)) {
      fs::create_directories(Where);
    }
    int Code = 0;
    RunCommand("mount " + Options + " '" + What + "' '" + Where.string() + "' 2>/dev/null", &Code);
    if (Code == 0) {
      FMounts.push_back(Where.string());
    }
    return Code == 0;
  }

  bool Unmount(const fs::path& Where) {
    int Code = 0;
    RunCommand("umount '" + Where.string() + "' 2>/dev/null", &Code);
    if (Code == 0) {
      FMounts.erase(std::find(FMounts.begin(), FMounts.end(), Where.string()));
    }
    return Code == 0;
  }

  std::string Partition() const { return FLoop + "p1"; }
  bool WaitForPartition(int Rounds) const {
    for (int Round = 0; Round < Rounds && !fs::exists(Partition()); ++Round) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return fs::exists(Partition());
  }
  std::string DiskName() const { return FLoop.substr(5); }

 private:
  fs::path FImage;
  std::string FLoop;
  std::vector<std::string> FMounts;
};

std::vector<std::string> Drives() {
  TDriveLetters List;
  GetDriveLetters(List);
  return {List.Letters.begin(), List.Letters.begin() + List.LetterCount};
}

TEST(LoopDevice, PartitionedImageIsReportedAsTheLoopDisk) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root for losetup and mount";
  }
  for (const char* Tool : {"sfdisk", "losetup", "partx", "mkfs.ext4", "mount"}) {
    if (!HasTool(Tool)) {
      GTEST_SKIP() << Tool << " is not installed";
    }
  }
  TFixtureTree Folder;  // only as a temporary folder; the queries use the real roots
  TLoopDisk Disk(Folder.Top());
  ASSERT_TRUE(Disk.Create());
  const fs::path MountPoint = Folder.Top() / "mount point \xed\x95\x9c";  // space, non-ASCII
  ASSERT_TRUE(Disk.Mount("", Disk.Partition(), MountPoint));
  fs::create_directories(MountPoint / "sub");
  const fs::path BindPoint = Folder.Top() / "bind";
  ASSERT_TRUE(Disk.Mount("--bind", (MountPoint / "sub").string(), BindPoint));

  const auto List = Drives();
  EXPECT_EQ(std::count(List.begin(), List.end(), MountPoint.string()), 1);
  EXPECT_EQ(std::count(List.begin(), List.end(), BindPoint.string()), 0);

  for (const fs::path& Path : {MountPoint, MountPoint / "sub", BindPoint}) {
    TVolumeDiskExtents Extents;
    GetVolumeExtents(Path.string() + "/", Extents);
    ASSERT_EQ(Extents.NumberOfDiskExtents, 1u) << Path;
    EXPECT_EQ(Extents.Extents[0].DiskName, Disk.DiskName()) << Path;
    EXPECT_EQ(Extents.Extents[0].StartingOffset, PartitionStart * 512) << Path;
    EXPECT_EQ(Extents.Extents[0].ExtentLength, PartitionSectors * 512) << Path;
  }
  EXPECT_EQ(GetDiskSize(Disk.DiskName()), ImageBytes);
  if (HasTool("lsblk")) {
    EXPECT_EQ(RunCommand("lsblk -n -o PKNAME " + Disk.Partition()), Disk.DiskName() + "\n");
    EXPECT_EQ(RunCommand("lsblk -b -n -d -o SIZE /dev/" + Disk.DiskName()),
              std::to_string(ImageBytes) + "\n");
  }

  const TDriveIdentity Identity = IdentifyDriveOf(MountPoint.string());
  EXPECT_EQ(Identity.Device, Disk.Partition());
  EXPECT_EQ(Identity.Disk, "/dev/" + Disk.DiskName());
  EXPECT_EQ(Identity.Bus, TDriveBus::Loop);
  EXPECT_EQ(Identity.SizeInByte, ImageBytes);
  EXPECT_TRUE(Identity.Rotational.has_value());  // the kernel always says, for a loop device
  EXPECT_EQ(Identity.Model, "");
  EXPECT_FALSE(TDiskTemperature::OfFolder(BindPoint.string()).HasSensor());

  TSSDInfo Info;  // a loop device answers neither request and has no identity in sysfs
  Info.SetDeviceName(Disk.DiskName());
  EXPECT_EQ(Info.Model, "");
  EXPECT_EQ(Info.ATAorSCSI, 0);
}

TEST(LoopDevice, FileMountedOntoAFileIsNoDrive) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root for losetup and mount";
  }
  for (const char* Tool : {"sfdisk", "losetup", "partx", "mkfs.ext4", "mount"}) {
    if (!HasTool(Tool)) {
      GTEST_SKIP() << Tool << " is not installed";
    }
  }
  // As containers mount /etc/hosts: the file is all that is mounted of its filesystem.
  TFixtureTree Folder;
  TLoopDisk Disk(Folder.Top());
  ASSERT_TRUE(Disk.Create());
  const fs::path MountPoint = Folder.Top() / "whole";
  ASSERT_TRUE(Disk.Mount("", Disk.Partition(), MountPoint));
  std::ofstream(MountPoint / "hosts") << "127.0.0.1 localhost\n";
  Folder.WriteFile("hosts", "");
  ASSERT_TRUE(Disk.Mount("--bind", (MountPoint / "hosts").string(), Folder.Top() / "hosts"));
  ASSERT_TRUE(Disk.Unmount(MountPoint));

  const auto List = Drives();
  EXPECT_EQ(std::count(List.begin(), List.end(), (Folder.Top() / "hosts").string()), 0);
  TVolumeDiskExtents Extents;  // the file still leads to its disk
  GetVolumeExtents((Folder.Top() / "hosts").string(), Extents);
  ASSERT_EQ(Extents.NumberOfDiskExtents, 1u);
  EXPECT_EQ(Extents.Extents[0].DiskName, Disk.DiskName());
}

}  // namespace
