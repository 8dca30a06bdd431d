#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/Analysis.Timeline.h"
#include "analysis/Analysis.Write.h"

// A stretch of a pass written at a steady speed.
struct TPhase {
  std::int32_t FirstWrite = 0;  // index of its first write in the pass, from 0
  std::int32_t WriteCount = 0;
  std::int64_t FromMiB = 0;  // MiB the pass had written before its first write
  std::int64_t ToMiB = 0;    // MiB the pass had written after its last write
  double Speed = 0.0;        // MiB/s: the MiB written in it over the time its writes took
  double MedianSpeed = 0.0;  // the median of its writes' whole MiB/s

  bool operator==(const TPhase&) const = default;
};

// The fewest writes a phase has: 16 writes (128 MiB), or a quarter of a percent of a long pass,
// so that a 500,000-write pass is not cut into stretches of a few seconds.
std::int32_t MinPhaseWrites(std::size_t WriteCount);

// Cuts a pass into phases of steady speed, in order, covering every write; empty for no
// writes, one phase for a pass shorter than two phases. Writes and Timeline are the same pass.
std::vector<TPhase> FindPhases(std::span<const TWriteRecord> Writes,
                               const TWriteTimeline& Timeline);
