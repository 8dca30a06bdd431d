#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "analysis/Analysis.Write.h"

// A pass's writes as running totals of MiB and seconds, so that the throughput of any stretch
// of writes is one subtraction and one division. A write's seconds include the wait of the
// close that followed it: through the system's cache, the drive takes the file only then, and a
// speed that left it out would be the memory's.
//
// A write's time is held between a nanosecond and a million seconds: a time of 0 (a write the
// clock did not see, which the program shows as the largest speed there is), a negative one or
// one that is not a number would otherwise put infinities and NaNs into every sum after it.
class TWriteTimeline {
 public:
  static constexpr double MinWriteSeconds = 1e-9;
  static constexpr double MaxWriteSeconds = 1e6;

  // Throws std::invalid_argument when WrittenInMiB does not increase from write to write (or
  // the first write wrote nothing): such a list is not a pass.
  explicit TWriteTimeline(std::span<const TWriteRecord> Writes);

  std::size_t Count() const { return FMiB.size() - 1; }

  double MiB(std::size_t Index) const { return FMiB[Index + 1] - FMiB[Index]; }
  double Seconds(std::size_t Index) const { return FSeconds[Index + 1] - FSeconds[Index]; }
  // Running totals of the writes before Index; Index may be Count().
  double MiBBefore(std::size_t Index) const { return FMiB[Index]; }
  double SecondsBefore(std::size_t Index) const { return FSeconds[Index]; }

  // MiB/s of the writes [From, To): what they wrote over the time they took.
  double Throughput(std::size_t From, std::size_t To) const {
    return (FMiB[To] - FMiB[From]) / (FSeconds[To] - FSeconds[From]);
  }

  // The time of the write at Index after the clamping above.
  static double ClampedSeconds(double Seconds);
  // A close's wait likewise, but 0 may stay 0: most writes have no close after them.
  static double ClampedCloseSeconds(double Seconds);

 private:
  std::vector<double> FMiB;      // Count() + 1 running totals, the first 0
  std::vector<double> FSeconds;  // likewise
};
