#include "analysis/Analysis.Cache.h"

std::vector<std::size_t> DropPhases(std::span<const TPhase> Phases) {
  std::vector<std::size_t> Drops;
  for (std::size_t Phase = 1; Phase < Phases.size(); ++Phase) {
    if (Phases[Phase].Speed <= DropRatio * Phases[Phase - 1].Speed) {
      Drops.push_back(Phase);
    }
  }
  return Drops;
}

std::optional<TCacheFigures> FindCache(std::span<const TPhase> Phases,
                                       const TWriteTimeline& Timeline) {
  for (const std::size_t Drop : DropPhases(Phases)) {
    const TPhase& After = Phases[Drop];
    if (After.Speed <= DropRatio * Phases.front().Speed) {
      TCacheFigures Cache;
      Cache.SizeInMiB = After.FromMiB;
      Cache.InCacheSpeed = Timeline.Throughput(0, static_cast<std::size_t>(After.FirstWrite));
      Cache.PostCacheSpeed = After.Speed;
      return Cache;
    }
  }
  return std::nullopt;
}
