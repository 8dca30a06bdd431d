#pragma once

#include <algorithm>
#include <vector>

#include "analysis/Analysis.Write.h"
#include "tests/analysis/Curve.Maker.h"

// A realistic pass of Count writes: a cache of 8 % of the pass at 1,800 MiB/s, a stretch
// alternating 80 and 1,500 MiB/s, then 450 MiB/s to the end, all in +-35 % noise, with a stall
// of 0.3-2.5 s every 10,000 writes and temperatures read every 50 writes, rising to a plateau.
inline std::vector<TWriteRecord> RealisticPass(int Count) {
  TCurve Curve(42);
  Curve.Steady(Count * 8 / 100, 1800, 0.35).Stall(2.5);
  Curve.Alternating(Count * 4 / 100, 1500, 80, 0.1);
  int Stall = 0;
  while (static_cast<int>(Curve.Writes().size()) + 10001 <= Count) {
    Curve.Steady(10000, 450, 0.35).Stall(0.3 + 0.2 * (Stall++ % 12));
  }
  Curve.Steady(Count - static_cast<int>(Curve.Writes().size()), 450, 0.35);
  std::vector<TWriteRecord> Writes = Curve;
  for (std::size_t Index = 0; Index < Writes.size(); Index += 50) {
    Writes[Index].TemperatureInC = std::min(38.0F + 40.0F * Index / Writes.size() * 3, 71.0F);
  }
  return Writes;
}
