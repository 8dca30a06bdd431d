#include "analysis/Analysis.Timeline.h"

#include <cmath>
#include <stdexcept>
#include <string>

double TWriteTimeline::ClampedSeconds(double Seconds) {
  if (!(Seconds >= MinWriteSeconds)) {  // also NaN
    return MinWriteSeconds;
  }
  return Seconds > MaxWriteSeconds ? MaxWriteSeconds : Seconds;
}

double TWriteTimeline::ClampedCloseSeconds(double Seconds) {
  if (!(Seconds > 0.0)) {  // also NaN
    return 0.0;
  }
  return Seconds > MaxWriteSeconds ? MaxWriteSeconds : Seconds;
}

TWriteTimeline::TWriteTimeline(std::span<const TWriteRecord> Writes) {
  FMiB.reserve(Writes.size() + 1);
  FSeconds.reserve(Writes.size() + 1);
  FMiB.push_back(0.0);
  FSeconds.push_back(0.0);
  std::int32_t Before = 0;
  for (std::size_t Index = 0; Index < Writes.size(); ++Index) {
    const TWriteRecord& Write = Writes[Index];
    if (Write.WrittenInMiB <= Before) {
      throw std::invalid_argument("write " + std::to_string(Index + 1) + " ends at " +
                                  std::to_string(Write.WrittenInMiB) +
                                  " MiB, not after the write before it");
    }
    // Running totals of MiB are whole numbers far below 2^53: exact in a double.
    FMiB.push_back(static_cast<double>(Write.WrittenInMiB));
    FSeconds.push_back(FSeconds.back() + ClampedSeconds(Write.Seconds) +
                       ClampedCloseSeconds(Write.CloseSeconds));
    Before = Write.WrittenInMiB;
  }
}
