// The identity of the disk under a filesystem: which device and disk, and how what the disk
// answers itself completes what the system keeps.
#include "device/Drive.Identity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fixture.Tree.h"
#include "Recorded.Disk.h"
#include "device/Drive.Identity.Sysfs.h"
#include "device/uSSDInfo.h"

namespace {

// A SATA disk on libata's INQUIRY only, a USB stick, an LVM volume over a partition, an md
// mirror over both disks with a partition of its own, zram, and a btrfs mount.
class TStackedMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string Sata = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0";
    Tree.AddScsiDisk(Sata, "sda", 8, 0, 1000000, "ATA", "Samsung SSD 860", "4B6Q");
    Tree.AddPartition("sda", "sda1", 8, 1, 2048, 400000);
    Tree.AddPartition("sda", "sda2", 8, 2, 402048, 400000);
    const std::string Usb = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
    Tree.AddDiskAt(Usb + "/block/sdb", "sdb", 8, 16, 2000000, Usb);
    Tree.AddPartition("sdb", "sdb1", 8, 17, 2048, 400000);
    Tree.AddStacked("dm-0", 253, 0, 400000, {"sda1"});
    Tree.AddStacked("md0", 9, 0, 400000, {"sdb1", "sda2"});
    Tree.WriteFile(Tree.FolderOf("md0") + "/md/dev-sda2/slot", "0\n");
    Tree.WriteFile(Tree.FolderOf("md0") + "/md/dev-sdb1/slot", "1\n");
    Tree.AddPartition("md0", "md0p1", 259, 7, 2048, 10000);
    Tree.AddDisk("zram0", 252, 0, 100000, false, "virtual");
    Tree.SetMountinfo("30 1 0:45 / /data rw - btrfs /dev/sda2 rw\n");
  }

  TDriveIdentity Identify(unsigned Major, unsigned Minor) {
    return IdentifyDriveOfDevice({Major, Minor}, Tree.Roots(), Requests);
  }

  TFixtureTree Tree;
  TRecordedRequests Requests;  // refuses both requests unless a test sets an answer
};

TEST_F(TStackedMachine, NamesTheFilesystemsDeviceAndTheFirstDiskUnderIt) {
  struct TCase {
    const char* What;
    unsigned Major, Minor;
    std::string Device;
    std::vector<std::string> Disks;
    TDriveBus Bus;
  };
  const TCase Cases[] = {
      {"partition", 8, 1, "sda1", {"sda"}, TDriveBus::Sata},
      {"whole disk", 8, 16, "sdb", {"sdb"}, TDriveBus::Usb},
      {"device-mapper over a partition", 253, 0, "dm-0", {"sda"}, TDriveBus::Sata},
      {"md mirror, first member by slot", 9, 0, "md0", {"sda", "sdb"}, TDriveBus::Sata},
      {"partition of an md array", 259, 7, "md0p1", {"sda", "sdb"}, TDriveBus::Sata},
      {"btrfs: anonymous device number", 0, 45, "sda2", {"sda"}, TDriveBus::Sata},
      {"zram: no disk under it", 252, 0, "zram0", {}, TDriveBus::Unknown},
      {"no such device", 8, 99, "", {}, TDriveBus::Unknown},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    const TDriveIdentity Identity = Identify(Case.Major, Case.Minor);
    EXPECT_EQ(Identity.Device, Case.Device.empty() ? "" : Tree.Roots().Dev + "/" + Case.Device);
    EXPECT_EQ(Identity.Disks, Case.Disks);
    const std::string First = Case.Disks.empty() ? "" : Case.Disks.front();
    EXPECT_EQ(Identity.DiskName, First);
    EXPECT_EQ(Identity.Disk, First.empty() ? "" : Tree.Roots().Dev + "/" + First);
    EXPECT_EQ(Identity.Bus, Case.Bus);
  }
  EXPECT_EQ(Identify(253, 0).SizeInByte, 1000000 * 512);  // the disk's, not the volume's
}

TEST_F(TStackedMachine, TheDisksOwnAnswerFillsWhatTheSystemDoesNotKeep) {
  struct TCase {
    const char* What;
    std::string Disk;  // sda: the system names it; sdb: it keeps nothing
    Platform::TPassThroughAnswer Ata, Scsi;
    std::string Model, Firmware, Serial, ReportModel;
  };
  const auto Identify860 = IdentifyAnswer("Samsung SSD 860 EVO 500GB", "RVT04B6Q", "S3Z1NB0K");
  const auto Inquiry = InquiryAnswer("JMicron Generic         ", "0508", "12345678");
  const TCase Cases[] = {
      {"nothing answers: the system's texts, the header's model as INQUIRY joins it", "sda",
       Refused(), Refused(), "Samsung SSD 860", "4B6Q", "", "ATA     Samsung SSD 860"},
      {"IDENTIFY answers: the system's model stays, the header prints the disk's", "sda",
       Identify860, Refused(), "Samsung SSD 860", "4B6Q", "S3Z1NB0K", "Samsung SSD 860 EVO 500GB"},
      {"IDENTIFY fills an unnamed disk", "sdb", Identify860, Refused(), "Samsung SSD 860 EVO 500GB",
       "RVT04B6Q", "S3Z1NB0K", "Samsung SSD 860 EVO 500GB"},
      {"INQUIRY fills model and firmware, never its vendor bytes as a serial", "sdb", Refused(),
       Inquiry, "JMicron Generic", "0508", "", "JMicron Generic"},
      {"nothing answers an unnamed disk", "sdb", Refused(), Refused(), "", "", "", ""},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    Requests.Ata = Case.Ata;
    Requests.Scsi = Case.Scsi;
    const TDriveIdentity Identity = Identify(8, Case.Disk == "sda" ? 0 : 16);
    EXPECT_EQ(Identity.Model, Case.Model);
    EXPECT_EQ(Identity.Firmware, Case.Firmware);
    EXPECT_EQ(Identity.Serial, Case.Serial);
    EXPECT_EQ(Identity.ReportModel, Case.ReportModel);
    EXPECT_EQ(Requests.LastPath, Tree.Roots().Dev + "/" + Case.Disk);
  }
}

// The header's model comes from the same object the report used before, asked the same way.
TEST_F(TStackedMachine, ReportModelIsWhatTSSDInfoGivesTheReport) {
  for (const auto& Answers :
       {std::pair{Refused(), Refused()},
        std::pair{IdentifyAnswer("  Model A  ", "F", "S"), Refused()},
        std::pair{Refused(), InquiryAnswer("VENDOR  PRODUCT         ", "1")}}) {
    Requests.Ata = Answers.first;
    Requests.Scsi = Answers.second;
    for (const unsigned Minor : {0u, 16u}) {
      TSSDInfo Info(Tree.Roots(), Requests);
      Info.ATAorSCSI = 3;
      Info.UsedByService = true;
      Info.SetDeviceName(Minor == 0 ? "sda" : "sdb");
      EXPECT_EQ(Identify(8, Minor).ReportModel, Info.Model);
    }
  }
}

TEST_F(TStackedMachine, NoDiskMeansNoRequest) {
  Requests.Ata = IdentifyAnswer("Model", "", "");
  const TDriveIdentity Identity = Identify(252, 0);
  EXPECT_EQ(Requests.AtaCalls + Requests.ScsiCalls, 0);
  EXPECT_EQ(Identity.ReportModel, "");
  EXPECT_EQ(Identity.SizeInByte, 0);
}

// A mount point that this user may not enter: the mount table still names its device.
TEST_F(TStackedMachine, AMountPointThatCannotBeEnteredIsFoundInTheMountTable) {
  Tree.SetMountinfo(
      "30 1 8:1 / /nonexistent/varnell-lower rw - ext4 /dev/sda1 rw\n"
      "31 30 253:0 / /nonexistent/varnell rw - ext4 /dev/dm-0 rw\n"
      "32 31 8:16 / /nonexistent/varnell rw - ext4 /dev/sdb rw\n");
  const TDriveIdentity Identity = IdentifyDriveOf("/nonexistent/varnell/", Tree.Roots(), Requests);
  EXPECT_EQ(Identity.Folder, "/nonexistent/varnell/");
  EXPECT_EQ(Identity.Device, Tree.Roots().Dev + "/sdb");  // the mount on top
  EXPECT_EQ(Identity.Bus, TDriveBus::Usb);
  EXPECT_EQ(IdentifyDriveOf("/nonexistent/varnell/sub", Tree.Roots(), Requests).Device, "");
}

TEST(DriveIdentity, AFolderThatDoesNotExistHasOnlyItsName) {
  TRecordedRequests Requests;
  const TDriveIdentity Identity = IdentifyDriveOf("/nonexistent/varnell", {}, Requests);
  EXPECT_EQ(Identity.Folder, "/nonexistent/varnell");
  EXPECT_EQ(Identity.Device, "");
  EXPECT_EQ(Identity.DiskName, "");
  EXPECT_EQ(Requests.AtaCalls, 0);
}

}  // namespace
