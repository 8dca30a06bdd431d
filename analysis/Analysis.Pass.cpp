#include "analysis/Analysis.Pass.h"

#include "analysis/Analysis.Percentiles.h"
#include "analysis/Analysis.Timeline.h"

namespace {

TSpeedPercentiles SpeedPercentiles(std::span<const TWriteRecord> Writes) {
  std::vector<std::int32_t> Speeds;
  Speeds.reserve(Writes.size());
  for (const TWriteRecord& Write : Writes) {
    Speeds.push_back(Write.SpeedInMiB);
  }
  const auto Values = NearestRankPercentiles(std::move(Speeds), {1.0, 5.0, 50.0, 95.0});
  return {Values[0], Values[1], Values[2], Values[3]};
}

}  // namespace

TPassAnalysis AnalysePass(std::span<const TWriteRecord> Writes, bool Buffered) {
  const TWriteTimeline Timeline(Writes);
  TPassAnalysis Analysis;
  Analysis.WriteCount = static_cast<std::int32_t>(Writes.size());
  Analysis.WrittenMiB = Writes.empty() ? 0 : Writes.back().WrittenInMiB;
  for (const TWriteRecord& Write : Writes) {
    Analysis.WriteSeconds += TWriteTimeline::ClampedSeconds(Write.Seconds);
    Analysis.CloseSeconds += TWriteTimeline::ClampedCloseSeconds(Write.CloseSeconds);
  }
  const double Seconds = Timeline.SecondsBefore(Timeline.Count());
  Analysis.Throughput = Seconds > 0.0 ? Timeline.MiBBefore(Timeline.Count()) / Seconds : 0.0;
  Analysis.Buffered = Buffered;
  if (Buffered) {
    // The drive writes back from early on and the last close waits for the rest: over the
    // whole pass, the drive was busy throughout.
    Analysis.DriveSpeed = Analysis.Throughput;
  }
  if (Analysis.WriteCount < MinWritesToJudge) {
    return Analysis;
  }
  TPassFigures& Figures = Analysis.Figures.emplace();
  Figures.Phases = FindPhases(Writes, Timeline);
  (Buffered ? Figures.Memory : Figures.Cache) = FindCache(Figures.Phases, Timeline);
  Figures.LastSpeed = Figures.Phases.back().Speed;
  Figures.Speeds = SpeedPercentiles(Writes);
  Figures.Slowest1s = SlowestWindow(Timeline, 1.0);
  Figures.Slowest10s = SlowestWindow(Timeline, 10.0);
  Figures.Stalls = FindStalls(Writes);
  Figures.Heat = FindHeat(Writes, Figures.Phases);
  Figures.Timeline = ThroughputTimeline(Timeline);
  return Analysis;
}
