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

// Seconds of writing by the time MiB had been written, with Write the write under way then
// (advanced).
double SecondsAt(const TWriteTimeline& Timeline, double MiB, std::size_t& Write) {
  const std::size_t Count = Timeline.Count();
  while (Write + 1 < Count && Timeline.MiBBefore(Write + 1) <= MiB) {
    ++Write;
  }
  const double Into = MiB - Timeline.MiBBefore(Write);
  const double Share = Into >= Timeline.MiB(Write) ? 1.0 : Into / Timeline.MiB(Write);
  return Timeline.SecondsBefore(Write) + Share * Timeline.Seconds(Write);
}

}  // namespace

TThroughputTimeline ThroughputTimeline(const TWriteTimeline& Timeline) {
  TThroughputTimeline Result;
  const std::size_t Count = Timeline.Count();
  if (Count == 0) {
    return Result;
  }
  const double Total = Timeline.SecondsBefore(Count);
  std::size_t Write = 0;
  double Before = 0.0;
  for (double Second = 1.0; Second <= Total; Second += 1.0) {
    const double Now = MiBAt(Timeline, Second, Write);
    Result.PerSecond.push_back(Now - Before);
    Before = Now;
  }
  const double TotalMiB = Timeline.MiBBefore(Count);
  Write = 0;
  double From = 0.0;
  for (int Percent = 1; Percent <= 100; ++Percent) {
    const double MiB = TotalMiB * Percent / 100.0;
    const double To = SecondsAt(Timeline, MiB, Write);
    Result.PerPercent.push_back(To > From ? TotalMiB / 100.0 / (To - From) : 0.0);
    From = To;
  }
  return Result;
}

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
