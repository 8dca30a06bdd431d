#pragma once

#include <span>
#include <vector>

#include "analysis/Analysis.Pass.h"
#include "analysis/Analysis.Write.h"

// A phase of a pass as the speed chart draws it: a step at the phase's speed across the chart's
// X values (the share of the disk still free, in percent, as the chart's points have them).
struct TChartPhase {
  double FromX = 0.0;  // where the phase begins: the point of the write before it (the pass's
                       // first point for the first phase)
  double ToX = 0.0;    // the point of its last write
  double Speed = 0.0;  // MiB/s: the phase's throughput

  bool operator==(const TChartPhase&) const = default;
};

// The chart's X value of a write: its share of the disk still free, to two decimals.
double ChartX(const TWriteRecord& Write);

// The phases of Analysis over the pass's Writes (the ones it was made from), in order; empty
// for a pass too short to judge.
std::vector<TChartPhase> ChartPhases(std::span<const TWriteRecord> Writes,
                                     const TPassAnalysis& Analysis);
