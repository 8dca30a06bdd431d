// The longest write, the writes far slower than the median, and the per-write times.
#include "analysis/Analysis.Stalls.h"

#include <gtest/gtest.h>

#include <vector>

#include "Curve.Maker.h"

namespace {

TStalls StallsOf(const std::vector<TWriteRecord>& Writes) {
  return FindStalls(Writes);
}

TEST(Stalls, LongestWriteAndWritesOverTenTimesTheMedian) {
  // 100 MiB/s is 0.08 s a write; ten times that is 0.8 s.
  const std::vector<TWriteRecord> Writes = TCurve()
                                               .Steady(50, 100)
                                               .Stall(0.8)
                                               .Steady(50, 100)
                                               .Stall(0.81)
                                               .Steady(20, 100)
                                               .Stall(2.5)
                                               .Steady(20, 100)
                                               .Stall(2.5)
                                               .Steady(60, 100);
  const TStalls Stalls = StallsOf(Writes);
  // The first of two equally long writes; its position once it was done.
  EXPECT_EQ(Stalls.Longest, (TWritePosition{122, 123 * 8, 2.5}));
  // 0.8 s is not more than ten times the median.
  EXPECT_EQ(Stalls.SlowWriteCount, 3);
  ASSERT_TRUE(Stalls.FirstSlowWrite);
  EXPECT_EQ(Stalls.FirstSlowWrite->Index, 101);
  EXPECT_EQ(Stalls.FirstSlowWrite->AtMiB, 102 * 8);
  EXPECT_DOUBLE_EQ(Stalls.FirstSlowWrite->Seconds, 0.81);
  EXPECT_DOUBLE_EQ(Stalls.Times.P50, 0.08);
  EXPECT_DOUBLE_EQ(Stalls.Times.P99, 0.81);  // rank 202 of 204: 0.08 x 200, 0.8, 0.81, 2.5, 2.5
  EXPECT_DOUBLE_EQ(Stalls.Times.Max, 2.5);
}

TEST(Stalls, SteadyPassAndSingleWrite) {
  const TStalls Steady = StallsOf(TCurve().Steady(100, 100));
  EXPECT_EQ(Steady.SlowWriteCount, 0);
  EXPECT_FALSE(Steady.FirstSlowWrite);
  EXPECT_EQ(Steady.Longest.Index, 0);

  const TStalls Single = StallsOf(TCurve().Stall(1.5));
  EXPECT_EQ(Single.Longest, (TWritePosition{0, 8, 1.5}));
  EXPECT_EQ(Single.SlowWriteCount, 0);
  EXPECT_EQ(Single.Times, (TWriteTimes{1.5, 1.5, 1.5}));
}

TEST(Stalls, OddTimesAreHeldWithinTheClocksRange) {
  std::vector<TWriteRecord> Writes = TCurve().Steady(10, 100);
  Writes[2].Seconds = 0.0;
  Writes[4].Seconds = std::nan("");
  Writes[6].Seconds = INFINITY;
  const TStalls Stalls = StallsOf(Writes);
  EXPECT_EQ(Stalls.Longest.Index, 6);
  EXPECT_EQ(Stalls.Longest.Seconds, TWriteTimeline::MaxWriteSeconds);
  EXPECT_EQ(Stalls.SlowWriteCount, 1);
}

}  // namespace
