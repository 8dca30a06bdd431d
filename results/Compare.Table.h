#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results/Plot.Figure.h"
#include "results/Run.Result.h"

// A run read from a result file, named for the table (usually the file's name).
struct TNamedRun {
  std::string Name;
  TRunResult Run;
};

// The change of Now against Before in percent; none when Before is not above zero.
std::optional<double> DriftPercent(double Before, double Now);

// A pass's cache size and the speed after its cache; none when it had no cache or was too short
// to judge.
std::optional<double> CacheSizeMiB(const TPassResult& Pass);
std::optional<double> PostCacheSpeed(const TPassResult& Pass);

// The drift of Pass since First for figures Figure gives: none for First itself or where either
// lacks the figure.
template <typename TFigure>
std::optional<double> DriftSince(const TPassResult& First, const TPassResult& Pass,
                                 TFigure Figure) {
  const std::optional<double> Before = Figure(First);
  const std::optional<double> Now = Figure(Pass);
  if (&Pass == &First || !Before || !Now) {
    return std::nullopt;
  }
  return DriftPercent(*Before, *Now);
}

// The key figures of every pass of every run side by side, one row a pass under a row of
// titles: the run, its drive, the pass, its mean speed, cache size, speeds in and after the
// cache and at the end, the slow share, the slowest second, how the pass ended, and two
// drifts of the mean speed: since the run's first pass (endurance) and against the same pass
// of the first run (before and after). "-" where a figure is missing.
std::string CompareTable(const std::vector<TNamedRun>& Runs);

// The curves of every pass of every run against MiB written, one colour each, for
// "varnell-cli compare --plot": a pass without its write times has no curve. Its phases'
// means are not drawn: curves of several runs are compared by their shapes.
TPlotFigure CompareFigure(const std::vector<TNamedRun>& Runs);
