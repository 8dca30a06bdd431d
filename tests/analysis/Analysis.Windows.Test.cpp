// The slowest 1 s and 10 s of writing.
#include "analysis/Analysis.Windows.h"

#include <gtest/gtest.h>

#include <vector>

#include "Curve.Maker.h"

namespace {

std::optional<TSlowestWindow> Slowest(const std::vector<TWriteRecord>& Writes, double Seconds) {
  return SlowestWindow(TWriteTimeline(Writes), Seconds);
}

TEST(SlowestWindow, FindsTheSlowestStretchOfWritingTime) {
  // Speeds whose write times are exact in binary (128 MiB/s: 1/16 s, 1,024 MiB/s: 1/128 s), so
  // that windows of equal speed tie exactly and the first one is the answer.
  const struct {
    const char* Name;
    std::vector<TWriteRecord> Writes;
    double Seconds, Speed, FromMiB;
  } Cases[] = {
      {"a steady speed", TCurve().Steady(250, 128), 1.0, 128, 0},
      // The whole second lies inside the 4 s write: a quarter of its 8 MiB.
      {"a stall longer than the window", TCurve().Steady(100, 128).Stall(4.0).Steady(100, 128), 1.0,
       2.0, 800},
      // 10 s holding the whole 4 s write and 6 s at 128 MiB/s; the first such window begins
      // 6 s before the stall.
      {"a stall inside the window", TCurve().Steady(200, 128).Stall(4.0).Steady(200, 128), 10.0,
       (8.0 + 6 * 128.0) / 10.0, 1600 - 6 * 128},
      {"a slower stretch", TCurve().Steady(128, 1024).Steady(64, 128).Steady(128, 1024), 1.0, 128,
       1024},
      // 10 s of fast writing, then 2.5 s of slow: the last 10 s are the slowest.
      {"10 s over a change", TCurve().Steady(1280, 1024).Steady(40, 128), 10.0,
       (7.5 * 1024 + 2.5 * 128) / 10.0, 2.5 * 1024},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const auto Window = Slowest(Case.Writes, Case.Seconds);
    ASSERT_TRUE(Window);
    EXPECT_DOUBLE_EQ(Window->Speed, Case.Speed);
    EXPECT_DOUBLE_EQ(Window->FromMiB, Case.FromMiB);
  }
}

TEST(SlowestWindow, PassShorterThanTheWindowHasNone) {
  EXPECT_FALSE(Slowest({}, 1.0));
  // 15 writes of 1/16 s: 0.9375 s of writing has no 1 s window; one more write has.
  EXPECT_FALSE(Slowest(TCurve().Steady(15, 128), 1.0));
  EXPECT_FALSE(Slowest(TCurve().Steady(159, 128), 10.0));
  const auto Window = Slowest(TCurve().Steady(16, 128), 1.0);
  ASSERT_TRUE(Window);
  EXPECT_DOUBLE_EQ(Window->Speed, 128.0);
  // A single write of 2 s holds a 1 s window: 4 MiB/s.
  const auto Single = Slowest(TCurve().Stall(2.0), 1.0);
  ASSERT_TRUE(Single);
  EXPECT_NEAR(Single->Speed, 4.0, 1e-12);
}

TEST(SlowestWindow, ExactlyOneWindowLongIsTheWholePass) {
  // 0.5 s at 1,024 MiB/s then 0.5 s at 128: the only 1 s window holds all 576 MiB.
  const auto Window = Slowest(TCurve().Steady(64, 1024).Steady(8, 128), 1.0);
  ASSERT_TRUE(Window);
  EXPECT_DOUBLE_EQ(Window->Speed, 576.0);
  EXPECT_EQ(Window->FromMiB, 0.0);
}

// Four writes of 0.5 s, then one of 2 s whose file's close waits 1 s more: 40 MiB in 5 s.
// Second by second the last write's 8 MiB spread over its 3 s; by share of the fill, the
// first 80 % went at 16 MiB/s and the rest at 8/3.
TEST(ThroughputTimeline, BytesPerSecondOfWritingAndPerPercentOfTheFill) {
  std::vector<TWriteRecord> Writes = TCurve().Steady(4, 16).Stall(2.0);
  Writes.back().CloseSeconds = 1.0;
  const TThroughputTimeline Timeline = ThroughputTimeline(TWriteTimeline(Writes));
  ASSERT_EQ(Timeline.PerSecond.size(), 5U);
  const std::vector<double> Seconds = {16.0, 16.0, 8.0 / 3, 8.0 / 3, 8.0 / 3};
  for (std::size_t Second = 0; Second < Seconds.size(); ++Second) {
    EXPECT_NEAR(Timeline.PerSecond[Second], Seconds[Second], 1e-9) << Second;
  }
  ASSERT_EQ(Timeline.PerPercent.size(), 100U);
  for (std::size_t Percent = 0; Percent < 100; ++Percent) {
    EXPECT_NEAR(Timeline.PerPercent[Percent], Percent < 80 ? 16.0 : 8.0 / 3, 1e-9) << Percent;
  }
  // A part second at the end is left out; no writes, no timeline.
  EXPECT_EQ(ThroughputTimeline(TWriteTimeline(TCurve().Steady(3, 16).Writes())).PerSecond.size(),
            1U);
  EXPECT_EQ(ThroughputTimeline(TWriteTimeline({})), TThroughputTimeline{});
}

}  // namespace
