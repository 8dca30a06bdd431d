#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/Analysis.Cache.h"
#include "analysis/Analysis.Heat.h"
#include "analysis/Analysis.Phases.h"
#include "analysis/Analysis.Stalls.h"
#include "analysis/Analysis.Windows.h"
#include "analysis/Analysis.Write.h"

// A pass of fewer than 12 writes (96 MiB) cannot show a drop that noise would not: the
// smallest cache found is 32 MiB (4 writes), and the slower writes after it must last 8.
inline constexpr std::int32_t MinWritesToJudge = 12;

// Nearest-rank percentiles of the writes' whole MiB/s.
struct TSpeedPercentiles {
  std::int32_t P1 = 0;
  std::int32_t P5 = 0;
  std::int32_t P50 = 0;
  std::int32_t P95 = 0;

  bool operator==(const TSpeedPercentiles&) const = default;
};

// What a pass long enough to judge shows.
struct TPassFigures {
  std::vector<TPhase> Phases;          // in order, covering every write
  std::optional<TCacheFigures> Cache;  // none without a lasting drop, and none when buffered
  // Buffered: the drop the curve shows where the system's memory for unwritten data ran full,
  // which is no cache of the drive's; none without such a drop, and none unbuffered.
  std::optional<TCacheFigures> Memory;
  double LastSpeed = 0.0;  // MiB/s of the last phase: where the drive ends up
  TSpeedPercentiles Speeds;
  std::optional<TSlowestWindow> Slowest1s;   // none when the writes took less than 1 s
  std::optional<TSlowestWindow> Slowest10s;  // none when they took less than 10 s
  TStalls Stalls;
  std::optional<THeat> Heat;  // none when no temperature was read
  TThroughputTimeline Timeline;

  bool operator==(const TPassFigures&) const = default;
};

struct TPassAnalysis {
  std::int32_t WriteCount = 0;
  std::int64_t WrittenMiB = 0;
  double WriteSeconds = 0.0;  // the writes' own time, pauses left out
  double CloseSeconds = 0.0;  // what the files' closes waited (flush and close), all of them
  // MiB/s: what the pass wrote over the writes' time and the closes' waits. Unlike the mean of
  // the writes' speeds, a few long writes among many fast ones weigh as long as they took.
  double Throughput = 0.0;
  // Written through the system's cache: the fast stretch at the start is the computer's memory,
  // and the drive's speed shows only with the flushes counted, as Throughput counts them.
  bool Buffered = false;
  std::optional<double> DriveSpeed;     // MiB/s, buffered only: the drive's, as said above
  std::optional<TPassFigures> Figures;  // none for a pass too short to judge

  bool TooShort() const { return !Figures; }
  bool operator==(const TPassAnalysis&) const = default;
};

// The figures of one pass from its writes, in order; Buffered when they went through the
// system's cache. Pure: no I/O, no clock.
// Throws std::invalid_argument when WrittenInMiB does not increase from write to write.
TPassAnalysis AnalysePass(std::span<const TWriteRecord> Writes, bool Buffered = false);
