#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "analysis/Analysis.Timeline.h"
#include "analysis/Analysis.Write.h"

// Where a write stands in its pass.
struct TWritePosition {
  std::int32_t Index = 0;  // from 0
  std::int32_t AtMiB = 0;  // the pass's MiB written once it was done
  double Seconds = 0.0;    // how long it took

  bool operator==(const TWritePosition&) const = default;
};

// Per-write times: nearest-rank percentiles and the longest.
struct TWriteTimes {
  double P50 = 0.0;
  double P99 = 0.0;
  double Max = 0.0;

  bool operator==(const TWriteTimes&) const = default;
};

// Writes that held the drive up.
struct TStalls {
  TWritePosition Longest;  // the slowest single write (the first, when several tie)
  // Writes taking more than SlowWriteFactor x the median time.
  std::int32_t SlowWriteCount = 0;
  std::optional<TWritePosition> FirstSlowWrite;
  TWriteTimes Times;

  bool operator==(const TStalls&) const = default;
};

inline constexpr double SlowWriteFactor = 10.0;

// Times are held within the clock's range as TWriteTimeline holds them. Writes must not be empty.
TStalls FindStalls(std::span<const TWriteRecord> Writes);
