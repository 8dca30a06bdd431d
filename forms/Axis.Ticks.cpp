#include "forms/Axis.Ticks.h"

#include <algorithm>
#include <cmath>

double NiceStep(double Raw) {
  const double Magnitude = std::pow(10.0, std::floor(std::log10(Raw)));
  const double Normalized = Raw / Magnitude;
  const double Factor = Normalized <= 1 ? 1 : Normalized <= 2 ? 2 : Normalized <= 5 ? 5 : 10;
  return Factor * Magnitude;
}

TAxisTicks RoundTicks(double Min, double Max, int MaxCount, double MinStep) {
  TAxisTicks Ticks;
  MaxCount = std::max(MaxCount, 2);
  if (!(Max > Min) || !std::isfinite(Min) || !std::isfinite(Max)) {
    return Ticks;
  }
  // A tick a hair outside the range (12.25 / 0.05 is 244.99999999999997) still counts.
  constexpr double Slack = 1e-9;
  const auto Place = [&](double Step) {
    Ticks.Step = Step;
    Ticks.FirstIndex = static_cast<long long>(std::ceil(Min / Step - Slack));
    const auto LastIndex = static_cast<long long>(std::floor(Max / Step + Slack));
    Ticks.Count = static_cast<int>(std::max(0LL, LastIndex - Ticks.FirstIndex + 1));
  };
  Place(std::max(NiceStep((Max - Min) / MaxCount), MinStep));
  // Where the range meets the multiples, one tick more than asked can fit: the next step.
  while (Ticks.Count > MaxCount) {
    Place(NiceStep(Ticks.Step * 1.5));
  }
  Ticks.Decimals = std::max(0, static_cast<int>(-std::floor(std::log10(Ticks.Step) + Slack)));
  return Ticks;
}
