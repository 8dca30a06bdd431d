#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "analysis/Analysis.Phases.h"
#include "analysis/Analysis.Write.h"

// The drive's temperature over a pass, where it was read.
struct THeat {
  float StartInC = 0.0F;  // the first temperature read in the pass
  float MaxInC = 0.0F;
  float EndInC = 0.0F;        // the last one read
  std::int32_t MaxAtMiB = 0;  // the pass's MiB written when the maximum was first read
  // MiB written when a drop in speed began while the drive was at its maximum temperature, after
  // warming during the pass: the drive slowed for heat, whether or not its cache was full.
  std::optional<std::int64_t> ThrottleAtMiB;

  bool operator==(const THeat&) const = default;
};

// A drive that warmed by less than this did not throttle for heat.
inline constexpr float ThrottleWarmingInC = 5.0F;
// Sensors read in whole degrees and are read every 250 ms: within this of the maximum is at it.
inline constexpr float AtMaxWithinC = 1.0F;

// None when no write carries a temperature. A write without one carries on the last one read.
std::optional<THeat> FindHeat(std::span<const TWriteRecord> Writes, std::span<const TPhase> Phases);
