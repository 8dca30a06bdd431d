#pragma once

#include <cstdint>

#include "engine/Setting.h"

// Marks a pass that is refused because the setting is invalid; no other outcome is -1.
inline constexpr std::int32_t InvalidFillTarget = -1;

// How many MiB one pass writes: the free MiB less the amount to leave and one spare MiB,
// rounded down to whole buffers when not negative. Negative means no room. Computed in 64
// bits and clamped into 32 bits, so a huge amount to leave cannot wrap into a full fill.
std::int32_t CalculateFillTargetInMiB(std::int64_t FreeBytes, std::int64_t TotalBytes,
                                      std::int64_t ToLeft, TLeftUnit ToLeftUnit,
                                      std::int32_t BufferMiB);
