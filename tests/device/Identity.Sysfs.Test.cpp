// What sysfs tells of a disk in each of the layouts the kernel gives them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Fixture.Tree.h"
#include "Recorded.Disk.h"
#include "device/Drive.Identity.Sysfs.h"
#include "device/Sysfs.AtaIdentify.h"
#include "device/Sysfs.Identity.h"

namespace {

// The id attribute as libata prints it: four hex digits a word, eight words a line.
std::string AtaIdText(const std::array<std::uint8_t, 512>& Data) {
  std::string Text;
  for (std::size_t Word = 0; Word < 256; ++Word) {
    char Digits[8];
    std::snprintf(Digits, sizeof Digits, "%04x%c", Data[2 * Word] | Data[2 * Word + 1] << 8,
                  (Word + 1) % 8 != 0 ? ' ' : '\n');
    Text += Digits;
  }
  return Text;
}

std::array<std::uint8_t, 512> IdentifyData(const std::string& Model, const std::string& Firmware,
                                           const std::string& Serial) {
  return IdentifyAnswer(Model, Firmware, Serial).Data;
}

TEST(AtaIdentifyText, ReadsWhatLibataPrintsAndNothingElse) {
  const auto Data = IdentifyData("Samsung SSD 860 EVO 500GB", "RVT04B6Q", "S3Z1NB0K123456A");
  const std::string Kernel = AtaIdText(Data);
  ASSERT_EQ(ParseAtaIdentifyText(Kernel), Data);
  std::string Upper = Kernel;
  for (char& Character : Upper) {
    Character = static_cast<char>(std::toupper(static_cast<unsigned char>(Character)));
  }
  EXPECT_EQ(ParseAtaIdentifyText(Upper), Data);
  EXPECT_EQ(ParseAtaIdentifyText(Kernel.substr(0, Kernel.size() - 1)), Data);  // no newline

  const std::string Cases[] = {
      "",                                   // a port multiplier's id is empty
      Kernel.substr(0, Kernel.size() - 5),  // 255 words
      Kernel + "0000\n",                    // 257 words
      "0" + Kernel,                         // a word of five digits
      Kernel.substr(0, 10) + "zz" + Kernel.substr(12),
      Kernel.substr(0, 4) + "\x01" + Kernel.substr(5),
      std::string(Kernel.size(), '\0'),
  };
  for (const std::string& Text : Cases) {
    EXPECT_FALSE(ParseAtaIdentifyText(Text).has_value()) << Text.substr(0, 40);
  }
}

TEST(AtaIdentifyText, FoundFromTheScsiDeviceOnItsPortsLink) {
  struct TCase {
    const char* What;
    std::string ScsiDevice;  // under the port
    std::string IdFolder;    // under the port; empty: no id where it is looked for
    bool Found;
  };
  const TCase Cases[] = {
      {"SATA disk", "host0/target0:0:0/0:0:0:0", "link1/dev1.0/ata_device/dev1.0", true},
      {"PATA slave", "host0/target0:0:1/0:0:1:0", "link1/dev1.1/ata_device/dev1.1", true},
      {"behind a port multiplier", "host0/target0:2:0/0:2:0:0",
       "link1.2/dev1.2.0/ata_device/dev1.2.0", true},
      {"another device's id", "host0/target0:0:1/0:0:1:0", "link1/dev1.0/ata_device/dev1.0", false},
      {"no id", "host0/target0:0:0/0:0:0:0", "", false},
  };
  const auto Data = IdentifyData("WDC WD40EFRX-68N32N0", "82.00A82", "WD-WCC7K0123456");
  for (const TCase& Case : Cases) {
    TFixtureTree Tree;
    const std::string Port = "sys/devices/pci0000:00/0000:00:17.0/ata1/";
    Tree.WriteFile(Port + Case.ScsiDevice + "/model", "x\n");
    if (!std::string(Case.IdFolder).empty()) {
      Tree.WriteFile(Port + Case.IdFolder + "/id", AtaIdText(Data));
    }
    const auto Found = ReadAtaIdentifyOfDevice((Tree.Top() / Port / Case.ScsiDevice).string());
    EXPECT_EQ(Found.has_value(), Case.Found) << Case.What;
    if (Found) {
      EXPECT_EQ(*Found, Data) << Case.What;
    }
  }
  // A SCSI disk that is not on libata, and a folder that names no SCSI device.
  TFixtureTree Tree;
  Tree.WriteFile("sys/devices/pci0000:00/host0/target0:0:0/0:0:0:0/model", "x\n");
  EXPECT_FALSE(ReadAtaIdentifyOfDevice(
                   (Tree.Top() / "sys/devices/pci0000:00/host0/target0:0:0/0:0:0:0").string())
                   .has_value());
  EXPECT_FALSE(ReadAtaIdentifyOfDevice((Tree.Top() / "sys/devices/ata1/host0").string()));
}

struct TLayoutCase {
  const char* What;
  TDriveBus Bus;
  std::string Vendor, Model, Firmware, Serial, Wwid;
  std::optional<bool> Rotational;
  bool Removable;
};

// One disk of each kind, laid out as the kernel lays them out.
class TLayouts : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string NvmeController = "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0";
    const std::string Nvme =
        Tree.AddDiskAt(NvmeController + "/nvme0n1", "nvme0n1", 259, 0, 1953525168, NvmeController);
    const std::string Controller = "sys/devices/" + NvmeController;
    Tree.WriteFile(Controller + "/model", "Samsung SSD 980 PRO 1TB                 \n");
    Tree.WriteFile(Controller + "/serial", "S5GXNF0R123456      \n");
    Tree.WriteFile(Controller + "/firmware_rev", "5B2QGXA7\n");
    Tree.WriteFile(Nvme + "/wwid", "eui.002538b111b2c3d4\n");
    Tree.WriteFile(Nvme + "/queue/rotational", "0\n");

    // Native NVMe multipath: the namespace hangs under its subsystem.
    const std::string Subsystem = "virtual/nvme-subsystem/nvme-subsys1";
    Tree.AddDiskAt(Subsystem + "/nvme1n1", "nvme1n1", 259, 5, 100, Subsystem);
    Tree.WriteFile("sys/devices/" + Subsystem + "/model", "WDC WDS500G2B0C\n");

    const std::string Ata = "pci0000:00/0000:00:17.0/ata1";
    const std::string SataDevice = Ata + "/host0/target0:0:0/0:0:0:0";
    const std::string Sata =
        Tree.AddScsiDisk(SataDevice, "sda", 8, 0, 976773168, "ATA", "Samsung SSD 860", "4B6Q");
    const std::string ScsiDevice = "sys/devices/" + SataDevice;
    Tree.WriteFile(ScsiDevice + "/wwid", "naa.5002538e40a1b2c3\n");
    Tree.WriteFile(ScsiDevice + "/vpd_pg80", std::string("\x00\x80\x00\x08S3Z1NB0K", 12));
    Tree.WriteFile(
        "sys/devices/" + Ata + "/link1/dev1.0/ata_device/dev1.0/id",
        AtaIdText(IdentifyData("Samsung SSD 860 EVO 500GB", "RVT04B6Q", "     S3Z1NB0K123456A")));
    Tree.WriteFile(Sata + "/queue/rotational", "0\n");

    // The same disk on a kernel that shows no ata_device: INQUIRY's texts as libata makes them.
    const std::string OldAtaDevice = "pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0";
    Tree.AddScsiDisk(OldAtaDevice, "sdb", 8, 16, 100, "ATA", "Samsung SSD 860", "4B6Q");
    Tree.WriteFile("sys/devices/" + OldAtaDevice + "/vpd_pg80",
                   std::string("\x00\x80\x00\x08S3Z1NB0K", 12));

    const std::string UsbDevice =
        "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
    const std::string Usb =
        Tree.AddScsiDisk(UsbDevice, "sdc", 8, 32, 60062500, "SanDisk", "Cruzer Blade", "1.00");
    Tree.WriteFile(Usb + "/removable", "1\n");
    Tree.WriteFile(Usb + "/queue/rotational", "1\n");

    const std::string SasDevice =
        "pci0000:00/0000:00:10.0/host0/port-0:0/end_device-0:0/target0:0:0/0:0:0:0";
    Tree.AddScsiDisk(SasDevice, "sdd", 8, 48, 7814037168, "SEAGATE", "ST4000NM0023", "0004");

    const std::string MmcCard = "platform/fe320000.mmc/mmc_host/mmc1/mmc1:aaaa";
    const std::string Mmc =
        Tree.AddDiskAt(MmcCard + "/block/mmcblk1", "mmcblk1", 179, 0, 124735488, MmcCard);
    Tree.WriteFile("sys/devices/" + MmcCard + "/name", "SC64G\n");
    Tree.WriteFile("sys/devices/" + MmcCard + "/serial", "0x1234abcd\n");
    Tree.WriteFile("sys/devices/" + MmcCard + "/fwrev", "0x0\n");
    Tree.WriteFile(Mmc + "/removable", "1\n");

    const std::string VirtioDevice = "pci0000:00/0000:00:02.0/virtio1";
    const std::string Virtio =
        Tree.AddDiskAt(VirtioDevice + "/block/vda", "vda", 254, 0, 536870912, VirtioDevice);
    Tree.WriteFile("sys/devices/" + VirtioDevice + "/vendor", "0x1af4\n");
    Tree.WriteFile(Virtio + "/serial", "10666328124655636");  // no newline, as virtio writes it
    Tree.WriteFile(Virtio + "/queue/rotational", "1\n");

    const std::string Loop = Tree.AddDiskAt("virtual/block/loop0", "loop0", 7, 0, 65536);
    Tree.WriteFile(Loop + "/queue/rotational", "2\n");  // no flag: unknown

    Tree.AddDiskAt("vbd-51712/block/xvda", "xvda", 202, 0, 100);
  }

  TFixtureTree Tree;
};

TEST_F(TLayouts, EachKindOfDiskIsDescribedFromItsOwnAttributes) {
  const std::map<std::string, TLayoutCase> Cases = {
      {"nvme0n1",
       {"NVMe", TDriveBus::Nvme, "", "Samsung SSD 980 PRO 1TB", "5B2QGXA7", "S5GXNF0R123456",
        "eui.002538b111b2c3d4", false, false}},
      {"nvme1n1",
       {"NVMe multipath", TDriveBus::Nvme, "", "WDC WDS500G2B0C", "", "", "", std::nullopt, false}},
      {"sda",
       {"SATA, IDENTIFY kept by libata", TDriveBus::Sata, "", "Samsung SSD 860 EVO 500GB",
        "RVT04B6Q", "S3Z1NB0K123456A", "naa.5002538e40a1b2c3", false, false}},
      {"sdb",
       {"SATA, INQUIRY only", TDriveBus::Sata, "ATA", "Samsung SSD 860", "4B6Q", "S3Z1NB0K", "",
        std::nullopt, false}},
      {"sdc", {"USB", TDriveBus::Usb, "SanDisk", "Cruzer Blade", "1.00", "", "", true, true}},
      {"sdd",
       {"SAS", TDriveBus::Scsi, "SEAGATE", "ST4000NM0023", "0004", "", "", std::nullopt, false}},
      {"mmcblk1",
       {"SD card", TDriveBus::Mmc, "", "SC64G", "0x0", "0x1234abcd", "", std::nullopt, true}},
      {"vda", {"virtio", TDriveBus::Virtio, "", "", "", "10666328124655636", "", true, false}},
      {"loop0", {"loop", TDriveBus::Loop, "", "", "", "", "", std::nullopt, false}},
      {"xvda", {"xen", TDriveBus::Other, "", "", "", "", "", std::nullopt, false}},
      {"sdz", {"no such disk", TDriveBus::Unknown, "", "", "", "", "", std::nullopt, false}},
  };
  for (const auto& [Disk, Case] : Cases) {
    SCOPED_TRACE(Case.What);
    const TDriveIdentity Identity = DescribeDisk(Disk, Tree.Roots());
    EXPECT_EQ(Identity.Bus, Case.Bus);
    EXPECT_EQ(Identity.Vendor, Case.Vendor);
    EXPECT_EQ(Identity.Model, Case.Model);
    EXPECT_EQ(Identity.Firmware, Case.Firmware);
    EXPECT_EQ(Identity.Serial, Case.Serial);
    EXPECT_EQ(Identity.Wwid, Case.Wwid);
    EXPECT_EQ(Identity.Rotational, Case.Rotational);
    EXPECT_EQ(Identity.Removable, Case.Removable);
    EXPECT_EQ(Identity.Disk, Tree.Roots().Dev + "/" + Disk);
  }
  EXPECT_EQ(DescribeDisk("nvme0n1", Tree.Roots()).SizeInByte, 1953525168LL * 512);
}

// The report's fallback model is what the requests would answer: IDENTIFY's model for a disk
// on libata, INQUIRY's vendor and product joined for other SCSI disks.
TEST_F(TLayouts, TheAnsweredModelIsWhatTheRequestsWouldSay) {
  const std::pair<const char*, const char*> Cases[] = {
      {"sda", "Samsung SSD 860 EVO 500GB"},
      {"sdb", "ATA     Samsung SSD 860"},
      {"sdc", "SanDisk Cruzer Blade"},
      {"nvme0n1", "Samsung SSD 980 PRO 1TB"},
      {"mmcblk1", "SC64G"},
      {"vda", ""},
  };
  for (const auto& [Disk, Model] : Cases) {
    EXPECT_EQ(ReadSysfsIdentity(Disk, Tree.Roots()).Model, Model) << Disk;
  }
}

TEST(SysfsIdentity, OddTextIsTrimmedAndKeptAsCharacters) {
  TFixtureTree Tree;
  const std::string Device = "pci0000:00/host0/target0:0:0/0:0:0:0";
  Tree.AddDiskAt(Device + "/block/sda", "sda", 8, 0, 100, Device);
  const std::string Folder = "sys/devices/" + Device;
  Tree.WriteFile(Folder + "/vendor", std::string("\0\0Caf\xe9\0\0\0", 8));
  Tree.WriteFile(Folder + "/model", "  Disk\x01X  ");                             // no newline
  Tree.WriteFile(Folder + "/rev", "\n");                                          // blank
  Tree.WriteFile(Folder + "/vpd_pg80", std::string("\x00\x80\x00\x40short", 9));  // too long
  const TDriveIdentity Identity = DescribeDisk("sda", Tree.Roots());
  EXPECT_EQ(Identity.Vendor, "Caf\xc3\xa9");
  EXPECT_EQ(Identity.Model, "Disk\x01X");
  EXPECT_EQ(Identity.Firmware, "");
  EXPECT_EQ(Identity.Serial, "short");
  EXPECT_EQ(Identity.Bus, TDriveBus::Scsi);
}

}  // namespace
