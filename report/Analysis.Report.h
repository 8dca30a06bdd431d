#pragma once

#include <string>
#include <vector>

#include "analysis/Analysis.Pass.h"

// The report lines of a pass's analysis, in the style of the summary they follow: Korean
// "이름 : 값" lines, speeds in whole MiB/s, decimals with DecimalSeparator. A pass long enough to
// judge gets a titled block that closes with the rule line; a pass too short to judge gets one
// line saying so.
std::vector<std::string> AnalysisReportLines(const TPassAnalysis& Analysis,
                                             const std::string& DecimalSeparator);
