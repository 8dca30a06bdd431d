#include <gtest/gtest.h>

#include <vector>

#include "daemon/SimDrive.Pacing.h"

// The drive's time model with made-up clocks: what each request costs by bytes written.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;

constexpr std::int64_t Ms = 1'000'000;

std::int64_t NsFor(std::uint64_t Bytes, double MiBPerSecond) {
  return static_cast<std::int64_t>(static_cast<double>(Bytes) / MiB / MiBPerSecond * 1e9 + 0.5);
}

// Back to back: each request arrives the moment the previous one was answered.
std::vector<TWritePlan> WriteBackToBack(TPacing& Pacing, const std::vector<std::uint64_t>& Sizes,
                                        std::int64_t& Now) {
  std::vector<TWritePlan> Plans;
  for (const std::uint64_t Size : Sizes) {
    Plans.push_back(Pacing.Write(Now, Size));
    Now = Plans.back().DeadlineNs;
  }
  return Plans;
}

TEST(SimDrivePacing, EachPhaseHoldsForItsBytesAndARequestOnABoundaryPaysBothSpeeds) {
  TConfig Drive;
  Drive.CacheSize = 4_MiB;
  Drive.CacheSpeed = 400;
  Drive.Speed = 100;
  Drive.FoldAfter = 10_MiB;
  Drive.FoldSpeed = 25;
  TPacing Pacing(Drive);
  std::int64_t Now = 1000 * Ms;
  const std::int64_t Start = Now;
  // 3 MiB in the cache; 2 MiB across its end; slow up to 10 MiB; 2 MiB across the fold.
  const auto Plans = WriteBackToBack(Pacing, {3_MiB, 2_MiB, 4_MiB, 2_MiB, 1_MiB}, Now);

  struct TExpected {
    std::uint64_t Cache, Slow, Fold;
    std::int64_t Ns;
  };
  const std::vector<TExpected> Expected = {
      {3_MiB, 0, 0, NsFor(3_MiB, 400)}, {1_MiB, 1_MiB, 0, NsFor(1_MiB, 400) + NsFor(1_MiB, 100)},
      {0, 4_MiB, 0, NsFor(4_MiB, 100)}, {0, 1_MiB, 1_MiB, NsFor(1_MiB, 100) + NsFor(1_MiB, 25)},
      {0, 0, 1_MiB, NsFor(1_MiB, 25)},
  };
  std::int64_t Previous = Start;
  for (std::size_t Index = 0; Index < Plans.size(); ++Index) {
    SCOPED_TRACE("request " + std::to_string(Index));
    EXPECT_EQ(Plans[Index].CacheBytes, Expected[Index].Cache);
    EXPECT_EQ(Plans[Index].SlowBytes, Expected[Index].Slow);
    EXPECT_EQ(Plans[Index].FoldBytes, Expected[Index].Fold);
    EXPECT_NEAR(Plans[Index].DeadlineNs - Previous, Expected[Index].Ns, 2);
    Previous = Plans[Index].DeadlineNs;
  }
  EXPECT_EQ(Pacing.Written(), 12_MiB);
  EXPECT_EQ(Pacing.CacheLevel(), 4_MiB);
}

TEST(SimDrivePacing, AStallFallsOnTheRequestThatCompletesEachInterval) {
  TConfig Drive;
  Drive.Speed = 100;
  Drive.StallEvery = 4_MiB;
  Drive.StallMs = 250;
  TPacing Pacing(Drive);
  std::int64_t Now = 0;
  // Requests end at 1, 2, 3, 4, 5, 6, 7.5, 8.5 MiB: the 4th reaches 4 MiB, the 8th passes 8 MiB.
  const auto Plans =
      WriteBackToBack(Pacing, {1_MiB, 1_MiB, 1_MiB, 1_MiB, 1_MiB, 1_MiB, 1536_KiB, 1_MiB}, Now);
  std::vector<bool> Stalled;
  for (const auto& Plan : Plans) {
    Stalled.push_back(Plan.Stalled);
  }
  EXPECT_EQ(Stalled, (std::vector<bool>{false, false, false, true, false, false, false, true}));
  EXPECT_EQ(Plans[3].DeadlineNs - Plans[2].DeadlineNs, NsFor(1_MiB, 100) + 250 * Ms);
}

// After the cache only: the cache's 3 MiB never stall, and the interval counts from its end.
TEST(SimDrivePacing, StallsAfterTheCacheCountFromItsEnd) {
  TConfig Drive;
  Drive.CacheSize = 3_MiB;
  Drive.CacheSpeed = 1000;
  Drive.Speed = 100;
  Drive.StallEvery = 2_MiB;
  Drive.StallMs = 250;
  Drive.StallAfterCache = true;
  TPacing Pacing(Drive);
  std::int64_t Now = 0;
  const auto Plans = WriteBackToBack(Pacing, std::vector<std::uint64_t>(8, 1_MiB), Now);
  std::vector<bool> Stalled;
  for (const auto& Plan : Plans) {
    Stalled.push_back(Plan.Stalled);
  }
  EXPECT_EQ(Stalled, (std::vector<bool>{false, false, false, false, true, false, true, false}));
}

TEST(SimDrivePacing, ShortGapsAreTheDrivesOwnTimeLongerOnesAreIdle) {
  TConfig Drive;
  Drive.Speed = 100;  // 10 ms a MiB
  Drive.CarryUs = 1000;
  TPacing Pacing(Drive);
  const std::int64_t First = Pacing.Write(0, 1_MiB).DeadlineNs;
  ASSERT_EQ(First, 10 * Ms);
  // 0.4 ms late (FUSE's round trip, a late wake-up): the next request still starts at 10 ms,
  // so the drive's long-run speed stays the configured one.
  const std::int64_t Second = Pacing.Write(First + Ms * 4 / 10, 1_MiB).DeadlineNs;
  EXPECT_EQ(Second, 20 * Ms);
  // 5 ms later the drive was idle: the request starts when it arrives.
  const std::int64_t Third = Pacing.Write(Second + 5 * Ms, 1_MiB).DeadlineNs;
  EXPECT_EQ(Third, 35 * Ms);
  // Work that ran past its deadline (a slow copy, a busy machine) is not won back by the next
  // request: it starts when that work ended.
  Pacing.Overran(Third + 4 * Ms);
  EXPECT_EQ(Pacing.Write(Third + 5 * Ms, 1_MiB).DeadlineNs, 49 * Ms);
  // Reads share the one device, at their own speed.
  Drive.ReadSpeed = 200;
  TPacing Reading(Drive);
  EXPECT_EQ(Reading.Read(0, 1_MiB), 5 * Ms);
  EXPECT_EQ(Reading.Write(5 * Ms, 1_MiB).DeadlineNs, 15 * Ms);
}

TEST(SimDrivePacing, IdleTimeRefillsTheCacheAtTheRecoveryRate) {
  TConfig Drive;
  Drive.CacheSize = 8_MiB;
  Drive.CacheSpeed = 800;
  Drive.Speed = 80;
  Drive.CacheRecovery = 100;  // MiB per idle second
  TPacing Pacing(Drive);
  std::int64_t Now = 0;
  WriteBackToBack(Pacing, {8_MiB, 1_MiB}, Now);
  ASSERT_EQ(Pacing.CacheLevel(), 8_MiB);

  // 30 ms idle: 3 MiB regained, so 3 of the next 4 MiB go at the cache's speed.
  const TWritePlan AfterShortRest = Pacing.Write(Now + 30 * Ms, 4_MiB);
  EXPECT_EQ(AfterShortRest.CacheBytes, 3_MiB);
  EXPECT_EQ(AfterShortRest.SlowBytes, 1_MiB);
  // A long rest empties the cache, never below nothing.
  const TWritePlan AfterLongRest = Pacing.Write(AfterShortRest.DeadlineNs + 5000 * Ms, 10_MiB);
  EXPECT_EQ(AfterLongRest.CacheBytes, 8_MiB);
  // Gaps within the carry window are no rest at all.
  const TWritePlan Chained = Pacing.Write(AfterLongRest.DeadlineNs + Ms / 2, 1_MiB);
  EXPECT_EQ(Chained.CacheBytes, 0u);
}

}  // namespace
