#include "device/Mountinfo.h"

#include <cstdint>

#include "device/Sysfs.Text.h"

namespace {

// Fields are separated by exactly one space; an empty field (an empty source) stays a field.
std::vector<std::string_view> SplitFields(std::string_view Line) {
  std::vector<std::string_view> Fields;
  std::size_t Start = 0;
  for (;;) {
    const auto Space = Line.find(' ', Start);
    if (Space == std::string_view::npos) {
      Fields.push_back(Line.substr(Start));
      return Fields;
    }
    Fields.push_back(Line.substr(Start, Space - Start));
    Start = Space + 1;
  }
}

bool IsDigits(std::string_view Text) {
  if (Text.empty()) {
    return false;
  }
  for (const char Character : Text) {
    if (Character < '0' || Character > '9') {
      return false;
    }
  }
  return true;
}

bool ParseDeviceNumber(std::string_view Text, Platform::TDeviceNumber& Device) {
  const auto Colon = Text.find(':');
  if (Colon == std::string_view::npos) {
    return false;
  }
  const auto MajorText = Text.substr(0, Colon);
  const auto MinorText = Text.substr(Colon + 1);
  std::uint64_t Major = 0;
  std::uint64_t Minor = 0;
  if (!IsDigits(MajorText) || !IsDigits(MinorText) || !ParseDecimal(MajorText, Major, 0xFFFFFFFF) ||
      !ParseDecimal(MinorText, Minor, 0xFFFFFFFF)) {
    return false;
  }
  Device.Major = static_cast<unsigned>(Major);
  Device.Minor = static_cast<unsigned>(Minor);
  return true;
}

bool HasOption(std::string_view Options, std::string_view Wanted) {
  std::size_t Start = 0;
  while (Start <= Options.size()) {
    const auto Comma = Options.find(',', Start);
    const auto End = Comma == std::string_view::npos ? Options.size() : Comma;
    if (Options.substr(Start, End - Start) == Wanted) {
      return true;
    }
    Start = End + 1;
  }
  return false;
}

bool ParseLine(std::string_view Line, TMountEntry& Entry) {
  // id parent maj:min root mount-point options [optional...] - fstype source super-options
  const auto Fields = SplitFields(Line);
  if (Fields.size() < 9) {
    return false;
  }
  std::size_t Separator = 6;
  while (Separator < Fields.size() && Fields[Separator] != "-") {
    ++Separator;
  }
  if (Separator + 2 >= Fields.size() || Fields[4].empty()) {
    return false;
  }
  if (!ParseDeviceNumber(Fields[2], Entry.Device)) {
    return false;
  }
  Entry.Root = UnescapeMountField(Fields[3]);
  Entry.MountPoint = UnescapeMountField(Fields[4]);
  Entry.MountOptions = std::string(Fields[5]);
  Entry.FsType = UnescapeMountField(Fields[Separator + 1]);
  Entry.Source = UnescapeMountField(Fields[Separator + 2]);
  Entry.SuperOptions = Separator + 3 < Fields.size() ? std::string(Fields[Separator + 3]) : "";
  return true;
}

}  // namespace

bool TMountEntry::ReadOnly() const {
  return HasOption(MountOptions, "ro") || HasOption(SuperOptions, "ro");
}

std::string UnescapeMountField(std::string_view Field) {
  std::string Text;
  Text.reserve(Field.size());
  for (std::size_t Index = 0; Index < Field.size(); ++Index) {
    const auto IsOctal = [&](std::size_t At) {
      return At < Field.size() && Field[At] >= '0' && Field[At] <= '7';
    };
    if (Field[Index] == '\\' && IsOctal(Index + 1) && IsOctal(Index + 2) && IsOctal(Index + 3)) {
      const int Code =
          (Field[Index + 1] - '0') * 64 + (Field[Index + 2] - '0') * 8 + (Field[Index + 3] - '0');
      Text.push_back(static_cast<char>(Code & 0xFF));
      Index += 3;
    } else {
      Text.push_back(Field[Index]);
    }
  }
  return Text;
}

std::vector<TMountEntry> ParseMountinfo(std::string_view Text) {
  std::vector<TMountEntry> Entries;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    const auto NewLine = Text.find('\n', Start);
    const auto End = NewLine == std::string_view::npos ? Text.size() : NewLine;
    TMountEntry Entry;
    if (ParseLine(Text.substr(Start, End - Start), Entry)) {
      Entries.push_back(std::move(Entry));
    }
    Start = End + 1;
  }
  return Entries;
}

std::vector<TMountEntry> ReadMountTable(const TDeviceRoots& Roots) {
  std::string Text;
  if (!Platform::ReadSmallFile(Roots.Proc + "/self/mountinfo", Text)) {
    return {};
  }
  return ParseMountinfo(Text);
}
