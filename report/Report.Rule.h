#pragma once

#include <string>

// The line of stars that frames the blocks of a pass's report.
inline const std::string RuleLine(39, '*');
