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

// A pass with fewer writes than two of the shortest phases (2 x 16 writes, 256 MiB) cannot show
// a drop that noise would not: it is too short to judge.
inline constexpr std::int32_t MinWritesToJudge = 32;

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
  std::optional<TCacheFigures> Cache;  // none without a lasting drop
  double LastSpeed = 0.0;              // MiB/s of the last phase: where the drive ends up
  TSpeedPercentiles Speeds;
  std::optional<TSlowestWindow> Slowest1s;   // none when the writes took less than 1 s
  std::optional<TSlowestWindow> Slowest10s;  // none when they took less than 10 s
  TStalls Stalls;
  std::optional<THeat> Heat;  // none when no temperature was read

  bool operator==(const TPassFigures&) const = default;
};

struct TPassAnalysis {
  std::int32_t WriteCount = 0;
  std::int64_t WrittenMiB = 0;
  double WriteSeconds = 0.0;            // the writes' own time, pauses left out
  std::optional<TPassFigures> Figures;  // none for a pass too short to judge

  bool TooShort() const { return !Figures; }
  bool operator==(const TPassAnalysis&) const = default;
};

// The figures of one pass from its writes, in order. Pure: no I/O, no clock.
// Throws std::invalid_argument when WrittenInMiB does not increase from write to write.
TPassAnalysis AnalysePass(std::span<const TWriteRecord> Writes);
