// A whole pass through the analysis: which figures it has, and the passes it will not judge.
#include "analysis/Analysis.Pass.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <vector>

#include "Curve.Maker.h"

namespace {

TEST(PassAnalysis, PassWithACacheStallsAndHeat) {
  // 4 GiB of cache at 1,500 MiB/s, a 2 s stall when it fills, 12 GiB at 200 MiB/s with two
  // more stalls, the last stretch at 120 MiB/s; the drive warms from 35 to 72 degrees.
  std::vector<TWriteRecord> Writes = TCurve(21)
                                         .Steady(512, 1500, 0.35)
                                         .Stall(2.0)
                                         .Steady(700, 200, 0.35)
                                         .Stall(1.2)
                                         .Steady(835, 200, 0.35)
                                         .Stall(0.9)
                                         .Steady(500, 120, 0.35);
  for (std::size_t Index = 0; Index < Writes.size(); ++Index) {
    Writes[Index].TemperatureInC = 35.0F + 37.0F * Index / Writes.size();
  }
  const TPassAnalysis Analysis = AnalysePass(Writes);
  EXPECT_EQ(Analysis.WriteCount, 2550);
  EXPECT_EQ(Analysis.WrittenMiB, 2550 * 8);
  ASSERT_FALSE(Analysis.TooShort());
  const TPassFigures& Figures = *Analysis.Figures;

  ASSERT_EQ(Figures.Phases.size(), 3U);
  ASSERT_TRUE(Figures.Cache);
  EXPECT_NEAR(Figures.Cache->SizeInMiB, 4096, 16);
  EXPECT_NEAR(Figures.Cache->InCacheSpeed, 1500 / TCurve::HarmonicShare35, 0.03 * 1500);
  // The stalls count in the speed after the cache: 1,535 writes at 200 MiB/s and 3.2 s.
  EXPECT_NEAR(Figures.Cache->PostCacheSpeed,
              1537 * 8 / (1535 * 8 / 200.0 * TCurve::HarmonicShare35 + 3.2), 0.03 * 200);
  EXPECT_EQ(Figures.LastSpeed, Figures.Phases.back().Speed);
  EXPECT_NEAR(Figures.LastSpeed, 120 / TCurve::HarmonicShare35, 0.03 * 120);

  EXPECT_LT(Figures.Speeds.P1, Figures.Speeds.P5);
  EXPECT_NEAR(Figures.Speeds.P50, 200, 20);
  EXPECT_NEAR(Figures.Speeds.P95, 1500, 0.35 * 1500);
  // The 2 s stall holds the slowest second: 4 MiB.
  ASSERT_TRUE(Figures.Slowest1s && Figures.Slowest10s);
  EXPECT_NEAR(Figures.Slowest1s->Speed, 4.0, 1e-9);
  EXPECT_LT(Figures.Slowest10s->Speed, 120);
  EXPECT_EQ(Figures.Stalls.Longest, (TWritePosition{512, 513 * 8, 2.0}));
  EXPECT_EQ(Figures.Stalls.SlowWriteCount, 3);

  ASSERT_TRUE(Figures.Heat);
  EXPECT_EQ(Figures.Heat->StartInC, 35.0F);
  // The cache's drop came at 53 degrees, not at the maximum.
  EXPECT_FALSE(Figures.Heat->ThrottleAtMiB);
}

// 1 GiB taken at 2,000 MiB/s, then 1 GiB at the drive's 40 MiB/s, then the close waits for
// the first GiB still in memory: 25.6 s. Through the system's cache that is memory, not a
// cache of the drive's, and the drive's speed is the throughput: 2048 MiB over 51.712 s.
TEST(PassAnalysis, ThroughputCountsTheClosesAndBufferedNamesTheMemory) {
  std::vector<TWriteRecord> Writes = TCurve().Steady(128, 2000).Steady(128, 40);
  Writes[63].CloseSeconds = 0.5;  // a file's close within the fast stretch
  Writes.back().CloseSeconds = 25.6;
  const double Seconds = 128 * 0.004 + 128 * 0.2 + 0.5 + 25.6;
  for (const bool Buffered : {false, true}) {
    SCOPED_TRACE(Buffered ? "buffered" : "unbuffered");
    const TPassAnalysis Analysis = AnalysePass(Writes, Buffered);
    EXPECT_NEAR(Analysis.WriteSeconds, 128 * 0.004 + 128 * 0.2, 1e-9);
    EXPECT_NEAR(Analysis.CloseSeconds, 26.1, 1e-9);
    EXPECT_NEAR(Analysis.Throughput, 2048 / Seconds, 1e-9);
    EXPECT_EQ(Analysis.Buffered, Buffered);
    ASSERT_FALSE(Analysis.TooShort());
    const TPassFigures& Figures = *Analysis.Figures;
    // The closes count in their phases: the fast one's wait in the first, the last in the last.
    ASSERT_EQ(Figures.Phases.size(), 2U);
    EXPECT_NEAR(Figures.Phases[0].Speed, 1024 / (0.512 + 0.5), 1e-9);
    EXPECT_NEAR(Figures.Phases[1].Speed, 1024 / (25.6 + 25.6), 1e-9);
    const std::optional<TCacheFigures>& Drop = Buffered ? Figures.Memory : Figures.Cache;
    ASSERT_TRUE(Drop);
    EXPECT_EQ(Drop->SizeInMiB, 1024);
    EXPECT_FALSE(Buffered ? Figures.Cache : Figures.Memory);
    if (Buffered) {
      ASSERT_TRUE(Analysis.DriveSpeed);
      EXPECT_NEAR(*Analysis.DriveSpeed, 40.0, 0.15 * 40.0);
    } else {
      EXPECT_FALSE(Analysis.DriveSpeed);
    }
  }
  // A pass too short to judge still has its throughput.
  std::vector<TWriteRecord> Short = TCurve().Steady(4, 100);
  Short.back().CloseSeconds = 0.32;
  EXPECT_NEAR(AnalysePass(Short).Throughput, 32 / 0.64, 1e-9);
}

// Sticks and cards have caches of a few writes: found within 10 % from 32 MiB on, clean and in
// +-35 % noise, in short passes and long ones; flat noisy curves, however seeded, have none.
TEST(PassAnalysis, SmallCachesAreFoundAndNoiseIsNone) {
  const struct {
    const char* Name;
    int CacheWrites;
    double Fast, Slow, Noise;
    int SlowWrites;
  } Cases[] = {
      {"32 MiB at 100 then 40", 4, 100, 40, 0.0, 60},
      {"64 MiB at 200 then 60", 8, 200, 60, 0.0, 300},
      {"64 MiB at 200 then 60, noisy", 8, 200, 60, 0.35, 300},
      {"40 MiB at 18 then 3.5", 5, 18, 3.5, 0.0, 8},
      {"40 MiB at 18 then 3.5, noisy", 5, 18, 3.5, 0.35, 40},
      {"96 MiB at 90 then 30, noisy, a long pass", 12, 90, 30, 0.35, 4000},
  };
  for (std::uint32_t Seed = 1; Seed <= 20; ++Seed) {
    for (const auto& Case : Cases) {
      SCOPED_TRACE(std::string(Case.Name) + ", seed " + std::to_string(Seed));
      const std::vector<TWriteRecord> Writes = TCurve(Seed)
                                                   .Steady(Case.CacheWrites, Case.Fast, Case.Noise)
                                                   .Steady(Case.SlowWrites, Case.Slow, Case.Noise);
      const TPassAnalysis Analysis = AnalysePass(Writes);
      ASSERT_FALSE(Analysis.TooShort());
      const auto& Cache = Analysis.Figures->Cache;
      ASSERT_TRUE(Cache);
      const double Size = Case.CacheWrites * 8.0;
      EXPECT_NEAR(static_cast<double>(Cache->SizeInMiB), Size, 0.1 * Size);
      // A few noisy writes' throughput is off by up to their noise.
      EXPECT_NEAR(Cache->InCacheSpeed, Case.Fast, (0.1 + Case.Noise) * Case.Fast);
      EXPECT_NEAR(Cache->PostCacheSpeed, Case.Slow, 0.1 * Case.Slow);
    }
    for (const int Count : {12, 40, 300, 5000}) {
      SCOPED_TRACE("flat, " + std::to_string(Count) + " writes, seed " + std::to_string(Seed));
      const TPassAnalysis Flat = AnalysePass(TCurve(Seed).Steady(Count, 150, 0.35).Writes());
      EXPECT_FALSE(Flat.Figures->Cache);
      const TPassAnalysis Coin = AnalysePass(TCurve(Seed).Coin(Count, 1500, 80).Writes());
      EXPECT_FALSE(Coin.Figures->Cache);
    }
  }
}

TEST(PassAnalysis, TooShortToJudgeBelowTwelveWrites) {
  for (const int Count : {0, 1, MinWritesToJudge - 1}) {
    const TPassAnalysis Analysis = AnalysePass(TCurve().Steady(Count, 400).Writes());
    EXPECT_TRUE(Analysis.TooShort()) << Count;
    EXPECT_EQ(Analysis.WriteCount, Count);
    EXPECT_EQ(Analysis.WrittenMiB, Count * 8);
    EXPECT_DOUBLE_EQ(Analysis.WriteSeconds, Count * 0.02);
  }
  const TPassAnalysis Judged = AnalysePass(TCurve().Steady(MinWritesToJudge, 400).Writes());
  ASSERT_FALSE(Judged.TooShort());
  EXPECT_EQ(Judged.Figures->Phases.size(), 1U);
  EXPECT_FALSE(Judged.Figures->Cache);
  // 12 writes of 0.02 s: no second of writing.
  EXPECT_FALSE(Judged.Figures->Slowest1s);
  EXPECT_FALSE(Judged.Figures->Heat);
}

TEST(PassAnalysis, WritesTooFastForTheClockGiveFiniteFigures) {
  std::vector<TWriteRecord> Writes = TCurve().Steady(64, 1000);
  for (std::size_t Index = 0; Index < Writes.size(); Index += 2) {
    Writes[Index].Seconds = 0.0;
    Writes[Index].SpeedInMiB = std::numeric_limits<std::int32_t>::max();
  }
  const TPassAnalysis Analysis = AnalysePass(Writes);
  ASSERT_FALSE(Analysis.TooShort());
  for (const TPhase& Phase : Analysis.Figures->Phases) {
    EXPECT_TRUE(std::isfinite(Phase.Speed));
  }
  EXPECT_EQ(Analysis.Figures->Speeds.P95, std::numeric_limits<std::int32_t>::max());
}

TEST(PassAnalysis, WritesThatDoNotAddUpAreRefused) {
  std::vector<TWriteRecord> Writes = TCurve().Steady(40, 100);
  Writes[10].WrittenInMiB = Writes[9].WrittenInMiB;
  EXPECT_THROW(AnalysePass(Writes), std::invalid_argument);
  Writes = TCurve().Steady(40, 100);
  Writes[0].WrittenInMiB = 0;
  EXPECT_THROW(AnalysePass(Writes), std::invalid_argument);
}

}  // namespace
