#include "platform/Platform.Locale.h"

#include <windows.h>

#include "platform/windows/Win32.Text.h"

namespace Platform {

std::string LocaleDecimalSeparator() {
  wchar_t Separator[8] = {};
  const int Length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, Separator, 8);
  if (Length <= 1) {
    return ".";
  }
  return Win32::Narrow(std::wstring_view(Separator, static_cast<std::size_t>(Length - 1)));
}

std::string SystemErrorText(int Code) {
  wchar_t* Text = nullptr;
  const DWORD Length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(Code), 0, reinterpret_cast<wchar_t*>(&Text), 0, nullptr);
  if (Length == 0 || Text == nullptr) {
    return "Error " + std::to_string(static_cast<unsigned long>(static_cast<DWORD>(Code)));
  }
  std::wstring_view View(Text, Length);
  // The system's texts end with a line break; a log line must not.
  while (!View.empty() && (View.back() == L'\r' || View.back() == L'\n' || View.back() == L' ')) {
    View.remove_suffix(1);
  }
  std::string Result = Win32::Narrow(View);
  LocalFree(Text);
  return Result;
}

}  // namespace Platform
