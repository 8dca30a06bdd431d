#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/Setting.h"
#include "results/Chart.Phases.h"
#include "results/Plot.Figure.h"

// Earlier passes drawn faint behind the current one, on the window's chart and in pictures:
// enough to see a drift, few enough to read.
inline constexpr std::size_t EarlierPassesShown = 3;

// The speed chart of a run as a picture, as the window draws it: each pass's speed (MiB/s)
// against the share of the disk still free, earlier passes faint behind the last, the line at
// half the average speed, and a caption with the drive, the date and the settings.
// Passes are in order, the last being the current one; DateText is the test's start
// ("2026/12/10 12:13"). Reads, when it has points, is the current pass's read-back, drawn
// after it.
TPlotFigure SpeedChartFigure(std::vector<TPlotCurve> Passes, const TSetting& Setting,
                             const std::string& DateText, std::optional<double> HalfAverage,
                             TPlotCurve Reads = {});

// A pass's phases as the chart's steps, each labelled with its speed in whole MiB/s
// ("412 MiB/s"), as the window labels them.
std::vector<TPlotStep> PhaseSteps(const std::vector<TChartPhase>& Phases);
