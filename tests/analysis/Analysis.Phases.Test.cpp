// Phases of made-up curves: where the cuts fall, what each phase's speed is, and which curves
// stay in one phase.
#include "analysis/Analysis.Phases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Curve.Maker.h"

namespace {

std::vector<TPhase> PhasesOf(const std::vector<TWriteRecord>& Writes) {
  return FindPhases(Writes, TWriteTimeline(Writes));
}

std::string Describe(const std::vector<TPhase>& Phases) {
  std::string Text;
  for (const TPhase& Phase : Phases) {
    Text += "[" + std::to_string(Phase.FromMiB) + "-" + std::to_string(Phase.ToMiB) + " MiB " +
            std::to_string(Phase.Speed) + " MiB/s] ";
  }
  return Text;
}

// The phases follow each other without a gap and cover every write.
void ExpectTiled(const std::vector<TPhase>& Phases, const std::vector<TWriteRecord>& Writes) {
  ASSERT_FALSE(Phases.empty());
  std::int32_t NextWrite = 0;
  std::int64_t NextMiB = 0;
  for (const TPhase& Phase : Phases) {
    EXPECT_EQ(Phase.FirstWrite, NextWrite);
    EXPECT_EQ(Phase.FromMiB, NextMiB);
    EXPECT_GT(Phase.WriteCount, 0);
    NextWrite += Phase.WriteCount;
    NextMiB = Phase.ToMiB;
  }
  EXPECT_EQ(NextWrite, static_cast<std::int32_t>(Writes.size()));
  EXPECT_EQ(NextMiB, Writes.back().WrittenInMiB);
}

struct TExpectedPhase {
  std::int64_t ToMiB;  // within ToleranceMiB
  double Speed;        // within 8 %
};

TEST(Phases, StepsAreCutAtTheWriteWhereTheSpeedChanges) {
  const struct {
    const char* Name;
    std::vector<TWriteRecord> Writes;
    std::vector<TExpectedPhase> Expected;
    std::int64_t ToleranceMiB;
  } Cases[] = {
      {"a step without noise",
       TCurve().Steady(300, 1500).Steady(700, 200),
       {{2400, 1500}, {8000, 200}},
       0},
      {"a step in +-35 % noise",
       TCurve(7).Steady(300, 1500, 0.35).Steady(700, 200, 0.35),
       {{2400, 1500}, {8000, 200}},
       16},
      {"two steps",
       TCurve(8).Steady(400, 1500, 0.35).Steady(400, 800, 0.35).Steady(400, 200, 0.35),
       {{3200, 1500}, {6400, 800}, {9600, 200}},
       16},
      {"a recovery",
       TCurve(9).Steady(300, 1500, 0.35).Steady(300, 100, 0.35).Steady(300, 1500, 0.35),
       {{2400, 1500}, {4800, 100}, {7200, 1500}},
       16},
      {"a step up",
       TCurve(10).Steady(500, 300, 0.35).Steady(500, 900, 0.35),
       {{4000, 300}, {8000, 900}},
       16},
      // The throttled stretch is one phase at its throughput: 2 x 8 MiB in 8/1500 + 8/80 s.
      {"a cache, then 80/1,500 MiB/s alternating",
       TCurve(11).Steady(300, 1500, 0.35).Alternating(1000, 1500, 80),
       {{2400, 1500}, {10400, 151.9}},
       16},
      {"the same alternation stumbling",
       TCurve(12).Steady(300, 1500, 0.35).Alternating(1000, 1500, 80, 0.2),
       {{2400, 1500}, {10400, 151.9}},
       16},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const std::vector<TPhase> Phases = PhasesOf(Case.Writes);
    ExpectTiled(Phases, Case.Writes);
    ASSERT_EQ(Phases.size(), Case.Expected.size()) << Describe(Phases);
    for (std::size_t Index = 0; Index < Phases.size(); ++Index) {
      EXPECT_NEAR(Phases[Index].ToMiB, Case.Expected[Index].ToMiB, Case.ToleranceMiB)
          << Describe(Phases);
      EXPECT_NEAR(Phases[Index].Speed, Case.Expected[Index].Speed,
                  0.08 * Case.Expected[Index].Speed)
          << Describe(Phases);
    }
  }
}

TEST(Phases, NoiseStallsAndAlternationStayOnePhase) {
  // Sizes from the shortest pass judged to a few thousand writes, many seeds each: the penalty
  // must hold for every one, not for a lucky seed. Fewer seeds where the blocks reach their
  // most (1,024), which costs the detection most.
  for (const int Count : {32, 64, 200, 1000, 5000}) {
    const std::uint32_t Seeds = Count < 5000 ? 40 : 10;
    for (std::uint32_t Seed = 1; Seed <= Seeds; ++Seed) {
      SCOPED_TRACE(std::to_string(Count) + " writes, seed " + std::to_string(Seed));
      const std::vector<std::vector<TWriteRecord>> Curves = {
          TCurve(Seed).Steady(Count, 1000, 0.35),
          TCurve(Seed).Steady(Count, 1000, 0.5),
          TCurve(Seed).Alternating(Count, 1500, 80, 0.2),
          TCurve(Seed)
              .Steady(Count / 2, 1000, 0.35)
              .Stall(3.0)
              .Steady(Count / 4, 1000, 0.35)
              .Stall(1.0)
              .Stall(1.0)
              .Steady(Count / 4, 1000, 0.35),
      };
      for (const auto& Writes : Curves) {
        const std::vector<TPhase> Phases = PhasesOf(Writes);
        EXPECT_EQ(Phases.size(), 1U) << Describe(Phases);
      }
    }
  }
}

TEST(Phases, ThrottledWritesDrawnAtRandomAreOnePhaseAfterTheCache) {
  // Without a rhythm, fast writes bunch up here and there: no bunch is a phase of its own.
  for (std::uint32_t Seed = 1; Seed <= 40; ++Seed) {
    const std::vector<TWriteRecord> Writes =
        TCurve(Seed).Steady(500, 1500, 0.35).Coin(2000, 1500, 80);
    const std::vector<TPhase> Phases = PhasesOf(Writes);
    ASSERT_EQ(Phases.size(), 2U) << "seed " << Seed << ": " << Describe(Phases);
    // Fast writes right after the cache look like the cache: the cut may come a few late.
    EXPECT_GE(Phases[0].ToMiB, 4000 - 16) << "seed " << Seed;
    EXPECT_LE(Phases[0].ToMiB, 4000 + 8 * 8) << "seed " << Seed;
    EXPECT_NEAR(Phases[1].Speed, 151.9, 0.1 * 151.9) << "seed " << Seed;
  }
}

TEST(Phases, MedianIsTheWritesMiddleSpeedAndSpeedIsTheThroughput) {
  // Speeds 100, 100, 400 (x 6): the median write is 100 MiB/s, the throughput 24 MiB over
  // 0.08 + 0.08 + 0.02 s = 133.3 MiB/s.
  TCurve Curve;
  for (int Repeat = 0; Repeat < 16; ++Repeat) {
    Curve.Steady(2, 100).Steady(1, 400);
  }
  const std::vector<TPhase> Phases = PhasesOf(Curve);
  ASSERT_EQ(Phases.size(), 1U) << Describe(Phases);
  EXPECT_EQ(Phases[0].MedianSpeed, 100.0);
  EXPECT_NEAR(Phases[0].Speed, 384.0 / 2.88, 1e-9);
}

TEST(Phases, EdgesOfTheInput) {
  EXPECT_TRUE(PhasesOf({}).empty());
  // Shorter than two phases: one phase, but for a small cache at its start.
  const std::vector<TWriteRecord> Short = TCurve().Steady(10, 100).Steady(10, 1500);
  ASSERT_EQ(PhasesOf(Short).size(), 1U);
  ExpectTiled(PhasesOf(Short), Short);
  const std::vector<TWriteRecord> SmallCache = TCurve().Steady(10, 1500).Steady(10, 100);
  ASSERT_EQ(PhasesOf(SmallCache).size(), 2U);
  EXPECT_EQ(PhasesOf(SmallCache)[0].ToMiB, 80);
  ExpectTiled(PhasesOf(SmallCache), SmallCache);
  const std::vector<TWriteRecord> Single = TCurve().Steady(1, 500);
  ASSERT_EQ(PhasesOf(Single).size(), 1U);
  EXPECT_DOUBLE_EQ(PhasesOf(Single)[0].Speed, 500.0);
  // Writes the clock did not see are the fastest there are, not infinitely fast, and a NaN
  // time does not spread: every speed stays finite.
  std::vector<TWriteRecord> Odd = TCurve().Steady(40, 1000);
  Odd[3].Seconds = 0.0;
  Odd[7].Seconds = std::nan("");
  Odd[9].Seconds = -1.0;
  Odd[12].Seconds = INFINITY;
  for (const TPhase& Phase : PhasesOf(Odd)) {
    EXPECT_TRUE(std::isfinite(Phase.Speed)) << Describe(PhasesOf(Odd));
    EXPECT_GT(Phase.Speed, 0.0);
  }
}

TEST(Phases, ShortestPhaseGrowsWithLongPasses) {
  EXPECT_EQ(MinPhaseWrites(0), 16);
  EXPECT_EQ(MinPhaseWrites(6400), 16);
  EXPECT_EQ(MinPhaseWrites(6401), 17);
  EXPECT_EQ(MinPhaseWrites(500000), 1250);
}

TEST(Phases, HalfAMillionWritesWithACacheAndStalls) {
  // A 4 TB drive: 40,000 writes (312.5 GiB) of cache, then a slow lasting level, with stalls.
  TCurve Curve(3);
  Curve.Steady(40000, 1800, 0.35);
  for (int Stretch = 0; Stretch < 46; ++Stretch) {
    Curve.Steady(10000, 450, 0.35).Stall(2.5);
  }
  const std::vector<TWriteRecord>& Writes = Curve;
  const std::vector<TPhase> Phases = PhasesOf(Writes);
  ExpectTiled(Phases, Writes);
  ASSERT_EQ(Phases.size(), 2U) << Describe(Phases);
  EXPECT_NEAR(Phases[0].ToMiB, 320000, 8 * 8);
  // Throughput is the harmonic mean of the speeds: +-35 % noise costs 4.4 % of the level.
  EXPECT_NEAR(Phases[0].Speed, 1800 / TCurve::HarmonicShare35, 0.01 * 1800);
  const double SlowSeconds = 80000 / 450.0 * TCurve::HarmonicShare35 + 2.5;
  EXPECT_NEAR(Phases[1].Speed, 80000 / SlowSeconds, 0.01 * 450);
}

}  // namespace
