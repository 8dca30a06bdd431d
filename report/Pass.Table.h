#pragma once

#include <string>
#include <vector>

#include "results/Run.Result.h"

// The key figures of every pass so far, one line a pass, for an endurance run: the mean speed,
// the cache size, the speed after the cache and the slow share, each change since pass 1 in
// brackets (the drift). Korean "이름 : 값" lines under a title, closed by the rule line, with
// DecimalSeparator in decimals. Empty without passes.
std::vector<std::string> PassTableLines(const std::vector<TPassResult>& Passes,
                                        const std::string& DecimalSeparator);
