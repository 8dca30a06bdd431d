#include "device/uSSDInfo.h"

#include <gtest/gtest.h>

#include <string>

#include "Fixture.Tree.h"
#include "Recorded.Disk.h"
#include "device/Identify.Parse.h"

namespace {

using Platform::TPassThroughAnswer;

struct TIdentifyCase {
  const char* What;
  TPassThroughAnswer Ata;
  TPassThroughAnswer Scsi;
  std::string Model, Firmware, Serial;
  std::uint8_t ATAorSCSI;
  int ScsiCalls;
};

TPassThroughAnswer WithSense(TPassThroughAnswer Answer, std::uint8_t ResponseCode, std::uint8_t Key,
                             std::uint8_t Status = 0x02) {
  Answer.ScsiStatus = Status;
  Answer.SenseLength = 18;
  Answer.Sense[0] = ResponseCode;
  Answer.Sense[ResponseCode >= 0x72 ? 1 : 2] = Key;
  return Answer;
}

TEST(SSDInfo, AsksAtaFirstThenScsiAndKeepsTheAnsweringOne) {
  const auto Padded = IdentifyAnswer("Samsung SSD 860 EVO 500GB               ", "1023    ",
                                     "      S3Z1NB0K123456");
  const auto Inquiry = InquiryAnswer("SanDisk Cruzer Blade    ", "1.00", "4C530001");
  const TIdentifyCase Cases[] = {
      {"padded ATA model", Padded, Inquiry, "Samsung SSD 860 EVO 500GB", "1023", "S3Z1NB0K123456",
       1, 0},
      {"all-space ATA model", IdentifyAnswer(std::string(40, ' '), "FW01    ", "X"), Inquiry,
       "SanDisk Cruzer Blade", "1.00", "4C530001", 2, 1},
      {"all-NUL ATA answer", Answered(), Inquiry, "SanDisk Cruzer Blade", "1.00", "4C530001", 2, 1},
      {"ATA refused, vendor + product", Refused(),
       InquiryAnswer("ATA     Samsung SSD 860 ", "4B6Q"), "ATA     Samsung SSD 860", "4B6Q", "", 2,
       1},
      {"ATA refused by sense", WithSense(Padded, 0x72, 0x05), Inquiry, "SanDisk Cruzer Blade",
       "1.00", "4C530001", 2, 1},
      {"ATA good with recovered sense", WithSense(Padded, 0x72, 0x01), Inquiry,
       "Samsung SSD 860 EVO 500GB", "1023", "S3Z1NB0K123456", 1, 0},
      {"ATA good with fixed no-sense", WithSense(Padded, 0x70, 0x00), Inquiry,
       "Samsung SSD 860 EVO 500GB", "1023", "S3Z1NB0K123456", 1, 0},
      {"ATA host error",
       [&] {
         auto Answer = Padded;
         Answer.HostStatus = 0x01;
         return Answer;
       }(),
       Refused(), "", "", "", 3, 1},
      {"INQUIRY with sense data", Refused(), WithSense(Inquiry, 0x70, 0x05, 0x00), "", "", "", 3,
       1},
      {"INQUIRY all spaces", Refused(), InquiryAnswer(std::string(36, ' '), ""), "", "", "", 3, 1},
      {"both refused", Refused(), Refused(), "", "", "", 3, 1},
      {"control characters trimmed, inner kept", Refused(),
       InquiryAnswer(std::string("\t\x01Vendor\x7f X\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 24),
                     "\x1f"
                     "A "),
       "Vendor\x7f X", "A", "", 2, 1},
      {"bytes above 127 become characters", Refused(), InquiryAnswer("Caf\xe9 Disk", "\xff"),
       "Caf\xc3\xa9 Disk", "\xc3\xbf", "", 2, 1},
  };
  for (const auto& Case : Cases) {
    TRecordedRequests Requests;
    Requests.Ata = Case.Ata;
    Requests.Scsi = Case.Scsi;
    TFixtureTree Empty;
    TSSDInfo Info(Empty.Roots(), Requests);
    Info.ATAorSCSI = 3;  // as the report sets it
    Info.SetDeviceName("sda");
    EXPECT_EQ(Info.DeviceName, Empty.Roots().Dev + "/sda") << Case.What;
    EXPECT_EQ(Requests.LastPath, Info.DeviceName) << Case.What;
    EXPECT_EQ(Info.Model, Case.Model) << Case.What;
    EXPECT_EQ(Info.Firmware, Case.Firmware) << Case.What;
    EXPECT_EQ(Info.Serial, Case.Serial) << Case.What;
    EXPECT_EQ(Info.ATAorSCSI, Case.ATAorSCSI) << Case.What;
    EXPECT_EQ(Requests.AtaCalls, 1) << Case.What;
    EXPECT_EQ(Requests.ScsiCalls, Case.ScsiCalls) << Case.What;
  }
}

TEST(SSDInfo, StartsEmptyAndDevicePathFollowsTheName) {
  const TSSDInfo Fresh;
  EXPECT_TRUE(Fresh.Model.empty() && Fresh.Firmware.empty() && Fresh.Serial.empty());
  EXPECT_EQ(Fresh.ATAorSCSI, 0);
  EXPECT_FALSE(Fresh.USBMode || Fresh.UsedByService);
  EXPECT_EQ(Fresh.HostWrites + Fresh.EraseError + Fresh.UserSize + Fresh.ReplacedSectors, 0u);

  TRecordedRequests Requests;
  TSSDInfo Info({}, Requests);
  Info.SetDeviceName("nvme0n1");
  EXPECT_EQ(Info.DeviceName, "/dev/nvme0n1");
}

TEST(SSDInfo, NameThatIsNotADeviceSendsNothing) {
  for (const char* Name : {"", "..", "../etc/passwd", "sda/../../x"}) {
    TRecordedRequests Requests;
    Requests.Ata = IdentifyAnswer("Model", "", "");
    TSSDInfo Info({}, Requests);
    Info.Model = "previous";
    Info.SetDeviceName(Name);
    EXPECT_EQ(Requests.AtaCalls + Requests.ScsiCalls, 0) << Name;
    EXPECT_EQ(Info.Model, "") << Name;
  }
}

// What an ordinary user sees when neither request is permitted.
TEST(SSDInfo, FallsBackToTheIdentityThatSysfsShows) {
  TFixtureTree Tree;
  const std::string Sata = Tree.AddDisk("sda", 8, 0, 100);
  Tree.WriteFile(Sata + "/device/vendor", "ATA     \n");
  Tree.WriteFile(Sata + "/device/model", "Samsung SSD 860 \n");
  Tree.WriteFile(Sata + "/device/rev", "4B6Q\n");
  Tree.WriteFile(Sata + "/device/vpd_pg80", std::string("\x00\x80\x00\x08S3Z1NB0K", 12));
  const std::string Usb = Tree.AddDisk("sdb", 8, 16, 100, true);
  Tree.WriteFile(Usb + "/device/vendor", "SanDisk \n");
  Tree.WriteFile(Usb + "/device/model", "Cruzer Blade    \n");
  Tree.WriteFile(Usb + "/device/rev", "1.00\n");
  const std::string Nvme = Tree.AddDisk("nvme0n1", 259, 0, 100);
  Tree.WriteFile(Nvme + "/device/model", "WDC WDS500G2B0C-00PXH0                  \n");
  Tree.WriteFile(Nvme + "/device/firmware_rev", "211070WD\n");
  Tree.WriteFile(Nvme + "/device/serial", "2041AB123456        \n");
  const std::string Sd = Tree.AddDisk("mmcblk0", 179, 0, 100, true);
  Tree.WriteFile(Sd + "/device/name", "SD64G\n");
  Tree.WriteFile(Sd + "/device/fwrev", "0x0\n");
  Tree.WriteFile(Sd + "/device/serial", "0x1234abcd\n");
  const std::string Virtio = Tree.AddDisk("vda", 254, 0, 100);
  Tree.WriteFile(Virtio + "/device/vendor", "0x1af4\n");
  Tree.AddDisk("loop0", 7, 0, 100);

  struct TCase {
    const char* Disk;
    std::string Model, Firmware, Serial;
  };
  const TCase Cases[] = {
      {"sda", "ATA     Samsung SSD 860", "4B6Q", "S3Z1NB0K"},
      {"sdb", "SanDisk Cruzer Blade", "1.00", ""},
      {"nvme0n1", "WDC WDS500G2B0C-00PXH0", "211070WD", "2041AB123456"},
      {"mmcblk0", "SD64G", "0x0", "0x1234abcd"},
      {"vda", "", "", ""},
      {"loop0", "", "", ""},
      {"sdz", "", "", ""},
  };
  for (const auto& Case : Cases) {
    TRecordedRequests Requests;
    TSSDInfo Info(Tree.Roots(), Requests);
    Info.SetDeviceName(Case.Disk);
    EXPECT_EQ(Info.Model, Case.Model) << Case.Disk;
    EXPECT_EQ(Info.Firmware, Case.Firmware) << Case.Disk;
    EXPECT_EQ(Info.Serial, Case.Serial) << Case.Disk;
    EXPECT_EQ(Info.ATAorSCSI, 0) << Case.Disk;
  }
}

}  // namespace
