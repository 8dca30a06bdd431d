#include "analysis/Analysis.Percentiles.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

TEST(Percentiles, NearestRankIsAlwaysOneOfTheValues) {
  std::vector<int> Hundred(100);
  std::iota(Hundred.begin(), Hundred.end(), 1);
  std::reverse(Hundred.begin(), Hundred.end());
  const struct {
    std::vector<int> Values;
    std::vector<int> P1P5P50P95P100;
  } Cases[] = {
      {{7}, {7, 7, 7, 7, 7}},
      {{3, 1}, {1, 1, 1, 3, 3}},
      {Hundred, {1, 5, 50, 95, 100}},
      // 300 values: 1 % is rank 3 exactly, where 1 / 100 x 300 would round up to rank 4.
      {[] {
         std::vector<int> Values(300);
         std::iota(Values.begin(), Values.end(), 1);
         return Values;
       }(),
       {3, 15, 150, 285, 300}},
      {{5, 5, 5, 1, 9}, {1, 1, 5, 9, 9}},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(NearestRankPercentiles(Case.Values, {1.0, 5.0, 50.0, 95.0, 100.0}),
              Case.P1P5P50P95P100);
  }
}

}  // namespace
