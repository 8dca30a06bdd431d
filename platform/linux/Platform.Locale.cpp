#include "platform/Platform.Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

namespace Platform {

std::string LocaleDecimalSeparator() {
  // Ask the environment's LC_NUMERIC without switching the process locale, which would
  // change how every other number in the program is printed and parsed.
  locale_t User = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (User == static_cast<locale_t>(nullptr)) {
    return ".";
  }
  const char* Separator = nl_langinfo_l(RADIXCHAR, User);
  std::string Result = (Separator != nullptr && *Separator != '\0') ? Separator : ".";
  freelocale(User);
  return Result;
}

std::string SystemErrorText(int Code) {
  char Buffer[256] = {};
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* Text = strerror_r(Code, Buffer, sizeof Buffer);
  return Text != nullptr ? std::string(Text) : std::string();
}

}  // namespace Platform
