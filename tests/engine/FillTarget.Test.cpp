#include "engine/FillTarget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::int64_t MiB = 1024 * 1024;
constexpr std::int64_t Half = MiB / 2;
constexpr std::int32_t Int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t Int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Int64Min = std::numeric_limits<std::int64_t>::min();

struct TCase {
  const char* Why;
  std::int64_t FreeBytes;
  std::int64_t TotalBytes;
  std::int64_t ToLeft;
  TLeftUnit Unit;
  std::int32_t Expected;
};

TEST(FillTarget, LeavesTheAskedAmountAndOneMiBInWholeBuffers) {
  const TCase Cases[] = {
      {"fraction of a MiB is dropped, 99 rounds down", 100 * MiB + Half, 0, 0,
       TLeftUnit::LeaveByMiB, 96},
      {"GiB counts 1024 MiB", 3000 * MiB, 0, 2, TLeftUnit::LeaveByGiB, 944},
      {"no room gives a negative target", 1023 * MiB + Half, 0, 1, TLeftUnit::LeaveByGiB, -2},
      {"below one buffer rounds to 0", 8 * MiB + Half, 0, 0, TLeftUnit::LeaveByMiB, 0},
      {"negative amount asks for more than is free", 100 * MiB, 0, -50, TLeftUnit::LeaveByMiB, 144},
      {"percent of the total", 1000 * MiB, 1000 * MiB, 33, TLeftUnit::LeaveByPercent, 664},
      {"percent with a fraction floors", 1000 * MiB, 1001 * MiB, 1, TLeftUnit::LeaveByPercent, 984},
      {"percent 100 leaves all free", 900 * MiB, 1000 * MiB, 100, TLeftUnit::LeaveByPercent, -101},
      {"negative percent", 1000 * MiB, 1000 * MiB, -5, TLeftUnit::LeaveByPercent, 1048},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(CalculateFillTargetInMiB(Case.FreeBytes, Case.TotalBytes, Case.ToLeft, Case.Unit, 8),
              Case.Expected)
        << Case.Why;
  }
}

TEST(FillTarget, MinusOneMeansRefused) {
  const TCase Cases[] = {
      {"percent above 100", 1000 * MiB, 1000 * MiB, 101, TLeftUnit::LeaveByPercent, -1},
      {"free MiB equal the GiB to leave", 1024 * MiB + Half, 0, 1, TLeftUnit::LeaveByGiB, -1},
      {"free MiB equal the MiB to leave", 50 * MiB, 0, 50, TLeftUnit::LeaveByMiB, -1},
      {"unknown unit", 1000 * MiB, 1000 * MiB, 0, static_cast<TLeftUnit>(7), -1},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(CalculateFillTargetInMiB(Case.FreeBytes, Case.TotalBytes, Case.ToLeft, Case.Unit, 8),
              InvalidFillTarget)
        << Case.Why;
  }
}

// In 32 bits these amounts wrap: 4,194,304 GiB is 2^32 MiB, i.e. 0, which would fill the
// whole volume; 2^32 + 100 MiB would come out as exactly -1, a refusal by accident.
TEST(FillTarget, HugeAmountsNeverWrapIntoAFillOrARefusal) {
  const TCase Cases[] = {
      {"3,000,000 GiB on a small volume", 10 * 1024 * MiB, 0, 3'000'000, TLeftUnit::LeaveByGiB,
       Int32Min},
      {"2^22 GiB", 100 * MiB, 0, std::int64_t{1} << 22, TLeftUnit::LeaveByGiB, Int32Min},
      {"2^32 + 100 MiB", 100 * MiB, 0, (std::int64_t{1} << 32) + 100, TLeftUnit::LeaveByMiB,
       Int32Min},
      {"largest amount", 100 * MiB, 0, Int64Max, TLeftUnit::LeaveByGiB, Int32Min},
      {"largest negative amount caps the target", 100 * MiB, 0, Int64Min, TLeftUnit::LeaveByMiB,
       2147483640},
      {"largest negative percent", 100 * MiB, 100 * MiB, Int64Min, TLeftUnit::LeaveByPercent,
       2147483640},
      {"volume beyond 2^31 MiB caps the target", Int64Max, Int64Max, 0, TLeftUnit::LeaveByMiB,
       2147483640},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(CalculateFillTargetInMiB(Case.FreeBytes, Case.TotalBytes, Case.ToLeft, Case.Unit, 8),
              Case.Expected)
        << Case.Why;
  }
}

// The worker's counters hold the clamp; the report shows what the setting really asks for.
TEST(FillTarget, TheReportGetsTheNegativeTargetBeforeTheClamp) {
  const struct {
    const char* Why;
    std::int64_t FreeBytes, ToLeft;
    TLeftUnit Unit;
    std::int32_t InMiB;
    std::int64_t Reported;
  } Cases[] = {
      {"an ordinary target", 100 * MiB + Half, 0, TLeftUnit::LeaveByMiB, 96, 96},
      {"no room", 1023 * MiB + Half, 1, TLeftUnit::LeaveByGiB, -2, -2},
      {"refused", 50 * MiB, 50, TLeftUnit::LeaveByMiB, -1, -1},
      {"3,000,000 GiB on 10 GiB", 10 * 1024 * MiB, 3'000'000, TLeftUnit::LeaveByGiB, Int32Min,
       10239 - 3'072'000'000},
      {"beyond 64 bits holds at the end", 100 * MiB, Int64Max, TLeftUnit::LeaveByGiB, Int32Min,
       Int64Min},
      {"a volume beyond 2^31 MiB writes what the counters hold", Int64Max, 0, TLeftUnit::LeaveByMiB,
       2147483640, 2147483640},
  };
  for (const auto& Case : Cases) {
    const TFillTarget Target =
        CalculateFillTarget(Case.FreeBytes, Case.FreeBytes, Case.ToLeft, Case.Unit, 8);
    EXPECT_EQ(Target.InMiB, Case.InMiB) << Case.Why;
    EXPECT_EQ(Target.ReportedInMiB, Case.Reported) << Case.Why;
  }
}

TEST(FillTarget, NoRoomIsATargetBelowOneWriteButNotTheRefusal) {
  EXPECT_TRUE(IsNoRoomTarget(0));
  EXPECT_TRUE(IsNoRoomTarget(-2));
  EXPECT_TRUE(IsNoRoomTarget(std::numeric_limits<std::int64_t>::min()));
  EXPECT_FALSE(IsNoRoomTarget(-1));
  EXPECT_FALSE(IsNoRoomTarget(8));
}

}  // namespace
