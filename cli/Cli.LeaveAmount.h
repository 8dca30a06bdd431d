#pragma once

#include <cstdint>
#include <string>

#include "engine/Setting.h"

// The free space to leave, as typed after --leave: "10GiB", "500MiB", "5%", "1.5GiB"; never
// negative.
// A whole amount keeps its unit, so that the setting is the one the settings window makes. A
// decimal amount of GiB or MiB becomes whole MiB, rounded down (1.5GiB leaves 1536 MiB);
// percent stays whole. Returns what is wrong, or an empty text when ToLeft and Unit are set.
std::string ParseLeaveAmount(const std::string& Text, std::int64_t& ToLeft, TLeftUnit& Unit);
