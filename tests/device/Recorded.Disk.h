#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "device/Disk.Requests.h"

// Answers to the identification requests as a disk gives them, and what was asked.

inline Platform::TPassThroughAnswer Refused() {
  return {};
}

inline Platform::TPassThroughAnswer Answered() {
  Platform::TPassThroughAnswer Answer;
  Answer.Opened = true;
  Answer.Sent = true;
  return Answer;
}

// Writes Text into IDENTIFY words as a drive does: first character in the high byte.
inline void PutAtaString(std::array<std::uint8_t, 512>& Data, int FirstWord,
                         const std::string& Text) {
  for (std::size_t Index = 0; Index < Text.size(); ++Index) {
    const std::size_t Word = static_cast<std::size_t>(FirstWord) + Index / 2;
    Data[2 * Word + (Index % 2 == 0 ? 1 : 0)] = static_cast<std::uint8_t>(Text[Index]);
  }
}

inline Platform::TPassThroughAnswer IdentifyAnswer(const std::string& Model,
                                                   const std::string& Firmware,
                                                   const std::string& Serial) {
  Platform::TPassThroughAnswer Answer = Answered();
  PutAtaString(Answer.Data, 27, Model);
  PutAtaString(Answer.Data, 23, Firmware);
  PutAtaString(Answer.Data, 10, Serial);
  return Answer;
}

inline Platform::TPassThroughAnswer InquiryAnswer(const std::string& VendorProduct,
                                                  const std::string& Revision,
                                                  const std::string& Serial = "") {
  Platform::TPassThroughAnswer Answer = Answered();
  Answer.Data[0] = 0x00;  // direct-access block device
  std::memcpy(&Answer.Data[8], VendorProduct.data(), VendorProduct.size());
  std::memcpy(&Answer.Data[32], Revision.data(), Revision.size());
  std::memcpy(&Answer.Data[36], Serial.data(), Serial.size());
  return Answer;
}

class TRecordedRequests : public TDiskRequests {
 public:
  Platform::TPassThroughAnswer IdentifyDevice(const std::string& DevicePath) const override {
    ++AtaCalls;
    LastPath = DevicePath;
    return Ata;
  }
  Platform::TPassThroughAnswer Inquiry(const std::string& DevicePath) const override {
    ++ScsiCalls;
    LastPath = DevicePath;
    return Scsi;
  }
  Platform::TPassThroughAnswer Ata = Refused();
  Platform::TPassThroughAnswer Scsi = Refused();
  mutable int AtaCalls = 0;
  mutable int ScsiCalls = 0;
  mutable std::string LastPath;
};
