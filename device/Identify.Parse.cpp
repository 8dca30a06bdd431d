#include "device/Identify.Parse.h"

namespace {

std::string BytesText(const std::array<std::uint8_t, 512>& Data, std::size_t First,
                      std::size_t Last) {
  std::string Text;
  for (std::size_t Index = First; Index <= Last; ++Index) {
    AppendByteAsCharacter(Text, Data[Index]);
  }
  return Text;
}

constexpr std::uint16_t DriverSense = 0x08;  // "sense data follows", not an error by itself

}  // namespace

std::string TrimControl(std::string_view Text) {
  // Bytes of a multi-byte UTF-8 character are all above 127, so trimming bytes is trimming
  // characters.
  const auto IsBlank = [](char Character) { return static_cast<unsigned char>(Character) <= 32; };
  while (!Text.empty() && IsBlank(Text.front())) {
    Text.remove_prefix(1);
  }
  while (!Text.empty() && IsBlank(Text.back())) {
    Text.remove_suffix(1);
  }
  return std::string(Text);
}

void AppendByteAsCharacter(std::string& Text, std::uint8_t Byte) {
  if (Byte < 0x80) {
    Text.push_back(static_cast<char>(Byte));
  } else {
    Text.push_back(static_cast<char>(0xC0 | (Byte >> 6)));
    Text.push_back(static_cast<char>(0x80 | (Byte & 0x3F)));
  }
}

std::string IdentifyWordsText(const std::array<std::uint8_t, 512>& Data, int FirstWord,
                              int LastWord) {
  std::string Text;
  for (int Word = FirstWord; Word <= LastWord && Word >= 0 && Word < 256; ++Word) {
    AppendByteAsCharacter(Text, Data[static_cast<std::size_t>(2 * Word + 1)]);
    AppendByteAsCharacter(Text, Data[static_cast<std::size_t>(2 * Word)]);
  }
  return Text;
}

TIdentity ParseIdentifyDevice(const std::array<std::uint8_t, 512>& Data) {
  return {TrimControl(IdentifyWordsText(Data, 27, 46)),
          TrimControl(IdentifyWordsText(Data, 23, 26)),
          TrimControl(IdentifyWordsText(Data, 10, 19))};
}

TIdentity ParseInquiry(const std::array<std::uint8_t, 512>& Data) {
  return {TrimControl(BytesText(Data, 8, 31)), TrimControl(BytesText(Data, 32, 35)),
          TrimControl(BytesText(Data, 36, 43))};
}

bool IsAnswerUsable(const Platform::TPassThroughAnswer& Answer) {
  return Answer.Sent && Answer.ScsiStatus == 0 && Answer.HostStatus == 0 &&
         (Answer.DriverStatus & ~DriverSense) == 0 && Answer.SenseLength == 0 &&
         Answer.Sense[0] == 0;
}

bool IsAtaAnswerUsable(const Platform::TPassThroughAnswer& Answer) {
  if (IsAnswerUsable(Answer)) {
    return true;
  }
  constexpr std::uint8_t CheckCondition = 0x02;
  if (!Answer.Sent || Answer.HostStatus != 0 || Answer.SenseLength < 3 ||
      (Answer.ScsiStatus != 0 && Answer.ScsiStatus != CheckCondition)) {
    return false;
  }
  const std::uint8_t ResponseCode = Answer.Sense[0] & 0x7F;
  std::uint8_t SenseKey = 0xFF;
  if (ResponseCode == 0x72 || ResponseCode == 0x73) {
    SenseKey = Answer.Sense[1] & 0x0F;  // descriptor format
  } else if (ResponseCode == 0x70 || ResponseCode == 0x71) {
    SenseKey = Answer.Sense[2] & 0x0F;  // fixed format
  }
  constexpr std::uint8_t NoSense = 0x0;
  constexpr std::uint8_t RecoveredError = 0x1;
  return SenseKey == NoSense || SenseKey == RecoveredError;
}
