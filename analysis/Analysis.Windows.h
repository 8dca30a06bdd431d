#pragma once

#include <optional>
#include <vector>

#include "analysis/Analysis.Timeline.h"

// The slowest stretch of a given length of writing time.
struct TSlowestWindow {
  double Speed = 0.0;    // MiB/s: the MiB written in the window over its length
  double FromMiB = 0.0;  // MiB the pass had written when the window began

  bool operator==(const TSlowestWindow&) const = default;
};

// The lowest average speed over any Seconds of writing: each write is taken to progress evenly
// over its own time, so a window may begin or end inside a write, and a 3 s write inside a 1 s
// window counts a third of its MiB. Time between writes (pauses) does not count. None when the
// pass wrote for less than Seconds in all: there is no such window, and the pass's own average
// would be a figure of another length.
std::optional<TSlowestWindow> SlowestWindow(const TWriteTimeline& Timeline, double Seconds);

// Bytes completed over the pass's time (the writes' and the closes'), each write progressing
// evenly over its own time as above: what the drive took in each whole second of writing, and
// over each 1 % of the pass's MiB (the last second, when not whole, is left out; empty for no
// writes). On a bursty drive, whose writes mostly return at once while a few block for seconds,
// these show its true speed where the single writes' speeds do not.
struct TThroughputTimeline {
  std::vector<double> PerSecond;   // MiB/s, second by second
  std::vector<double> PerPercent;  // MiB/s, 100 values

  bool operator==(const TThroughputTimeline&) const = default;
};

TThroughputTimeline ThroughputTimeline(const TWriteTimeline& Timeline);
