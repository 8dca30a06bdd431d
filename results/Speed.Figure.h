#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/Setting.h"
#include "results/Plot.Figure.h"

// The speed chart of a run as a picture, as the window draws it: each pass's speed (MiB/s)
// against the share of the disk still free, earlier passes faint behind the last, the line at
// half the average speed, and a caption with the drive, the date and the settings.
// Passes are in order, the last being the current one; DateText is the test's start
// ("2026/12/10 12:13").
TPlotFigure SpeedChartFigure(std::vector<TPlotCurve> Passes, const TSetting& Setting,
                             const std::string& DateText, std::optional<double> HalfAverage);
