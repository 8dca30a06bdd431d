// Temperatures over a pass, and whether a drop in speed began at the hottest point.
#include "analysis/Analysis.Heat.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "Curve.Maker.h"

namespace {

// 400 writes at 1,500 MiB/s, then 400 at 300 MiB/s (the drop at 3,200 MiB); temperatures from
// Temperature(write index), none where it gives a negative value.
std::vector<TWriteRecord> DropWithTemperatures(const std::function<float(int)>& Temperature) {
  std::vector<TWriteRecord> Writes = TCurve(4).Steady(400, 1500, 0.2).Steady(400, 300, 0.2);
  for (int Index = 0; Index < static_cast<int>(Writes.size()); ++Index) {
    const float Value = Temperature(Index);
    if (Value >= 0) {
      Writes[static_cast<std::size_t>(Index)].TemperatureInC = Value;
    }
  }
  return Writes;
}

std::optional<THeat> HeatOf(const std::vector<TWriteRecord>& Writes) {
  return FindHeat(Writes, FindPhases(Writes, TWriteTimeline(Writes)));
}

TEST(Heat, DropThatBeganAtTheHottestPointIsThrottling) {
  const struct {
    const char* Name;
    std::function<float(int)> Temperature;
    float Start, Max, End;
    std::int32_t MaxAtMiB;
    std::optional<std::int64_t> ThrottleAtMiB;
  } Cases[] = {
      // Rising from 40 to a plateau of 70 reached at write 350; the speed drops at write 400.
      {"a plateau where the speed drops",
       [](int Index) { return Index < 350 ? 40.0F + 30.0F * Index / 350 : 70.0F; }, 40, 70, 70,
       351 * 8, 3200},
      // Still climbing when the speed dropped, 80 only at the end: the cache, not the heat.
      {"still rising at the drop", [](int Index) { return 40.0F + 40.0F * Index / 799; }, 40, 80,
       80, 800 * 8, std::nullopt},
      // Hot all along, without warming: nothing to blame on heat.
      {"hot but flat", [](int) { return 68.0F; }, 68, 68, 68, 8, std::nullopt},
      // Read every 30th write only: the drop's first write carries the last value read, 70.
      {"read now and then",
       [](int Index) { return Index % 30 != 0 ? -1.0F : (Index < 300 ? 45.0F : 70.0F); }, 45, 70,
       70, 301 * 8, 3200},
      // Read only from write 100 on: the start is the first value read.
      {"read late", [](int Index) { return Index < 100 ? -1.0F : 50.0F + (Index > 380); }, 50, 51,
       51, 382 * 8, std::nullopt},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const auto Heat = HeatOf(DropWithTemperatures(Case.Temperature));
    ASSERT_TRUE(Heat);
    EXPECT_EQ(Heat->StartInC, Case.Start);
    EXPECT_EQ(Heat->MaxInC, Case.Max);
    EXPECT_EQ(Heat->EndInC, Case.End);
    EXPECT_EQ(Heat->MaxAtMiB, Case.MaxAtMiB);
    EXPECT_EQ(Heat->ThrottleAtMiB, Case.ThrottleAtMiB);
  }
}

TEST(Heat, NoneWithoutATemperatureRead) {
  EXPECT_FALSE(HeatOf(DropWithTemperatures([](int) { return -1.0F; })));
  std::vector<TWriteRecord> Writes = TCurve().Steady(40, 100);
  Writes[5].TemperatureInC = std::nanf("");
  EXPECT_FALSE(HeatOf(Writes));
}

}  // namespace
