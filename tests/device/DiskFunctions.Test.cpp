#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Fixture.Tree.h"
#include "device/Drive.Types.h"
#include "device/Mountinfo.h"
#include "device/uDiskFunctions.h"

namespace {

// A machine with a SATA disk, a USB stick, an NVMe disk, an optical drive, a loop device,
// zram, a RAM disk, an LVM volume over two disks and an md mirror.
class TMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.AddDisk("sda", 8, 0, 1000000);
    Tree.AddPartition("sda", "sda1", 8, 1, 2048, 500000);
    Tree.AddPartition("sda", "sda2", 8, 2, 502048, 400000);
    Tree.AddDisk("sdb", 8, 16, 2000000, true, "pci0000:00/usb1/1-1/host6");
    Tree.AddPartition("sdb", "sdb1", 8, 17, 2048, 1990000);
    Tree.AddDisk("sdc", 8, 32, 3000000);
    Tree.AddPartition("sdc", "sdc1", 8, 33, 4096, 2990000);
    Tree.AddDisk("sdd", 8, 48, 4000000);
    Tree.AddPartition("sdd", "sdd1", 8, 49, 2048, 1000000);
    Tree.AddPartition("sdd", "sdd2", 8, 50, 1002048, 1000000);
    Tree.AddDisk("nvme0n1", 259, 0, 7814037168, false, "pci0000:00/nvme/nvme0");
    Tree.AddPartition("nvme0n1", "nvme0n1p1", 259, 1, 2048, 1000000);
    Tree.AddDisk("sr0", 11, 0, 1400000, true);
    Tree.AddDisk("loop0", 7, 0, 65536, false, "virtual");
    Tree.AddDisk("zram0", 252, 0, 100000, false, "virtual");
    Tree.AddDisk("ram0", 1, 0, 8192, false, "virtual");
    Tree.AddStacked("dm-0", 253, 0, 900000, {"sdc1", "sda2"});  // LVM volume over two disks
    Tree.AddStacked("md0", 9, 0, 990000, {"sdd1", "sdb1"});
    Tree.WriteFile(Tree.FolderOf("md0") + "/md/dev-sdd1/slot", "1\n");
    Tree.WriteFile(Tree.FolderOf("md0") + "/md/dev-sdb1/slot", "0\n");
    Tree.AddPartition("md0", "md0p1", 259, 5, 2048, 10000);
    Tree.AddStacked("dm-1", 253, 1, 1000, {"zram0"});
    Tree.Link("dev/mapper/vg-data", "../dm-0");
  }

  std::vector<TDiskExtent> ExtentsOf(unsigned Major, unsigned Minor) {
    TVolumeDiskExtents Extents;
    Extents.NumberOfDiskExtents = 99;  // stale content must not survive
    Extents.Extents.push_back({"stale", 1, 1});
    GetVolumeExtentsOfDevice({Major, Minor}, Extents, Tree.Roots());
    EXPECT_EQ(Extents.NumberOfDiskExtents, Extents.Extents.size());
    return Extents.Extents;
  }

  std::vector<std::string> DriveList() {
    TDriveLetters Drives;
    Drives.LetterCount = 42;
    GetDriveLetters(Drives, Tree.Roots());
    return {Drives.Letters.begin(), Drives.Letters.begin() + Drives.LetterCount};
  }

  TFixtureTree Tree;
};

std::string Mount(const std::string& Number, const std::string& Root, const std::string& Point,
                  const std::string& Options, const std::string& Type, const std::string& Source) {
  return "1 1 " + Number + " " + Root + " " + Point + " " + Options + " shared:1 - " + Type + " " +
         Source + " " + Options + "\n";
}

TEST_F(TMachine, ClassifiesEveryKindOfMount) {
  struct TCase {
    std::string Line;
    TDriveType Type;
  };
  const TCase Cases[] = {
      {Mount("8:1", "/", "/", "rw", "ext4", "/dev/sda1"), TDriveType::Fixed},
      {Mount("8:17", "/", "/media/usb", "rw", "vfat", "/dev/sdb1"), TDriveType::Removable},
      {Mount("259:1", "/", "/mnt/nvme", "rw", "xfs", "/dev/nvme0n1p1"), TDriveType::Fixed},
      {Mount("11:0", "/", "/mnt/cd", "ro", "iso9660", "/dev/sr0"), TDriveType::CDROM},
      {Mount("11:0", "/", "/mnt/dvd", "rw", "ext4", "/dev/sr0"), TDriveType::CDROM},
      {Mount("7:0", "/", "/mnt/image", "rw", "ext4", "/dev/loop0"), TDriveType::Fixed},
      {Mount("252:0", "/", "/mnt/zram", "rw", "ext4", "/dev/zram0"), TDriveType::RAMDisk},
      {Mount("1:0", "/", "/mnt/ram", "rw", "ext2", "/dev/ram0"), TDriveType::RAMDisk},
      {Mount("253:1", "/", "/mnt/dmzram", "rw", "ext4", "/dev/dm-1"), TDriveType::RAMDisk},
      {Mount("0:30", "/", "/tmp", "rw", "tmpfs", "tmpfs"), TDriveType::RAMDisk},
      {Mount("0:50", "/", "/net", "rw", "nfs4", "server:/export"), TDriveType::Remote},
      {Mount("0:51", "/", "/smb", "rw", "cifs", "//server/share"), TDriveType::Remote},
      {Mount("0:52", "/", "/ssh", "rw", "fuse.sshfs", "me@host:"), TDriveType::Remote},
      {Mount("0:21", "/", "/proc", "rw", "proc", "proc"), TDriveType::Unknown},
      {Mount("0:60", "/", "/var/lib/docker", "rw", "overlay", "overlay"), TDriveType::Unknown},
      {Mount("0:45", "/", "/data", "rw", "btrfs", "/dev/mapper/vg-data"), TDriveType::Fixed},
      {Mount("0:46", "/", "/gone", "rw", "btrfs", "/dev/sdz9"), TDriveType::NoRootDir},
      {Mount("8:200", "/", "/nosys", "rw", "ext4", "/dev/sdm8"), TDriveType::Fixed},
      {Mount("9:0", "/", "/raid", "rw", "ext4", "/dev/md0"), TDriveType::Removable},  // sdb first
  };
  for (const auto& Case : Cases) {
    const auto Entries = ParseMountinfo(Case.Line);
    ASSERT_EQ(Entries.size(), 1u) << Case.Line;
    EXPECT_EQ(ClassifyMount(Entries[0], Tree.Roots()), Case.Type) << Case.Line;
  }
}

TEST_F(TMachine, ListsWritableFixedAndRemovableFilesystemsOnceInMountOrder) {
  Tree.SetMountinfo(Mount("0:21", "/", "/proc", "rw", "proc", "proc") +
                    Mount("8:1", "/", "/", "rw", "ext4", "/dev/sda1") +
                    Mount("0:30", "/", "/tmp", "rw", "tmpfs", "tmpfs") +
                    Mount("8:17", "/", "/media/usb\\040stick", "rw", "vfat", "/dev/sdb1") +
                    Mount("11:0", "/", "/mnt/cd", "ro", "iso9660", "/dev/sr0") +
                    Mount("8:33", "/", "/mnt/readonly", "ro", "ext4", "/dev/sdc1") +
                    Mount("8:1", "/srv", "/var/srv", "rw", "ext4", "/dev/sda1") +  // bind mount
                    Mount("8:1", "/", "/again", "rw", "ext4", "/dev/sda1") +
                    Mount("0:50", "/", "/net", "rw", "nfs4", "server:/export") +
                    Mount("252:0", "/", "/mnt/zram", "rw", "ext4", "/dev/zram0") +
                    Mount("7:0", "/", "/mnt/image", "rw", "ext4", "/dev/loop0") +
                    Mount("259:1", "/", "/mnt/\xed\x95\x9c", "rw", "xfs", "/dev/nvme0n1p1") +
                    Mount("0:45", "/", "/data", "rw", "btrfs", "/dev/mapper/vg-data") +
                    Mount("0:45", "/", "/data2", "rw", "btrfs", "/dev/dm-0") +
                    Mount("8:200", "/", "/mnt/trailing//", "rw", "ext4", "/dev/sdm8") +
                    "garbage line\n1 1 8:1 / /trunc");
  EXPECT_EQ(DriveList(), (std::vector<std::string>{"/", "/media/usb stick", "/mnt/image",
                                                   "/mnt/\xed\x95\x9c", "/data", "/mnt/trailing"}));
}

TEST_F(TMachine, WholeFilesystemMountTakesThePlaceOfAnEarlierBindMount) {
  Tree.SetMountinfo(Mount("8:1", "/home/me", "/home", "rw", "ext4", "/dev/sda1") +
                    Mount("8:17", "/", "/media/usb", "rw", "vfat", "/dev/sdb1") +
                    Mount("8:1", "/", "/", "rw", "ext4", "/dev/sda1"));
  EXPECT_EQ(DriveList(), (std::vector<std::string>{"/", "/media/usb"}));
}

TEST_F(TMachine, MissingOrEmptyMountinfoGivesNoDrives) {
  EXPECT_TRUE(DriveList().empty());
  Tree.SetMountinfo("");
  EXPECT_TRUE(DriveList().empty());
}

TEST_F(TMachine, StopsAtOneHundredDrives) {
  std::string Text;
  // Device numbers that sysfs does not show still count as fixed disks.
  for (int Index = 0; Index < 120; ++Index) {
    Text += Mount("240:" + std::to_string(Index), "/", "/m" + std::to_string(Index), "rw", "ext4",
                  "/dev/vd" + std::to_string(Index));
  }
  Tree.SetMountinfo(Text);
  const auto Drives = DriveList();
  ASSERT_EQ(Drives.size(), 100u);
  EXPECT_EQ(Drives.back(), "/m99");
}

TEST_F(TMachine, FindsTheDisksUnderEachKindOfVolume) {
  struct TCase {
    unsigned Major, Minor;
    std::vector<std::string> Disks;
    std::int64_t FirstOffset, FirstLength;
  };
  const TCase Cases[] = {
      {8, 1, {"sda"}, 2048 * 512LL, 500000 * 512LL},             // partition -> its disk and range
      {8, 0, {"sda"}, 0, 1000000 * 512LL},                       // whole disk
      {259, 1, {"nvme0n1"}, 2048 * 512LL, 1000000 * 512LL},      // NVMe partition
      {7, 0, {"loop0"}, 0, 65536 * 512LL},                       // loop device is its own disk
      {253, 0, {"sda", "sdc"}, 502048 * 512LL, 400000 * 512LL},  // LVM: both, in name order
      {9, 0, {"sdb", "sdd"}, 2048 * 512LL, 1990000 * 512LL},     // md: in slot order
      {259, 5, {"sdb", "sdd"}, 2048 * 512LL, 1990000 * 512LL},   // partition of md
      {252, 0, {}, 0, 0},                                        // zram
      {1, 0, {}, 0, 0},                                          // RAM disk
      {253, 1, {}, 0, 0},                                        // device-mapper over zram
      {8, 200, {}, 0, 0},                                        // not in sysfs
  };
  for (const auto& Case : Cases) {
    const auto Extents = ExtentsOf(Case.Major, Case.Minor);
    std::vector<std::string> Disks;
    for (const auto& Extent : Extents) {
      Disks.push_back(Extent.DiskName);
    }
    EXPECT_EQ(Disks, Case.Disks) << Case.Major << ":" << Case.Minor;
    if (!Extents.empty()) {
      EXPECT_EQ(Extents[0].StartingOffset, Case.FirstOffset) << Case.Major << ":" << Case.Minor;
      EXPECT_EQ(Extents[0].ExtentLength, Case.FirstLength) << Case.Major << ":" << Case.Minor;
    }
  }
}

TEST_F(TMachine, AnonymousDeviceNumberIsFoundThroughItsMount) {
  Tree.SetMountinfo(Mount("0:45", "/", "/data", "rw", "btrfs", "/dev/mapper/vg-data") +
                    Mount("0:30", "/", "/tmp", "rw", "tmpfs", "tmpfs"));
  const auto Extents = ExtentsOf(0, 45);
  ASSERT_EQ(Extents.size(), 2u);
  EXPECT_EQ(Extents[0].DiskName, "sda");
  EXPECT_TRUE(ExtentsOf(0, 30).empty());
  EXPECT_TRUE(ExtentsOf(0, 99).empty());
}

TEST_F(TMachine, StackThatLoopsOnItselfEnds) {
  Tree.AddStacked("dm-7", 253, 7, 10, {});
  Tree.Link(Tree.FolderOf("dm-7") + "/slaves/dm-7", "..");
  EXPECT_TRUE(ExtentsOf(253, 7).empty());
}

TEST_F(TMachine, VolumeFoundFromAnyPathOnIt) {
  // The test's own folder is on a real device; the fixture says what that device is.
  Platform::TDeviceNumber Real;
  ASSERT_TRUE(Platform::DeviceOfPath(Tree.Top().string(), Real));
  if (Real.Major == 0) {
    GTEST_SKIP() << "temporary folder is not on a block device";
  }
  Tree.Link("sys/dev/block/" + std::to_string(Real.Major) + ":" + std::to_string(Real.Minor),
            "../../" + Tree.FolderOf("nvme0n1p1").substr(4));
  const std::string Nested = (Tree.Top() / "proc/self").string() + "/";
  for (const std::string& Path : {Tree.Top().string(), Nested}) {
    TVolumeDiskExtents Extents;
    GetVolumeExtents(Path, Extents, Tree.Roots());
    ASSERT_EQ(Extents.NumberOfDiskExtents, 1u) << Path;
    EXPECT_EQ(Extents.Extents[0].DiskName, "nvme0n1");
  }
  TVolumeDiskExtents Missing;
  Missing.Extents.push_back({"stale", 0, 0});
  GetVolumeExtents((Tree.Top() / "no/such/folder/").string(), Missing, Tree.Roots());
  EXPECT_EQ(Missing.NumberOfDiskExtents, 0u);
  EXPECT_TRUE(Missing.Extents.empty());
}

TEST_F(TMachine, DiskSizeFromSysfsOrZero) {
  struct TCase {
    std::string Disk;
    std::string SizeFile;  // written to the disk's size file unless empty
    std::int64_t Size;
  };
  const TCase Cases[] = {
      {"sda", "", 1000000 * 512LL},
      {"nvme0n1", "", 7814037168 * 512LL},
      {"sdc", "12abc\n", 0},
      {"sdc", "\n", 0},
      {"sdc", "-5\n", 0},
      {"sdc", "99999999999999999999\n", 0},
      {"sdc", "18014398509481984\n", 0},  // 2^54 sectors: bytes beyond 63 bits
      {"sdc", "18014398509481983\n", 18014398509481983LL * 512},
      {"sda1", "", 0},  // a partition is not a disk
      {"sdq", "", 0},   // no such disk
      {"", "", 0},
      {"../block/sda", "", 0},
      {"..", "", 0},
  };
  for (const auto& Case : Cases) {
    if (!Case.SizeFile.empty()) {
      Tree.WriteFile(Tree.FolderOf(Case.Disk) + "/size", Case.SizeFile);
    }
    EXPECT_EQ(GetDiskSize(Case.Disk, Tree.Roots()), Case.Size) << Case.Disk << Case.SizeFile;
  }
  std::filesystem::remove(Tree.Top() / Tree.FolderOf("sdd") / "size");
  std::filesystem::create_directory(Tree.Top() / Tree.FolderOf("sdd") / "size");  // unreadable
  EXPECT_EQ(GetDiskSize("sdd", Tree.Roots()), 0);
  TDiskGeometryEx Geometry;
  GetDiskGeometry("sda", Geometry, Tree.Roots());
  EXPECT_EQ(Geometry.BytesPerSector, 512u);
}

}  // namespace
