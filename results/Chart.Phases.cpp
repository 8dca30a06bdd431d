#include "results/Chart.Phases.h"

#include <algorithm>

#include "text/Number.Text.h"

double ChartX(const TWriteRecord& Write) {
  // As the presenter rounds each point: the same X, so a marker falls on a point.
  return RoundHalfEven(Write.RemainPercent * 100.0) / 100.0;
}

std::vector<TChartPhase> ChartPhases(std::span<const TWriteRecord> Writes,
                                     const TPassAnalysis& Analysis) {
  std::vector<TChartPhase> Phases;
  if (!Analysis.Figures || Writes.empty()) {
    return Phases;
  }
  const auto Last = static_cast<std::int32_t>(Writes.size()) - 1;
  const auto At = [&](std::int32_t Index) {
    return ChartX(Writes[static_cast<std::size_t>(std::clamp(Index, 0, Last))]);
  };
  for (const TPhase& Phase : Analysis.Figures->Phases) {
    Phases.push_back(
        {At(Phase.FirstWrite - 1), At(Phase.FirstWrite + Phase.WriteCount - 1), Phase.Speed});
  }
  return Phases;
}
