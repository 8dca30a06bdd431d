// Arbitrary bytes as the answers of IDENTIFY DEVICE and INQUIRY: status, sense and data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Fuzz.Checks.h"
#include "device/Identify.Parse.h"
#include "device/uSSDInfo.h"

namespace {

// Layout of one answer in the input: 1 byte flags and status, 1 byte sense length,
// 32 bytes sense, then up to 512 bytes data.
constexpr std::size_t AnswerBytes = 2 + 32 + 512;

Platform::TPassThroughAnswer AnswerFrom(const std::uint8_t* Data, std::size_t Size) {
  Platform::TPassThroughAnswer Answer;
  std::uint8_t Bytes[AnswerBytes] = {};
  std::memcpy(Bytes, Data, std::min(Size, AnswerBytes));
  Answer.Opened = (Bytes[0] & 0x01) != 0;
  Answer.Sent = (Bytes[0] & 0x02) != 0;
  Answer.ScsiStatus = (Bytes[0] & 0x04) != 0 ? 0x02 : 0;
  Answer.HostStatus = (Bytes[0] & 0x08) != 0 ? 1 : 0;
  Answer.DriverStatus = (Bytes[0] >> 4) & 0x0F;
  Answer.SenseLength = Bytes[1];
  std::memcpy(Answer.Sense.data(), Bytes + 2, Answer.Sense.size());
  std::memcpy(Answer.Data.data(), Bytes + 34, Answer.Data.size());
  return Answer;
}

class TFuzzedRequests : public TDiskRequests {
 public:
  TFuzzedRequests(Platform::TPassThroughAnswer Ata, Platform::TPassThroughAnswer Scsi)
      : FAta(Ata), FScsi(Scsi) {}
  Platform::TPassThroughAnswer IdentifyDevice(const std::string&) const override { return FAta; }
  Platform::TPassThroughAnswer Inquiry(const std::string&) const override { return FScsi; }

 private:
  Platform::TPassThroughAnswer FAta, FScsi;
};

void RequireClean(const TIdentity& Identity) {
  for (const std::string* Field : {&Identity.Model, &Identity.Firmware, &Identity.Serial}) {
    Require(IsTrimmed(*Field) && IsLatin1AsUtf8(*Field));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const auto Ata = AnswerFrom(Data, Size);
  const auto Scsi = Size > AnswerBytes ? AnswerFrom(Data + AnswerBytes, Size - AnswerBytes)
                                       : Platform::TPassThroughAnswer{};
  RequireClean(ParseIdentifyDevice(Ata.Data));
  RequireClean(ParseInquiry(Scsi.Data));

  const TFuzzedRequests Requests(Ata, Scsi);
  TSSDInfo Info({"/nonexistent", "/nonexistent", "/nonexistent"}, Requests);
  Info.SetDeviceName("sda");
  RequireClean({Info.Model, Info.Firmware, Info.Serial});
  Require(Info.ATAorSCSI <= 2);
  Require((Info.ATAorSCSI == 0) == Info.Model.empty());
  return 0;
}
