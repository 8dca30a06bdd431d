#include "platform/windows/Win32.Text.h"

#include <windows.h>

#include <climits>

namespace Win32 {

std::wstring Widen(std::string_view Text) {
  if (Text.empty() || Text.size() > INT_MAX) {
    return {};
  }
  const int Length = static_cast<int>(Text.size());
  const int Needed = MultiByteToWideChar(CP_UTF8, 0, Text.data(), Length, nullptr, 0);
  std::wstring Result(static_cast<std::size_t>(Needed > 0 ? Needed : 0), L'\0');
  if (Needed > 0) {
    MultiByteToWideChar(CP_UTF8, 0, Text.data(), Length, Result.data(), Needed);
  }
  return Result;
}

std::string Narrow(std::wstring_view Text) {
  if (Text.empty() || Text.size() > INT_MAX) {
    return {};
  }
  const int Length = static_cast<int>(Text.size());
  const int Needed =
      WideCharToMultiByte(CP_UTF8, 0, Text.data(), Length, nullptr, 0, nullptr, nullptr);
  std::string Result(static_cast<std::size_t>(Needed > 0 ? Needed : 0), '\0');
  if (Needed > 0) {
    WideCharToMultiByte(CP_UTF8, 0, Text.data(), Length, Result.data(), Needed, nullptr, nullptr);
  }
  return Result;
}

}  // namespace Win32
