#pragma once

#include <cstdio>
#include <string>
#include <vector>

// "varnell-cli analyze FILE...": the analysis of every pass in saved per-write CSV files, as the
// report lines of a pass (Json false) or as one JSON document with an "analysis" object per
// pass. Every file is read and parsed before anything is printed, so a bad file prints nothing
// but its error. Returns the exit code: done, or bad arguments for a file that cannot be read or
// parsed (the message names the file and the line).
int RunAnalyze(const std::vector<std::string>& Files, bool Json, std::FILE* Output,
               std::FILE* Errors);
