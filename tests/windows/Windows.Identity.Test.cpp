#include "device/windows/Windows.Identity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Recorded.Volumes.h"

namespace {

constexpr std::uint32_t BusTypeSata = 0x0B, BusTypeNvme = 0x11, BusTypeUsb = 0x07;

void PutDword(std::vector<std::uint8_t>& Bytes, std::size_t At, std::uint32_t Value) {
  for (std::size_t Byte = 0; Byte < 4; ++Byte) {
    Bytes[At + Byte] = static_cast<std::uint8_t>(Value >> (8 * Byte));
  }
}

// STORAGE_DEVICE_DESCRIPTOR as the system writes it: the fixed part, then each string that is
// present with its NUL; an absent string has offset 0.
std::vector<std::uint8_t> Descriptor(const std::string& Vendor, const std::string& Product,
                                     const std::string& Revision, const std::string& Serial,
                                     std::uint32_t BusType, bool Removable) {
  std::vector<std::uint8_t> Bytes(40, 0);
  PutDword(Bytes, 0, 40);  // Version: the structure's size
  Bytes[8] = 0x00;         // direct-access device
  Bytes[10] = Removable ? 1 : 0;
  const std::pair<std::size_t, const std::string*> Strings[] = {
      {12, &Vendor}, {16, &Product}, {20, &Revision}, {24, &Serial}};
  for (const auto& [OffsetAt, Text] : Strings) {
    if (Text->empty()) {
      continue;
    }
    PutDword(Bytes, OffsetAt, static_cast<std::uint32_t>(Bytes.size()));
    Bytes.insert(Bytes.end(), Text->begin(), Text->end());
    Bytes.push_back(0);
  }
  PutDword(Bytes, 28, BusType);
  PutDword(Bytes, 4, static_cast<std::uint32_t>(Bytes.size()));
  return Bytes;
}

Platform::TStoragePropertyAnswer Answered(std::vector<std::uint8_t> Bytes) {
  return {true, true, std::move(Bytes)};
}

TEST(WindowsStorageDescriptor, StringsBusAndRemovableMedia) {
  const auto Nvme = ParseStorageDeviceDescriptor(Descriptor(
      "", "Samsung SSD 980 PRO 1TB", "5B2QGXA7", "0025_388B_11B2_C3D4.", BusTypeNvme, false));
  ASSERT_TRUE(Nvme.has_value());
  EXPECT_EQ(Nvme->Vendor, "");
  EXPECT_EQ(Nvme->Product, "Samsung SSD 980 PRO 1TB");
  EXPECT_EQ(Nvme->Revision, "5B2QGXA7");
  EXPECT_EQ(Nvme->Serial, "0025_388B_11B2_C3D4.");
  EXPECT_EQ(Nvme->BusType, BusTypeNvme);
  EXPECT_FALSE(Nvme->RemovableMedia);

  const auto Usb = ParseStorageDeviceDescriptor(
      Descriptor("SanDisk ", "Cruzer Blade    ", "1.00", "  4C530001\xb5  ", BusTypeUsb, true));
  ASSERT_TRUE(Usb.has_value());
  EXPECT_EQ(Usb->Vendor, "SanDisk");
  EXPECT_EQ(Usb->Product, "Cruzer Blade");
  EXPECT_EQ(Usb->Serial, "4C530001\xc2\xb5");  // a byte above 127 is its Latin-1 character
  EXPECT_TRUE(Usb->RemovableMedia);
}

TEST(WindowsStorageDescriptor, BrokenAnswersGiveWhatCanBeRead) {
  std::vector<std::uint8_t> Bytes =
      Descriptor("ATA", "ST2000DM008", "0001", "ZFL1", BusTypeSata, false);
  EXPECT_FALSE(ParseStorageDeviceDescriptor({Bytes.begin(), Bytes.begin() + 35}).has_value());
  EXPECT_FALSE(ParseStorageDeviceDescriptor({}).has_value());

  std::vector<std::uint8_t> OutOfRange = Bytes;
  PutDword(OutOfRange, 16, 100000);  // product beyond the answer
  PutDword(OutOfRange, 12, 8);       // vendor inside the fixed part
  const auto Broken = ParseStorageDeviceDescriptor(OutOfRange);
  ASSERT_TRUE(Broken.has_value());
  EXPECT_EQ(Broken->Vendor, "");
  EXPECT_EQ(Broken->Product, "");
  EXPECT_EQ(Broken->Revision, "0001");

  Bytes.pop_back();  // the serial's NUL cut off: the string ends with the answer
  EXPECT_EQ(ParseStorageDeviceDescriptor(Bytes)->Serial, "ZFL1");
}

TEST(WindowsStorageDescriptor, BusTypes) {
  const std::pair<std::uint32_t, TDriveBus> Cases[] = {
      {0x00, TDriveBus::Unknown}, {0x01, TDriveBus::Scsi}, {0x02, TDriveBus::Sata},
      {0x03, TDriveBus::Sata},    {0x06, TDriveBus::Scsi}, {0x07, TDriveBus::Usb},
      {0x08, TDriveBus::Other},   {0x0A, TDriveBus::Scsi}, {0x0B, TDriveBus::Sata},
      {0x0C, TDriveBus::Mmc},     {0x0D, TDriveBus::Mmc},  {0x0E, TDriveBus::Other},
      {0x0F, TDriveBus::Loop},    {0x11, TDriveBus::Nvme}, {0x7F, TDriveBus::Other},
  };
  for (const auto& [BusType, Bus] : Cases) {
    EXPECT_EQ(BusOfStorageBusType(BusType), Bus) << BusType;
  }
}

TEST(WindowsSeekPenalty, ADiskThatPaysForSeekingRotates) {
  EXPECT_EQ(ParseIncursSeekPenalty({12, 0, 0, 0, 12, 0, 0, 0, 1, 0, 0, 0}), true);
  EXPECT_EQ(ParseIncursSeekPenalty({12, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0}), false);
  EXPECT_EQ(ParseIncursSeekPenalty({12, 0, 0, 0, 12, 0, 0, 0}), std::nullopt);
}

TEST(WindowsIdentity, TheFirstDiskUnderTheDrivesVolumeDescribed) {
  TRecordedVolumes System;
  System.Extents = {{"\\\\.\\D:", {true, true, {{3, 0, 100}, {1, 0, 200}, {3, 300, 100}}}}};
  System.Geometries = {{"\\\\.\\PhysicalDrive3", {true, true, 512, 1000204886016}}};
  System.Properties = {
      {{"\\\\.\\PhysicalDrive3", StorageDevicePropertyId},
       Answered(Descriptor("", "Samsung SSD 980 PRO 1TB", "5B2QGXA7", "S5GX", BusTypeNvme, false))},
      {{"\\\\.\\PhysicalDrive3", StorageDeviceSeekPenaltyPropertyId},
       Answered({12, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0})}};
  const TDriveIdentity Identity = DescribeWindowsDrive(System, "D:\\tests\\");
  EXPECT_EQ(Identity.Folder, "D:\\tests\\");
  EXPECT_EQ(Identity.Device, "\\\\.\\D:");
  EXPECT_EQ(Identity.Disk, "\\\\.\\PhysicalDrive3");
  EXPECT_EQ(Identity.DiskName, "PhysicalDrive3");
  EXPECT_EQ(Identity.Disks, (std::vector<std::string>{"PhysicalDrive3", "PhysicalDrive1"}));
  EXPECT_EQ(Identity.Model, "Samsung SSD 980 PRO 1TB");
  EXPECT_EQ(Identity.Firmware, "5B2QGXA7");
  EXPECT_EQ(Identity.Serial, "S5GX");
  EXPECT_EQ(Identity.Bus, TDriveBus::Nvme);
  EXPECT_EQ(Identity.Rotational, false);
  EXPECT_EQ(Identity.SizeInByte, 1000204886016);
  EXPECT_EQ(Identity.ReportModel, "");  // the requests are the caller's
  EXPECT_EQ(System.Asked,
            (std::vector<std::string>{
                "target D:", "extents \\\\.\\D:", "geometry \\\\.\\PhysicalDrive3",
                "property 0 \\\\.\\PhysicalDrive3", "property 7 \\\\.\\PhysicalDrive3"}));
}

TEST(WindowsIdentity, UnansweredQueriesLeaveTheFieldsUnknown) {
  TRecordedVolumes System;
  System.Extents = {{"\\\\.\\C:", {true, true, {{0, 0, 100}}}}};
  System.Properties = {{{"\\\\.\\PhysicalDrive0", StorageDevicePropertyId}, {true, false, {}}}};
  const TDriveIdentity Disk = DescribeWindowsDrive(System, "C:");
  EXPECT_EQ(Disk.DiskName, "PhysicalDrive0");
  EXPECT_EQ(Disk.Model, "");
  EXPECT_EQ(Disk.Bus, TDriveBus::Unknown);
  EXPECT_EQ(Disk.Rotational, std::nullopt);
  EXPECT_EQ(Disk.SizeInByte, 0);

  for (const std::string Folder : {"Q:\\", "\\\\server\\share\\", ""}) {
    SCOPED_TRACE(Folder);
    TRecordedVolumes Empty;
    const TDriveIdentity None = DescribeWindowsDrive(Empty, Folder);
    EXPECT_EQ(None.Folder, Folder);
    EXPECT_EQ(None.DiskName, "");
    EXPECT_EQ(None.Disk, "");
    for (const std::string& Asked : Empty.Asked) {
      EXPECT_EQ(Asked.find("property"), std::string::npos) << Asked;
    }
  }
}

}  // namespace
