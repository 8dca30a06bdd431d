#pragma once

#include <string>

// The line of stars that closes a block of report lines (the header, a summary, an analysis).
inline const std::string RuleLine(39, '*');
