#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>

#include "platform/Platform.Clock.h"

namespace {

struct TKnownDate {
  TDateTimeParts Parts;
  double Days;
};

TEST(DateTime, EncodesAndDecodesKnownDates) {
  const TKnownDate Cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1970, 1, 1, 0, 0, 0, 0}, 25569.0},
      {{2000, 2, 29, 12, 0, 0, 0}, 36585.5},
      {{2024, 5, 1, 13, 45, 7, 0}, 45413.0 + (13 * 3600 + 45 * 60 + 7) / 86400.0},
      {{1899, 12, 29, 6, 0, 0, 0}, -0.75},  // before the epoch the fraction counts backwards
  };
  for (const auto& Case : Cases) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(Case.Parts), Case.Days) << Case.Parts.Year;
    const TDateTimeParts Back = DecodeDateTime(EncodeDateTime(Case.Parts));
    EXPECT_EQ(Back.Year, Case.Parts.Year);
    EXPECT_EQ(Back.Month, Case.Parts.Month);
    EXPECT_EQ(Back.Day, Case.Parts.Day);
    EXPECT_EQ(Back.Hour, Case.Parts.Hour);
    EXPECT_EQ(Back.Minute, Case.Parts.Minute);
    EXPECT_EQ(Back.Second, Case.Parts.Second);
  }
}

TEST(DateTime, JustBeforeMidnightStaysOnItsDay) {
  const TDateTimeParts Parts = DecodeDateTime(45413.0 - 0.0000001);  // 8.64 ms before midnight
  EXPECT_EQ(Parts.Day, 30);
  EXPECT_EQ(Parts.Hour, 23);
  EXPECT_EQ(Parts.Second, 59);
}

TEST(DateTime, NowIsLocalTime) {
  const time_t Wall = time(nullptr);
  tm Local{};
  localtime_r(&Wall, &Local);
  const double Expected = EncodeDateTime({Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday,
                                          Local.tm_hour, Local.tm_min, Local.tm_sec, 0});
  EXPECT_NEAR(Platform::Now(), Expected, 2.0 / 86400.0);
}

TEST(DateTime, NowIso8601IsTheLocalTimeWithItsOffset) {
  const std::regex Form(R"(^(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)[+-]\d\d:\d\d$)");
  std::smatch Parts;
  const std::string Iso = Platform::NowIso8601();
  ASSERT_TRUE(std::regex_match(Iso, Parts, Form)) << Iso;
  const double Stated =
      EncodeDateTime({std::stoi(Parts[1]), std::stoi(Parts[2]), std::stoi(Parts[3]),
                      std::stoi(Parts[4]), std::stoi(Parts[5]), std::stoi(Parts[6]), 0});
  EXPECT_NEAR(Stated, Platform::Now(), 2.0 / 86400.0);
#ifndef _WIN32
  // Offsets east and west of UTC, and one of half an hour.
  const char* const Saved = std::getenv("TZ");
  const std::string Before = Saved != nullptr ? Saved : "";
  for (const auto& [Zone, Offset] : {std::pair{"KST-9", "+09:00"}, std::pair{"EST5", "-05:00"},
                                     std::pair{"IST-5:30", "+05:30"}}) {
    setenv("TZ", Zone, 1);
    tzset();
    const std::string Text = Platform::NowIso8601();
    EXPECT_EQ(Text.substr(Text.size() - 6), Offset) << Zone;
  }
  if (Saved != nullptr) {
    setenv("TZ", Before.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
#endif
}

}  // namespace
