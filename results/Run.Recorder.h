#pragma once

#include <cstddef>

#include "results/Run.Result.h"

// Collects a run's passes as they end. An endless run keeps its figures for every pass but the
// write times (the curve) only of pass 1 and of the last few: thousands of passes of 500,000
// writes each would otherwise hold gigabytes. A pass whose curve is let go keeps an empty
// WriteSeconds and an empty throughput per second.
class TRunRecorder {
 public:
  // How many of the latest passes keep their curve, besides pass 1.
  static constexpr std::size_t KeptCurves = 4;

  explicit TRunRecorder(TRunResult Header = {}) : FRun(std::move(Header)) {}

  void Add(TPassResult Pass);
  const TRunResult& Run() const { return FRun; }
  TRunResult& Header() { return FRun; }

 private:
  TRunResult FRun;
};
