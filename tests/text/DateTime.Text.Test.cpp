#include "text/DateTime.Text.h"

#include <gtest/gtest.h>

#include "platform/DateTime.h"

namespace {

constexpr double Hour = 1.0 / 24;
constexpr double Second = 1.0 / 86400;

TEST(DateTimeText, DateTimePatterns) {
  const double PauseStart = EncodeDateTime({2024, 5, 1, 13, 45, 7, 0});
  EXPECT_EQ(FormatShortDateTime(PauseStart), "24/05/01 13:45:07");
  EXPECT_EQ(FormatDateTimeToMinute(PauseStart), "2024/05/01 13:45");
  EXPECT_EQ(FormatShortDateTime(EncodeDateTime({2009, 12, 31, 0, 0, 0, 0})), "09/12/31 00:00:00");
  EXPECT_EQ(FormatDateTimeToMinute(EncodeDateTime({2024, 5, 1, 23, 59, 59, 999})),
            "2024/05/01 23:59");
}

TEST(DateTimeText, DurationsShowTheTimeOfDayAndOptionallyTheWholeDays) {
  const struct {
    double Days;
    const char* TimeOfDay;
    const char* WithDays;
  } Cases[] = {
      {25 * Hour, "01:00:00", "1:01:00:00"},
      {1 + 2 * Hour + (3 * 60 + 4) * Second, "02:03:04", "1:02:03:04"},
      {0.0, "00:00:00", "0:00:00:00"},
      {59 * Second, "00:00:59", "0:00:00:59"},
      {2 - 0.0001 * Second, "00:00:00", "2:00:00:00"},  // a hair short of two days
      {-5 * Second, "00:00:00", "0:00:00:00"},          // the clock was set back
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(FormatDurationTimeOfDay(Case.Days), Case.TimeOfDay) << Case.Days;
    EXPECT_EQ(FormatDurationWithDays(Case.Days), Case.WithDays) << Case.Days;
  }
}

}  // namespace
