#include "platform/windows/Win32.PassThrough.h"

#include <cstddef>
#include <cstring>

namespace Win32 {

// No padding anywhere: the data areas follow their headers directly.
static_assert(sizeof(ATA_PASS_THROUGH_EX) == (sizeof(void*) == 8 ? 48 : 40));
static_assert(sizeof(SCSI_PASS_THROUGH) == (sizeof(void*) == 8 ? 56 : 44));
static_assert(sizeof(TAtaIdentifyRequest) == AtaIdentifyRequestSize);
static_assert(sizeof(TScsiInquiryRequest) == ScsiInquiryRequestSize);
static_assert(offsetof(TAtaIdentifyRequest, Data) == sizeof(ATA_PASS_THROUGH_EX));
static_assert(offsetof(TScsiInquiryRequest, Sense) == sizeof(SCSI_PASS_THROUGH));
static_assert(offsetof(TScsiInquiryRequest, Data) == sizeof(SCSI_PASS_THROUGH) + 32);

void BuildAtaIdentify(TAtaIdentifyRequest& Request) {
  std::memset(&Request, 0, sizeof Request);
  ATA_PASS_THROUGH_EX& Header = Request.Header;
  Header.Length = sizeof(ATA_PASS_THROUGH_EX);
  Header.AtaFlags = ATA_FLAGS_DATA_IN;
  Header.DataTransferLength = sizeof Request.Data;
  Header.TimeOutValue = 2;
  Header.DataBufferOffset = offsetof(TAtaIdentifyRequest, Data);
  Header.CurrentTaskFile[6] = 0xEC;  // command register: IDENTIFY DEVICE
}

void BuildScsiInquiry(TScsiInquiryRequest& Request) {
  std::memset(&Request, 0, sizeof Request);
  SCSI_PASS_THROUGH& Header = Request.Header;
  Header.Length = sizeof(SCSI_PASS_THROUGH);
  Header.TargetId = 1;
  Header.CdbLength = 12;
  Header.SenseInfoLength = 24;
  Header.DataIn = SCSI_IOCTL_DATA_IN;
  Header.DataTransferLength = sizeof Request.Data;
  Header.TimeOutValue = 2;
  Header.DataBufferOffset = offsetof(TScsiInquiryRequest, Data);
  Header.SenseInfoOffset = offsetof(TScsiInquiryRequest, Sense);
  Header.Cdb[0] = 0x12;  // INQUIRY, standard data
  Header.Cdb[4] = 96;    // allocation length
}

}  // namespace Win32
