#include "analysis/Analysis.Stalls.h"

#include <utility>
#include <vector>

#include "analysis/Analysis.Percentiles.h"

namespace {

// The write's own time, not a difference of running totals, so that it reads as recorded.
double SecondsOf(const TWriteRecord& Write) {
  return TWriteTimeline::ClampedSeconds(Write.Seconds);
}

TWritePosition PositionOf(std::span<const TWriteRecord> Writes, std::size_t Index) {
  return {static_cast<std::int32_t>(Index), Writes[Index].WrittenInMiB, SecondsOf(Writes[Index])};
}

}  // namespace

TStalls FindStalls(std::span<const TWriteRecord> Writes) {
  std::vector<double> Times;
  Times.reserve(Writes.size());
  std::size_t Longest = 0;
  for (std::size_t Index = 0; Index < Writes.size(); ++Index) {
    Times.push_back(SecondsOf(Writes[Index]));
    if (Times[Index] > Times[Longest]) {
      Longest = Index;
    }
  }
  TStalls Stalls;
  Stalls.Longest = PositionOf(Writes, Longest);
  const std::vector<double> Percentiles =
      NearestRankPercentiles(std::move(Times), {50.0, 99.0, 100.0});
  Stalls.Times = {Percentiles[0], Percentiles[1], Percentiles[2]};

  const double SlowTime = SlowWriteFactor * Stalls.Times.P50;
  for (std::size_t Index = 0; Index < Writes.size(); ++Index) {
    if (SecondsOf(Writes[Index]) > SlowTime) {
      if (Stalls.SlowWriteCount++ == 0) {
        Stalls.FirstSlowWrite = PositionOf(Writes, Index);
      }
    }
  }
  return Stalls;
}
