#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/Analysis.Phases.h"
#include "analysis/Analysis.Timeline.h"

// A drop is a phase at least 25 % slower than the phase before it.
inline constexpr double DropRatio = 0.75;

// Indexes of the phases that begin with a drop, in order.
std::vector<std::size_t> DropPhases(std::span<const TPhase> Phases);

// The drive's fast cache, as the speed curve shows it.
struct TCacheFigures {
  std::int64_t SizeInMiB = 0;   // MiB written before the drop that ended it
  double InCacheSpeed = 0.0;    // MiB/s over the writes before that drop
  double PostCacheSpeed = 0.0;  // MiB/s of the phase that begins with it

  bool operator==(const TCacheFigures&) const = default;
};

// The cache ends at the first drop to a phase that is also at least 25 % slower than the first
// phase: a sudden fall to a lasting lower level. None when there is no such drop; a gradual
// slowing (a hard disk's inner tracks) falls by less than 25 % from one phase to the next and
// is no cache.
std::optional<TCacheFigures> FindCache(std::span<const TPhase> Phases,
                                       const TWriteTimeline& Timeline);
