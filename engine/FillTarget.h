#pragma once

#include <cstdint>

#include "engine/Setting.h"

// Marks a pass that is refused because the setting is invalid; no other outcome is -1.
inline constexpr std::int32_t InvalidFillTarget = -1;

// A pass's fill target in MiB: the free MiB less the amount to leave and one spare MiB,
// rounded down to whole buffers when not negative. Negative means no room.
struct TFillTarget {
  // What the pass writes: the target clamped into the worker's 32-bit counters.
  std::int32_t InMiB = 0;
  // What the report shows: the 64-bit target itself when it is negative (a huge amount to
  // leave must not read as the clamp's -2^31 MiB), otherwise what the pass writes.
  std::int64_t ReportedInMiB = 0;
};

// Computed in 64 bits, held at the ends of that range rather than wrapping, so that a huge
// amount to leave can never turn into a fill of the whole volume.
TFillTarget CalculateFillTarget(std::int64_t FreeBytes, std::int64_t TotalBytes,
                                std::int64_t ToLeft, TLeftUnit ToLeftUnit, std::int32_t BufferMiB);
std::int32_t CalculateFillTargetInMiB(std::int64_t FreeBytes, std::int64_t TotalBytes,
                                      std::int64_t ToLeft, TLeftUnit ToLeftUnit,
                                      std::int32_t BufferMiB);

// A target below one write writes nothing: the pass has no room. A target that is not negative
// is a whole number of writes, so that is any target up to 0, except the refusal's -1.
inline bool IsNoRoomTarget(std::int64_t TargetInMiB) {
  return TargetInMiB <= 0 && TargetInMiB != InvalidFillTarget;
}
