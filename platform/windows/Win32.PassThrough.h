#pragma once

#include <windows.h>

#include <winioctl.h>

#include <ntddscsi.h>

#include <cstddef>

// The identification requests as the disk's driver takes them: a pass-through header and its
// data area in one buffer, sent and answered in place.
namespace Win32 {

// The headers hold a pointer-sized offset: 40 and 44 bytes in a 32-bit process, 48 and 56 in a
// 64-bit one. The driver checks Length against its own structure for the caller's kind, so the
// sizes come from the structures, never from constants.

// ATA_PASS_THROUGH_EX and 512 bytes of IDENTIFY DEVICE data right behind it.
struct TAtaIdentifyRequest {
  ATA_PASS_THROUGH_EX Header;
  unsigned char Data[512];
};

// SCSI_PASS_THROUGH, 32 bytes of sense and 512 bytes of INQUIRY data.
struct TScsiInquiryRequest {
  SCSI_PASS_THROUGH Header;
  unsigned char Sense[32];
  unsigned char Data[512];
};

inline constexpr std::size_t AtaIdentifyRequestSize = sizeof(ATA_PASS_THROUGH_EX) + 512;
inline constexpr std::size_t ScsiInquiryRequestSize = sizeof(SCSI_PASS_THROUGH) + 32 + 512;

// Zeroed, then filled for IDENTIFY DEVICE (0xEC) in, 512 bytes, 2 s timeout.
void BuildAtaIdentify(TAtaIdentifyRequest& Request);
// Zeroed, then filled for a standard INQUIRY (0x12) of 96 bytes, 24 bytes of sense, 2 s.
void BuildScsiInquiry(TScsiInquiryRequest& Request);

}  // namespace Win32
