#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "analysis/Analysis.Write.h"

// Made-up passes for the analysis: 8 MiB writes at chosen speeds, with noise drawn from a
// seeded std::mt19937 (its output is fixed by the standard, so every build sees the same curve).
class TCurve {
 public:
  static constexpr std::int32_t WriteMiB = 8;
  // Speeds spread evenly over +-35 % take ln(1.35 / 0.65) / 0.7 times as long as the level on
  // average: a stretch's throughput is its level divided by this.
  static constexpr double HarmonicShare35 = 1.044125;

  explicit TCurve(std::uint32_t Seed = 1) : FDraw(Seed) {}

  // Writes around Speed MiB/s, each off by up to +-Noise (0.35 is +-35 %), uniformly.
  TCurve& Steady(int Count, double Speed, double Noise = 0.0) {
    for (int Write = 0; Write < Count; ++Write) {
      Add(WriteMiB / (Speed * (1.0 + Noise * (2.0 * Uniform() - 1.0))));
    }
    return *this;
  }

  // A speed going from From to To in a straight line over Count writes.
  TCurve& Ramp(int Count, double From, double To, double Noise = 0.0) {
    for (int Write = 0; Write < Count; ++Write) {
      const double Speed = From + (To - From) * Write / (Count - 1);
      Add(WriteMiB / (Speed * (1.0 + Noise * (2.0 * Uniform() - 1.0))));
    }
    return *this;
  }

  // Count writes alternating Fast, Slow, Fast, ...; with Swap > 0 each pair is swapped with that
  // probability, so the rhythm stumbles as a real device's does.
  TCurve& Alternating(int Count, double Fast, double Slow, double Swap = 0.0) {
    for (int Write = 0; Write < Count; ++Write) {
      const bool Swapped = Write % 2 == 0 ? (FSwapPair = Uniform() < Swap) : FSwapPair;
      const bool IsFast = (Write % 2 == 0) != Swapped;
      Add(WriteMiB / (IsFast ? Fast : Slow));
    }
    return *this;
  }

  // Count writes, each Fast or Slow as a fair coin falls.
  TCurve& Coin(int Count, double Fast, double Slow) {
    for (int Write = 0; Write < Count; ++Write) {
      Add(WriteMiB / (Uniform() < 0.5 ? Fast : Slow));
    }
    return *this;
  }

  // One write that takes Seconds.
  TCurve& Stall(double Seconds) {
    Add(Seconds);
    return *this;
  }

  const std::vector<TWriteRecord>& Writes() const { return FWrites; }
  operator const std::vector<TWriteRecord>&() const { return FWrites; }

  // Whole MiB/s, halves to even, as the program shows a write; a time of 0 is the largest speed.
  static std::int32_t ShownSpeed(double Seconds) {
    const double Speed = Seconds > 0.0 ? std::nearbyint(WriteMiB / Seconds) : INFINITY;
    return Speed >= std::numeric_limits<std::int32_t>::max()
               ? std::numeric_limits<std::int32_t>::max()
               : static_cast<std::int32_t>(Speed);
  }

 private:
  double Uniform() { return static_cast<double>(FDraw()) / 4294967296.0; }

  void Add(double Seconds) {
    TWriteRecord Write;
    Write.WrittenInMiB = (FWrites.empty() ? 0 : FWrites.back().WrittenInMiB) + WriteMiB;
    Write.Seconds = Seconds;
    Write.SpeedInMiB = ShownSpeed(Seconds);
    // A disk of 4,000,000 MiB, empty at the start.
    Write.RemainPercent = 100.0 - Write.WrittenInMiB / 40000.0;
    FWrites.push_back(Write);
  }

  std::mt19937 FDraw;
  bool FSwapPair = false;
  std::vector<TWriteRecord> FWrites;
};
