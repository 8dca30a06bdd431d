#pragma once

#include <nlohmann/json.hpp>

#include "analysis/Analysis.Pass.h"

// The "analysis" object of a pass in a result file. Units are in the key names (_mib, _mib_s,
// _seconds, _c); a figure the pass does not have is null (no cache, no temperature read, no
// 10 s of writing), and a pass too short to judge has "too_short": true, every figure null and
// no phases. Numbers are written so that they read back to the same bits.
nlohmann::json AnalysisToJson(const TPassAnalysis& Analysis);

// The analysis from its object, for comparing runs. Throws nlohmann::json::exception when a key
// is missing or holds the wrong type.
TPassAnalysis AnalysisFromJson(const nlohmann::json& Object);
