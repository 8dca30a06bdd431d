#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/Disk.Requests.h"
#include "device/uSSDInfo.h"

namespace {

// Identification answers as a disk would give them, and the device paths that were asked.
class TRecordedDisk final : public TDiskRequests {
 public:
  Platform::TPassThroughAnswer Identify;  // not opened unless set
  Platform::TPassThroughAnswer InquiryAnswer;
  mutable std::vector<std::string> Asked;

  Platform::TPassThroughAnswer IdentifyDevice(const std::string& DevicePath) const override {
    Asked.push_back("ata " + DevicePath);
    return Identify;
  }
  Platform::TPassThroughAnswer Inquiry(const std::string& DevicePath) const override {
    Asked.push_back("scsi " + DevicePath);
    return InquiryAnswer;
  }
};

Platform::TPassThroughAnswer Answered() {
  Platform::TPassThroughAnswer Answer;
  Answer.Opened = true;
  Answer.Sent = true;
  return Answer;
}

// ATA strings: two characters a word, the first in the high byte.
void PutAtaString(Platform::TPassThroughAnswer& Answer, int FirstWord, const std::string& Text) {
  for (std::size_t Index = 0; Index < Text.size(); ++Index) {
    const std::size_t Word = FirstWord + Index / 2;
    Answer.Data[Word * 2 + (Index % 2 == 0 ? 1 : 0)] = static_cast<std::uint8_t>(Text[Index]);
  }
}

void PutBytes(Platform::TPassThroughAnswer& Answer, std::size_t Offset, const std::string& Text) {
  for (std::size_t Index = 0; Index < Text.size(); ++Index) {
    Answer.Data[Offset + Index] = static_cast<std::uint8_t>(Text[Index]);
  }
}

TEST(Win32SSDInfo, TheAtaAnswerNamesTheDiskAndNoInquiryFollows) {
  TRecordedDisk Disk;
  Disk.Identify = Answered();
  PutAtaString(Disk.Identify, 27, "Samsung SSD 870 EVO 1TB                 ");
  PutAtaString(Disk.Identify, 23, "1023    ");
  PutAtaString(Disk.Identify, 10, "  S5Y1NX0R123456     ");
  TSSDInfo Info({}, Disk);
  Info.ATAorSCSI = 3;
  Info.SetDeviceName("PhysicalDrive0");
  EXPECT_EQ(Info.DeviceName, "\\\\.\\PhysicalDrive0");
  EXPECT_EQ(Info.Model, "Samsung SSD 870 EVO 1TB");
  EXPECT_EQ(Info.Firmware, "1023");
  EXPECT_EQ(Info.Serial, "S5Y1NX0R123456");
  EXPECT_EQ(Info.ATAorSCSI, 1);
  EXPECT_EQ(Disk.Asked, (std::vector<std::string>{"ata \\\\.\\PhysicalDrive0"}));
}

TEST(Win32SSDInfo, ABlankOrRefusedAtaAnswerFallsBackToInquiry) {
  Platform::TPassThroughAnswer Blank = Answered();
  PutAtaString(Blank, 27, std::string(20, ' ') + std::string(20, '\0'));
  Platform::TPassThroughAnswer Refused;
  Refused.Opened = true;
  for (const auto& AtaAnswer : {Blank, Refused}) {
    TRecordedDisk Disk;
    Disk.Identify = AtaAnswer;
    Disk.InquiryAnswer = Answered();
    PutBytes(Disk.InquiryAnswer, 8, "ATA     ");
    PutBytes(Disk.InquiryAnswer, 16, "WDC WD40EFRX    ");
    PutBytes(Disk.InquiryAnswer, 32, "0A82");
    TSSDInfo Info({}, Disk);
    Info.SetDeviceName("PhysicalDrive1");
    EXPECT_EQ(Info.Model, "ATA     WDC WD40EFRX");  // the vendor's filler stays inside
    EXPECT_EQ(Info.Firmware, "0A82");
    EXPECT_EQ(Info.ATAorSCSI, 2);
    EXPECT_EQ(Disk.Asked.size(), 2u);
  }
}

TEST(Win32SSDInfo, NoUsableAnswerLeavesTheTextsEmpty) {
  Platform::TPassThroughAnswer WithSense = Answered();
  PutBytes(WithSense, 8, "VENDOR  PRODUCT");
  WithSense.Sense[0] = 0x70;
  WithSense.SenseLength = 24;
  Platform::TPassThroughAnswer Unopened;
  for (const auto& InquiryAnswer : {WithSense, Unopened}) {
    TRecordedDisk Disk;
    Disk.InquiryAnswer = InquiryAnswer;
    TSSDInfo Info({}, Disk);
    Info.ATAorSCSI = 3;
    Info.SetDeviceName("PhysicalDrive2");
    EXPECT_EQ(Info.Model, "");
    EXPECT_EQ(Info.Firmware, "");
    EXPECT_EQ(Info.ATAorSCSI, 3);
  }
}

TEST(Win32SSDInfo, ANameWithAPathInItOpensNothing) {
  for (const std::string Name : {"", "..\\..\\C:", "C:", "PhysicalDrive0\\x", "a/b"}) {
    SCOPED_TRACE(Name);
    TRecordedDisk Disk;
    Disk.Identify = Answered();
    PutAtaString(Disk.Identify, 27, "MODEL");
    TSSDInfo Info({}, Disk);
    Info.SetDeviceName(Name);
    EXPECT_EQ(Info.Model, "");
    EXPECT_TRUE(Disk.Asked.empty());
  }
}

}  // namespace
