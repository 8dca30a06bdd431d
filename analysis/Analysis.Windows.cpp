#include "analysis/Analysis.Windows.h"

#include <cstddef>

namespace {

// MiB written by Time seconds of writing, with Write the write under way at Time (advanced).
double MiBAt(const TWriteTimeline& Timeline, double Time, std::size_t& Write) {
  const std::size_t Count = Timeline.Count();
  while (Write + 1 < Count && Timeline.SecondsBefore(Write + 1) <= Time) {
    ++Write;
  }
  const double Into = Time - Timeline.SecondsBefore(Write);
  const double Share = Into >= Timeline.Seconds(Write) ? 1.0 : Into / Timeline.Seconds(Write);
  return Timeline.MiBBefore(Write) + Share * Timeline.MiB(Write);
}

}  // namespace

std::optional<TSlowestWindow> SlowestWindow(const TWriteTimeline& Timeline, double Seconds) {
  const std::size_t Count = Timeline.Count();
  const double Total = Timeline.SecondsBefore(Count);
  if (Count == 0 || Total < Seconds) {
    return std::nullopt;
  }
  // The MiB in [t, t + Seconds] is piecewise linear in t, so its least value lies where t or
  // t + Seconds meets the end of a write: walk both kinds of point in order.
  std::optional<TSlowestWindow> Slowest;
  std::size_t StartWrite = 0;
  std::size_t EndWrite = 0;
  std::size_t NextStart = 0;  // next window starting at the start of a write
  std::size_t NextEnd = 0;    // next window ending at the end of a write
  const double LastStart = Total - Seconds;
  while (true) {
    const double ByStart = NextStart < Count ? Timeline.SecondsBefore(NextStart) : Total + 1;
    const double ByEnd =
        NextEnd < Count ? Timeline.SecondsBefore(NextEnd + 1) - Seconds : Total + 1;
    const double Start = ByStart <= ByEnd ? ByStart : ByEnd;
    if (Start > LastStart) {
      break;
    }
    if (ByStart <= ByEnd) {
      ++NextStart;
    } else {
      ++NextEnd;
    }
    if (Start < 0.0) {
      continue;
    }
    const double From = MiBAt(Timeline, Start, StartWrite);
    const double To = MiBAt(Timeline, Start + Seconds, EndWrite);
    const double Speed = (To - From) / Seconds;
    if (!Slowest || Speed < Slowest->Speed) {
      Slowest = TSlowestWindow{Speed, From};
    }
  }
  return Slowest;
}
