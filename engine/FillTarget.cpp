#include "engine/FillTarget.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t MiB = 1024 * 1024;
constexpr std::int64_t Int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Int64Min = std::numeric_limits<std::int64_t>::min();

std::int64_t FloorDiv(std::int64_t Value, std::int64_t Divisor) {
  const std::int64_t Quotient = Value / Divisor;
  return (Value % Divisor != 0 && Value < 0) ? Quotient - 1 : Quotient;
}

// Value - Subtrahend, held at the ends of the 64-bit range instead of overflowing.
std::int64_t SaturatingDifference(std::int64_t Value, std::int64_t Subtrahend) {
  if (Subtrahend < 0 && Value > Int64Max + Subtrahend) {
    return Int64Max;
  }
  if (Subtrahend > 0 && Value < Int64Min + Subtrahend) {
    return Int64Min;
  }
  return Value - Subtrahend;
}

std::int64_t RawTarget(std::int64_t FreeMiB, std::int64_t TotalMiB, std::int64_t ToLeft,
                       TLeftUnit ToLeftUnit) {
  switch (ToLeftUnit) {
    case TLeftUnit::LeaveByGiB:
      // An amount whose MiB overflow 64 bits leaves a target beyond them the other way.
      if (ToLeft > Int64Max / 1024) {
        return Int64Min;
      }
      if (ToLeft < Int64Min / 1024) {
        return Int64Max;
      }
      return SaturatingDifference(FreeMiB - 1, ToLeft * 1024);
    case TLeftUnit::LeaveByMiB:
      return SaturatingDifference(FreeMiB - 1, ToLeft);
    case TLeftUnit::LeaveByPercent: {
      if (ToLeft > 100) {
        return InvalidFillTarget;
      }
      const long double Kept = static_cast<long double>(TotalMiB) * ToLeft / 100.0L;
      const long double Target = std::floor(static_cast<long double>(FreeMiB - 1) - Kept);
      if (Target >= static_cast<long double>(Int64Max)) {
        return Int64Max;
      }
      if (Target <= static_cast<long double>(Int64Min)) {
        return Int64Min;
      }
      return static_cast<std::int64_t>(Target);
    }
  }
  return InvalidFillTarget;
}

std::int64_t WholeBuffers(std::int64_t Target, std::int32_t BufferMiB) {
  return Target >= 0 && BufferMiB > 0 ? Target / BufferMiB * BufferMiB : Target;
}

}  // namespace

TFillTarget CalculateFillTarget(std::int64_t FreeBytes, std::int64_t TotalBytes,
                                std::int64_t ToLeft, TLeftUnit ToLeftUnit, std::int32_t BufferMiB) {
  const std::int64_t Target = WholeBuffers(
      RawTarget(FloorDiv(FreeBytes, MiB), FloorDiv(TotalBytes, MiB), ToLeft, ToLeftUnit),
      BufferMiB);
  if (Target == InvalidFillTarget) {
    return {InvalidFillTarget, InvalidFillTarget};
  }
  constexpr std::int64_t Max = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t Min = std::numeric_limits<std::int32_t>::min();
  const auto InMiB =
      static_cast<std::int32_t>(WholeBuffers(std::clamp(Target, Min, Max), BufferMiB));
  return {InMiB, Target < 0 ? Target : InMiB};
}

std::int32_t CalculateFillTargetInMiB(std::int64_t FreeBytes, std::int64_t TotalBytes,
                                      std::int64_t ToLeft, TLeftUnit ToLeftUnit,
                                      std::int32_t BufferMiB) {
  return CalculateFillTarget(FreeBytes, TotalBytes, ToLeft, ToLeftUnit, BufferMiB).InMiB;
}
