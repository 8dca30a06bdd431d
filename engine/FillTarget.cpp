#include "engine/FillTarget.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t MiB = 1024 * 1024;
// Far beyond any volume: clamping ToLeft here keeps its products inside 64 bits.
constexpr std::int64_t HugeAmount = std::int64_t{1} << 40;

std::int64_t FloorDiv(std::int64_t Value, std::int64_t Divisor) {
  const std::int64_t Quotient = Value / Divisor;
  return (Value % Divisor != 0 && Value < 0) ? Quotient - 1 : Quotient;
}

std::int64_t RawTarget(std::int64_t FreeMiB, std::int64_t TotalMiB, std::int64_t ToLeft,
                       TLeftUnit ToLeftUnit) {
  const std::int64_t Amount = std::clamp(ToLeft, -HugeAmount, HugeAmount);
  switch (ToLeftUnit) {
    case TLeftUnit::LeaveByGiB:
      return FreeMiB - 1 - Amount * 1024;
    case TLeftUnit::LeaveByMiB:
      return FreeMiB - 1 - Amount;
    case TLeftUnit::LeaveByPercent: {
      if (ToLeft > 100) {
        return InvalidFillTarget;
      }
      const long double Kept = static_cast<long double>(TotalMiB) * Amount / 100.0L;
      const long double Target = std::floor(static_cast<long double>(FreeMiB - 1) - Kept);
      return static_cast<std::int64_t>(std::clamp(Target,
                                                  -static_cast<long double>(HugeAmount) * 1024,
                                                  static_cast<long double>(HugeAmount) * 1024));
    }
  }
  return InvalidFillTarget;
}

}  // namespace

std::int32_t CalculateFillTargetInMiB(std::int64_t FreeBytes, std::int64_t TotalBytes,
                                      std::int64_t ToLeft, TLeftUnit ToLeftUnit,
                                      std::int32_t BufferMiB) {
  std::int64_t Target =
      RawTarget(FloorDiv(FreeBytes, MiB), FloorDiv(TotalBytes, MiB), ToLeft, ToLeftUnit);
  if (Target == InvalidFillTarget) {
    return InvalidFillTarget;
  }
  constexpr std::int64_t Max = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t Min = std::numeric_limits<std::int32_t>::min();
  Target = std::clamp(Target, Min, Max);
  if (Target >= 0 && BufferMiB > 0) {
    Target = Target / BufferMiB * BufferMiB;
  }
  return static_cast<std::int32_t>(Target);
}
