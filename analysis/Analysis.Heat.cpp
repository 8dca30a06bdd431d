#include "analysis/Analysis.Heat.h"

#include <cmath>
#include <vector>

#include "analysis/Analysis.Cache.h"

namespace {

bool Known(const std::optional<float>& Temperature) {
  return Temperature && std::isfinite(*Temperature);
}

// The last temperature read at or before the write at Index.
std::optional<float> TemperatureAt(std::span<const TWriteRecord> Writes, std::size_t Index) {
  for (std::size_t Write = Index + 1; Write-- > 0;) {
    if (Known(Writes[Write].TemperatureInC)) {
      return Writes[Write].TemperatureInC;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<THeat> FindHeat(std::span<const TWriteRecord> Writes,
                              std::span<const TPhase> Phases) {
  std::optional<THeat> Heat;
  for (const TWriteRecord& Write : Writes) {
    if (!Known(Write.TemperatureInC)) {
      continue;
    }
    const float Temperature = *Write.TemperatureInC;
    if (!Heat) {
      Heat = THeat{Temperature, Temperature, Temperature, Write.WrittenInMiB, std::nullopt};
    }
    if (Temperature > Heat->MaxInC) {
      Heat->MaxInC = Temperature;
      Heat->MaxAtMiB = Write.WrittenInMiB;
    }
    Heat->EndInC = Temperature;
  }
  if (!Heat || Heat->MaxInC - Heat->StartInC < ThrottleWarmingInC) {
    return Heat;
  }
  for (const std::size_t Drop : DropPhases(Phases)) {
    const std::optional<float> Temperature =
        TemperatureAt(Writes, static_cast<std::size_t>(Phases[Drop].FirstWrite));
    if (Temperature && *Temperature >= Heat->MaxInC - AtMaxWithinC) {
      Heat->ThrottleAtMiB = Phases[Drop].FromMiB;
      break;
    }
  }
  return Heat;
}
