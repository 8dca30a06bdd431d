#pragma once

#include <string>

namespace Platform {

// The user's decimal separator (LC_NUMERIC of the environment), e.g. "." or ",".
std::string LocaleDecimalSeparator();

// The system's text for an error code (errno on Linux).
std::string SystemErrorText(int Code);

}  // namespace Platform
