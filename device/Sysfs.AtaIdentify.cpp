#include "device/Sysfs.AtaIdentify.h"

#include "device/Sysfs.Text.h"
#include "platform/Device.Backend.h"

namespace {

constexpr std::size_t Words = 256;

int HexDigit(char Character) {
  if (Character >= '0' && Character <= '9') {
    return Character - '0';
  }
  if (Character >= 'a' && Character <= 'f') {
    return Character - 'a' + 10;
  }
  if (Character >= 'A' && Character <= 'F') {
    return Character - 'A' + 10;
  }
  return -1;
}

bool IsSpace(char Character) {
  return Character == ' ' || Character == '\n' || Character == '\t';
}

bool IsDigits(std::string_view Text) {
  return !Text.empty() && Text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "ata3": a libata port.
bool IsPortName(std::string_view Name) {
  return Name.size() > 3 && Name.substr(0, 3) == "ata" && IsDigits(Name.substr(3));
}

// "0:0:1:0" (host, channel, target, lun) -> channel "0", target "1"; false for anything else.
bool ScsiChannelAndTarget(std::string_view Name, std::string& Channel, std::string& Target) {
  std::string_view Parts[4];
  for (std::size_t Index = 0; Index < 4; ++Index) {
    const auto Colon = Name.find(':');
    if ((Colon == std::string_view::npos) != (Index == 3)) {
      return false;
    }
    Parts[Index] = Name.substr(0, Colon);
    if (!IsDigits(Parts[Index])) {
      return false;
    }
    Name.remove_prefix(Colon == std::string_view::npos ? Name.size() : Colon + 1);
  }
  Channel = Parts[1];
  Target = Parts[2];
  return true;
}

}  // namespace

std::optional<std::array<std::uint8_t, 512>> ParseAtaIdentifyText(std::string_view Text) {
  std::array<std::uint8_t, 512> Data{};
  std::size_t Word = 0;
  std::size_t Index = 0;
  while (Index < Text.size()) {
    if (IsSpace(Text[Index])) {
      ++Index;
      continue;
    }
    if (Word == Words || Index + 4 > Text.size()) {
      return std::nullopt;
    }
    unsigned Value = 0;
    for (std::size_t Digit = 0; Digit < 4; ++Digit) {
      const int Nibble = HexDigit(Text[Index + Digit]);
      if (Nibble < 0) {
        return std::nullopt;
      }
      Value = Value * 16 + static_cast<unsigned>(Nibble);
    }
    Index += 4;
    if (Index < Text.size() && !IsSpace(Text[Index])) {
      return std::nullopt;  // a word of more than four digits
    }
    Data[2 * Word] = static_cast<std::uint8_t>(Value & 0xFF);
    Data[2 * Word + 1] = static_cast<std::uint8_t>(Value >> 8);
    ++Word;
  }
  if (Word != Words) {
    return std::nullopt;
  }
  return Data;
}

std::optional<std::array<std::uint8_t, 512>> ReadAtaIdentifyOfDevice(
    const std::string& DeviceFolder) {
  // The port (ataN) is a parent of the SCSI host that libata registers for it.
  std::string Port = ParentPath(DeviceFolder);
  while (!Port.empty() && !IsPortName(BaseName(Port))) {
    Port = ParentPath(Port);
  }
  const std::string PortName = BaseName(Port);
  std::string Channel;
  std::string Target;
  if (Port.empty() || !ScsiChannelAndTarget(BaseName(DeviceFolder), Channel, Target)) {
    return std::nullopt;
  }
  const std::string Number = PortName.substr(3);
  // A disk on the port's own link is SCSI target "devno" (dev1.0, dev1.1 for a PATA slave);
  // one behind a port multiplier is SCSI channel "pmp" port (link1.2/dev1.2.0).
  const std::string Device = "dev" + Number + "." + Target;
  const std::string PmpDevice = "dev" + Number + "." + Channel + ".0";
  for (const std::string& Path :
       {Port + "/link" + Number + "/" + Device + "/ata_device/" + Device + "/id",
        Port + "/link" + Number + "." + Channel + "/" + PmpDevice + "/ata_device/" + PmpDevice +
            "/id"}) {
    std::string Text;
    if (ReadAttribute(Path, Text)) {
      if (auto Data = ParseAtaIdentifyText(Text)) {
        return Data;
      }
    }
  }
  return std::nullopt;
}
