#include "device/Sysfs.Text.h"

#include "platform/Device.Backend.h"

bool ParseDecimal(std::string_view Text, std::uint64_t& Value, std::uint64_t Limit) {
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ' || Text.back() == '\t')) {
    Text.remove_suffix(1);
  }
  if (Text.empty()) {
    return false;
  }
  std::uint64_t Result = 0;
  for (const char Character : Text) {
    if (Character < '0' || Character > '9') {
      return false;
    }
    const auto Digit = static_cast<std::uint64_t>(Character - '0');
    if (Digit > Limit || Result > (Limit - Digit) / 10) {  // Limit - Digit must not wrap
      return false;
    }
    Result = Result * 10 + Digit;
  }
  Value = Result;
  return true;
}

bool ReadAttribute(const std::string& Path, std::string& Value) {
  // Attributes are at most a page; anything larger is not an attribute.
  if (!Platform::ReadSmallFile(Path, Value, 64 * 1024)) {
    return false;
  }
  if (!Value.empty() && Value.back() == '\n') {
    Value.pop_back();
  }
  return true;
}

bool ReadDecimalAttribute(const std::string& Path, std::uint64_t& Value, std::uint64_t Limit) {
  std::string Text;
  return ReadAttribute(Path, Text) && ParseDecimal(Text, Value, Limit);
}

std::string BaseName(std::string_view Path) {
  while (!Path.empty() && Path.back() == '/') {
    Path.remove_suffix(1);
  }
  const auto Slash = Path.rfind('/');
  return std::string(Slash == std::string_view::npos ? Path : Path.substr(Slash + 1));
}

std::string ParentPath(std::string_view Path) {
  while (!Path.empty() && Path.back() == '/') {
    Path.remove_suffix(1);
  }
  const auto Slash = Path.rfind('/');
  return Slash == std::string_view::npos ? std::string() : std::string(Path.substr(0, Slash));
}

bool IsSafeDeviceName(std::string_view Name) {
  return !Name.empty() && Name != "." && Name != ".." && Name.find('/') == std::string_view::npos &&
         Name.find('\0') == std::string_view::npos;
}
