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

// The key figures of one pass of a run, as the comparison shows them; none where missing.
struct TCompareRow {
  std::string Run;
  std::string Drive;  // the model, else the folder
  std::int32_t Pass = 0;
  double Throughput = 0.0;         // MiB/s: written over the time it took, closes included
  std::int64_t MeanSpeed = 0;      // MiB/s, as the summary's line
  bool Judged = false;             // long enough to judge: the analysis' figures are known
  std::optional<double> CacheMiB;  // none without a cache
  std::optional<double> InCacheSpeed;
  std::optional<double> PostCacheSpeed;
  std::optional<double> LastSpeed;
  double SlowSharePct = 0.0;
  std::optional<double> Slowest1sSpeed;
  std::string End;                      // "completed", "cancelled", "failed"
  std::optional<double> DriftPct;       // throughput since the run's first pass
  std::optional<double> VsFirstRunPct;  // against the same pass of the first run
};

// A row for every pass of every run, in order.
std::vector<TCompareRow> CompareRows(const std::vector<TNamedRun>& Runs);

// The key figures of every pass of every run side by side, one row a pass under a row of
// titles: the run, its drive, the pass, its throughput and mean speed, cache size, speeds in and
// after the cache and at the end, the slow share, the slowest second, how the pass ended, and
// two drifts of the throughput: since the run's first pass (endurance) and against the same pass
// of the first run (before and after). "-" where a figure is missing.
std::string CompareTable(const std::vector<TNamedRun>& Runs);

// The same rows as CSV for a spreadsheet (RFC 4180: CR LF line ends, a header line, cells with
// a comma, quote or line end quoted, quotes doubled): numbers with a "." and without units (MiB,
// MiB/s and percent as the column names say), speeds and percentages to one decimal, empty
// where a figure is missing; cache_mib is 0 for a judged pass without a cache. A text cell that
// begins like a formula gets a leading apostrophe.
std::string CompareCsv(const std::vector<TNamedRun>& Runs);

// One cell of such a CSV.
std::string CsvCell(const std::string& Text);

// The curves of every pass of every run against MiB written, one colour each, for
// "varnell-cli compare --plot": a pass without its write times has no curve. Its phases'
// means are not drawn: curves of several runs are compared by their shapes.
TPlotFigure CompareFigure(const std::vector<TNamedRun>& Runs);
