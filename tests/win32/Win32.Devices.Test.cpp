#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"
#include "platform/windows/Win32.PassThrough.h"
#include "report/Report.TempFolder.h"
#include "report/Tester.DiskQuery.h"

namespace {

// Under wine: drives C: (the prefix) and Z: (the Unix root) are fixed disks; the volume and
// disk requests are not answered. The logic over real answers is tested with recorded ones.

TEST(Win32Drives, TheSystemsDrivesAreListedAsLetterAndColon) {
  TDriveLetters Drives;
  GetDriveLetters(Drives);
  ASSERT_GE(Drives.LetterCount, 1);
  std::set<std::string> Seen;
  for (std::size_t Index = 0; Index < Drives.LetterCount; ++Index) {
    const std::string& Letter = Drives.Letters[Index];
    SCOPED_TRACE(Letter);
    ASSERT_EQ(Letter.size(), 2u);
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(Letter[0])));
    EXPECT_EQ(Letter[1], ':');
    EXPECT_TRUE(Seen.insert(Letter).second);
  }
  EXPECT_TRUE(Seen.count("C:")) << "the system drive is fixed";
  EXPECT_EQ(Drives.Letters[Drives.LetterCount], "");
}

TEST(Win32Drives, UnansweredOrMissingVolumesNameNoDisk) {
  TTempFolder Folder;
  for (const std::string& Drive : {Folder.Path() + "\\", std::string("C:"), std::string("B:")}) {
    SCOPED_TRACE(Drive);
    TVolumeDiskExtents Extents;
    GetVolumeExtents(Drive, Extents);
    EXPECT_EQ(Extents.NumberOfDiskExtents, Extents.Extents.size());
  }
  // The report then prints no model and no other disk's size.
  const TDiskIdentity Disk = QueryDiskOfVolume(Folder.Path() + "\\");
  if (Disk.SizeInByte == 0) {
    EXPECT_EQ(Disk.Model, "");
  }
}

TEST(Win32Drives, ADiskThatDoesNotExistHasNoSizeAndNoModel) {
  EXPECT_EQ(GetDiskSize("99"), 0);
  EXPECT_EQ(GetDiskSize("PhysicalDrive99"), 0);
  TSSDInfo Info;
  Info.ATAorSCSI = 3;
  Info.SetDeviceName("PhysicalDrive99");
  EXPECT_EQ(Info.DeviceName, "\\\\.\\PhysicalDrive99");
  EXPECT_EQ(Info.Model, "");
  EXPECT_EQ(Info.ATAorSCSI, 3);
}

TEST(Win32PassThrough, IdentifyDeviceRequest) {
  Win32::TAtaIdentifyRequest Request;
  std::memset(&Request, 0xAA, sizeof Request);  // nothing stale may survive
  Win32::BuildAtaIdentify(Request);
  const ATA_PASS_THROUGH_EX& Header = Request.Header;
  EXPECT_EQ(Header.Length, sizeof(ATA_PASS_THROUGH_EX));
  EXPECT_EQ(Header.AtaFlags, ATA_FLAGS_DATA_IN);
  EXPECT_EQ(Header.PathId + Header.TargetId + Header.Lun, 0);
  EXPECT_EQ(Header.DataTransferLength, 512u);
  EXPECT_EQ(Header.TimeOutValue, 2u);
  EXPECT_EQ(Header.DataBufferOffset, sizeof(ATA_PASS_THROUGH_EX));
  for (int Register = 0; Register < 8; ++Register) {
    EXPECT_EQ(Header.PreviousTaskFile[Register], 0);
    EXPECT_EQ(Header.CurrentTaskFile[Register], Register == 6 ? 0xEC : 0) << Register;
  }
  EXPECT_EQ(sizeof Request, Win32::AtaIdentifyRequestSize);
  for (const unsigned char Byte : Request.Data) {
    ASSERT_EQ(Byte, 0);
  }
}

TEST(Win32PassThrough, InquiryRequest) {
  Win32::TScsiInquiryRequest Request;
  std::memset(&Request, 0xAA, sizeof Request);
  Win32::BuildScsiInquiry(Request);
  const SCSI_PASS_THROUGH& Header = Request.Header;
  EXPECT_EQ(Header.Length, sizeof(SCSI_PASS_THROUGH));
  EXPECT_EQ(Header.ScsiStatus, 0);
  EXPECT_EQ(Header.PathId, 0);
  EXPECT_EQ(Header.TargetId, 1);
  EXPECT_EQ(Header.Lun, 0);
  EXPECT_EQ(Header.CdbLength, 12);
  EXPECT_EQ(Header.SenseInfoLength, 24);
  EXPECT_EQ(Header.DataIn, SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(Header.DataTransferLength, 512u);
  EXPECT_EQ(Header.TimeOutValue, 2u);
  EXPECT_EQ(Header.SenseInfoOffset, sizeof(SCSI_PASS_THROUGH));
  EXPECT_EQ(Header.DataBufferOffset, sizeof(SCSI_PASS_THROUGH) + 32);
  for (int Byte = 0; Byte < 16; ++Byte) {
    EXPECT_EQ(Header.Cdb[Byte], Byte == 0 ? 0x12 : Byte == 4 ? 96 : 0) << Byte;
  }
  EXPECT_EQ(sizeof Request, Win32::ScsiInquiryRequestSize);
}

}  // namespace
