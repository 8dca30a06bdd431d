#pragma once

// Round positions for an axis's tick marks: a step of 1, 2 or 5 times a power of ten, so that
// labels read 90, 80, 70 or 88, 86, 84 rather than 87.5, 80.06, 72.63.

// The round step nearest above Raw (> 0): 1, 2, 5, 10, 20, ... or 0.5, 0.2, 0.1, ...
double NiceStep(double Raw);

struct TAxisTicks {
  double Step = 0;
  long long FirstIndex = 0;  // the first tick is at FirstIndex * Step
  int Count = 0;
  int Decimals = 0;  // decimals a label needs to show the step

  // Multiplied out from the index, so that no error adds up along the axis.
  double Value(int Index) const { return static_cast<double>(FirstIndex + Index) * Step; }
  bool operator==(const TAxisTicks&) const = default;
};

// Ticks at the multiples of a round step inside [Min, Max], at most MaxCount of them (2 when
// less is asked), none for an empty range. The step stays at or above MinStep.
TAxisTicks RoundTicks(double Min, double Max, int MaxCount, double MinStep);
