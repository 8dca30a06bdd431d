// The cache: where the first sudden, lasting drop begins, and the speeds around it.
#include "analysis/Analysis.Cache.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "Curve.Maker.h"

namespace {

// Phases of 100 writes of 8 MiB each at the given speeds, made by hand.
std::vector<TPhase> PhasesAt(const std::vector<double>& Speeds) {
  std::vector<TPhase> Phases;
  for (const double Speed : Speeds) {
    TPhase Phase;
    Phase.FirstWrite = static_cast<std::int32_t>(Phases.size()) * 100;
    Phase.WriteCount = 100;
    Phase.FromMiB = Phase.FirstWrite * 8;
    Phase.ToMiB = Phase.FromMiB + 800;
    Phase.Speed = Speed;
    Phase.MedianSpeed = Speed;
    Phases.push_back(Phase);
  }
  return Phases;
}

std::vector<TWriteRecord> WritesAt(const std::vector<double>& Speeds) {
  TCurve Curve;
  for (const double Speed : Speeds) {
    Curve.Steady(100, Speed);
  }
  return Curve;
}

TEST(Cache, EndsAtTheFirstSuddenLastingDrop) {
  const struct {
    const char* Name;
    std::vector<double> Speeds;
    std::optional<std::int64_t> SizeInMiB;
    double InCache, PostCache;
  } Cases[] = {
      {"one level", {1000}, std::nullopt, 0, 0},
      {"a step", {1500, 200}, 800, 1500, 200},
      {"exactly 25 % slower", {1000, 750}, 800, 1000, 750},
      {"24 % slower", {1000, 760}, std::nullopt, 0, 0},
      {"two steps: the first one", {1500, 800, 200}, 800, 1500, 800},
      // Speeds in the cache over both phases before the drop: 1,600 MiB in 0.8 + 0.8 / 1.3 s.
      {"a slower stretch before the drop", {1000, 1300, 200}, 1600, 1600 / (0.8 + 0.8 / 1.3), 200},
      {"a boost that ends at the first level", {1000, 1400, 1000}, std::nullopt, 0, 0},
      {"a step up", {200, 1500}, std::nullopt, 0, 0},
      // Each step is less than 25 %, so none is sudden: a hard disk's inner tracks.
      {"a gradual slowing", {1000, 850, 720, 610, 520}, std::nullopt, 0, 0},
      {"a recovery: the dip is the drop", {1500, 100, 1500}, 800, 1500, 100},
      // 25 % below its neighbour but not below the first phase: no lasting drop yet.
      {"a drop back to the first level, then a real one",
       {1000, 1400, 1000, 300},
       2400,
       2400 / (0.8 + 0.8 / 1.4 + 0.8),
       300},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const std::vector<TWriteRecord> Writes = WritesAt(Case.Speeds);
    const std::optional<TCacheFigures> Cache =
        FindCache(PhasesAt(Case.Speeds), TWriteTimeline(Writes));
    ASSERT_EQ(Cache.has_value(), Case.SizeInMiB.has_value());
    if (Cache) {
      EXPECT_EQ(Cache->SizeInMiB, *Case.SizeInMiB);
      EXPECT_NEAR(Cache->InCacheSpeed, Case.InCache, 1e-6 * Case.InCache);
      EXPECT_DOUBLE_EQ(Cache->PostCacheSpeed, Case.PostCache);
    }
  }
}

TEST(Cache, FoundOnNoisyCurvesAndNotOnARamp) {
  {
    const std::vector<TWriteRecord> Writes =
        TCurve(5).Steady(640, 1500, 0.35).Steady(2000, 180, 0.35);
    const TWriteTimeline Timeline(Writes);
    const auto Cache = FindCache(FindPhases(Writes, Timeline), Timeline);
    ASSERT_TRUE(Cache);
    EXPECT_NEAR(Cache->SizeInMiB, 5120, 16);
    EXPECT_NEAR(Cache->InCacheSpeed, 1500 / TCurve::HarmonicShare35, 0.03 * 1500);
    EXPECT_NEAR(Cache->PostCacheSpeed, 180 / TCurve::HarmonicShare35, 0.03 * 180);
  }
  for (std::uint32_t Seed = 1; Seed <= 10; ++Seed) {
    // Half the speed over the pass, steadily, in a little noise: phases, but no cache.
    const std::vector<TWriteRecord> Writes = TCurve(Seed).Ramp(4000, 1000, 500, 0.05);
    const TWriteTimeline Timeline(Writes);
    const std::vector<TPhase> Phases = FindPhases(Writes, Timeline);
    EXPECT_GT(Phases.size(), 1U) << "seed " << Seed;
    EXPECT_FALSE(FindCache(Phases, Timeline)) << "seed " << Seed;
  }
}

}  // namespace
