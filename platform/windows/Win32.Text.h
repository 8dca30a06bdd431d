#pragma once

#include <string>
#include <string_view>

// The core holds text as UTF-8; Win32 wide calls take UTF-16. Conversions happen only here, at
// that boundary. Embedded NULs are kept (the drive string list is a series of NUL-ended paths).
namespace Win32 {

std::wstring Widen(std::string_view Text);
std::string Narrow(std::wstring_view Text);

}  // namespace Win32
