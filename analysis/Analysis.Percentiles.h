#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <vector>

// Nearest-rank percentiles: the P-th percentile is the smallest value that at least P % of the
// values do not exceed, so it is always one of the values (a speed the chart shows, a time a
// write took), and one value is every percentile of itself.
//
// Values is taken by value and reordered; Percents must rise. Returns one value per percent, in
// the same order; Values must not be empty. O(n) for all the percents together: each selection
// only searches what lies above the previous one.
template <typename T>
std::vector<T> NearestRankPercentiles(std::vector<T> Values,
                                      std::initializer_list<double> Percents) {
  std::vector<T> Result;
  Result.reserve(Percents.size());
  const std::size_t Count = Values.size();
  auto From = Values.begin();
  for (const double Percent : Percents) {
    // Percent x Count first: exact for whole percents, where 1 / 100 x 300 would not be.
    const double Rank = std::ceil(Percent * static_cast<double>(Count) / 100.0);
    const std::size_t Index = Rank <= 1.0 ? 0 : std::min(Count, static_cast<std::size_t>(Rank)) - 1;
    const auto Nth = Values.begin() + static_cast<std::ptrdiff_t>(Index);
    std::nth_element(From, Nth, Values.end());
    Result.push_back(*Nth);
    From = Nth;
  }
  return Result;
}
