#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "Drive.Io.h"
#include "Sim.Drive.h"

// The drive's speeds as Varnell measures them: each 8 MiB write timed around the write call.
// The drive never runs faster than configured; a loaded machine may make it slower, so the
// lower bounds are lenient and phases are told apart by the drive's own byte counts.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;
using namespace DriveIo;
using namespace std::chrono_literals;

// A request that follows the previous one within the carry window starts where that one ended:
// a write gains the time the test spent between two writes, microseconds in these loops.
constexpr double NeverFasterThan = 1.06;
// A busy machine (sanitizers, parallel tests) delays the test's thread between the requests of
// a write; beyond the carry window that time is lost. Buffered writes also fill fresh page
// cache, whose first touch on a virtual machine can cost more than the copy.
constexpr double AtLeast = 0.4;

std::vector<TWrite> WriteFile(const TSimDrive& Drive, const std::string& Name, int Writes,
                              bool Direct) {
  TBuffer Data;
  std::vector<TWrite> Done;
  TFd File = CreateNew(Drive.DrivePath() + Name, Direct);
  if (!File.Valid()) {
    ADD_FAILURE() << Name << ": " << std::strerror(errno);
    return Done;
  }
  for (int Index = 0; Index < Writes; ++Index) {
    Done.push_back(TimedWrite(File.Get(), Data.Data(), Data.Size()));
    if (Done.back().Error != 0) {
      ADD_FAILURE() << "write " << Index << ": " << std::strerror(Done.back().Error);
      break;
    }
  }
  if (!Direct) {
    EXPECT_EQ(fsync(File.Get()), 0);
  }
  return Done;
}

// MiB/s over the writes [First, Last).
double SpeedOf(const std::vector<TWrite>& Writes, std::size_t First, std::size_t Last) {
  double Seconds = 0;
  for (std::size_t Index = First; Index < Last; ++Index) {
    Seconds += Writes[Index].Seconds;
  }
  return static_cast<double>((Last - First) * WriteBytes / MiB) / Seconds;
}

class SimDriveSpeed : public testing::TestWithParam<bool> {};

TEST_P(SimDriveSpeed, TheCacheAndTheSpeedAfterItHoldForTheirBytes) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.CacheSize = 64_MiB;
  Config.CacheSpeed = 200;
  Config.Speed = 50;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const auto Writes = WriteFile(Drive, "Randomfile0", 12, GetParam());
  ASSERT_EQ(Writes.size(), 12u);

  const double InCache = SpeedOf(Writes, 0, 8);
  const double AfterCache = SpeedOf(Writes, 8, 12);
  EXPECT_LE(InCache, 200 * NeverFasterThan);
  EXPECT_GE(InCache, 200 * AtLeast);
  EXPECT_LE(AfterCache, 50 * NeverFasterThan);
  EXPECT_GE(AfterCache, 50 * AtLeast);
  const TStats Stats = Drive.Stats();
  EXPECT_EQ(Stats.CacheSpeedBytes, 64_MiB);
  EXPECT_EQ(Stats.SlowSpeedBytes, 32_MiB);
}

INSTANTIATE_TEST_SUITE_P(UnbufferedAndBuffered, SimDriveSpeed, testing::Bool(),
                         [](const auto& Info) { return Info.param ? "Direct" : "Cached"; });

TEST(SimDriveStalls, EveryIntervalsLastWriteStallsAndNoOtherDoes) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.StallEvery = 32_MiB;
  Config.StallMs = 300;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const auto Writes = WriteFile(Drive, "Randomfile0", 12, true);
  ASSERT_EQ(Writes.size(), 12u);

  std::vector<std::size_t> BySlowness(Writes.size());
  std::iota(BySlowness.begin(), BySlowness.end(), 0);
  std::sort(BySlowness.begin(), BySlowness.end(),
            [&](std::size_t A, std::size_t B) { return Writes[A].Seconds > Writes[B].Seconds; });
  BySlowness.resize(3);
  std::sort(BySlowness.begin(), BySlowness.end());
  EXPECT_EQ(BySlowness, (std::vector<std::size_t>{3, 7, 11}))
      << "the writes ending at 32, 64, 96 MiB";
  // A write gains at most the carry window: the gap before it, if it followed closely.
  for (const std::size_t Index : BySlowness) {
    EXPECT_GE(Writes[Index].Seconds, 0.3 - Config.CarryUs / 1e6) << "write " << Index;
  }
  EXPECT_EQ(Drive.Stats().Stalls, 3u);
}

TEST(SimDriveRecovery, AnIdleDriveRegainsCacheAtItsRate) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.CacheSize = 32_MiB;
  Config.Speed = 200;
  Config.CacheRecovery = 16;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  TBuffer Data;
  TFd File = CreateNew(Drive.DrivePath() + "Randomfile0", true);
  // Until the cache is full: gaps between writes on a busy machine may regain a little.
  for (int Index = 0; Index < 10 && Drive.Stats().SlowSpeedBytes == 0; ++Index) {
    ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
  }
  const TStats Filled = Drive.Stats();
  ASSERT_GT(Filled.SlowSpeedBytes, 0u) << "the cache never filled";

  const auto RestStart = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(1s);
  const double Rested =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - RestStart).count();
  for (int Index = 0; Index < 4; ++Index) {
    ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
  }
  // Written at the cache's speed now: the room it had left, and what the rest regained. The
  // drive counts its rest from its last reply to the next request: a little longer than the
  // test's own measure, and gaps while these writes run may add a little.
  const std::uint64_t RoomBefore = Config.CacheSize - Filled.CacheLevel;
  const double Regained =
      static_cast<double>(Drive.Stats().CacheSpeedBytes - Filled.CacheSpeedBytes - RoomBefore) /
      MiB;
  EXPECT_GE(Regained, 16 * Rested - 0.01);
  EXPECT_LE(Regained, 16 * (Rested + 0.2));
}

}  // namespace
