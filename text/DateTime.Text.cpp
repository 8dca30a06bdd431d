#include "text/DateTime.Text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/DateTime.h"

namespace {

constexpr std::int64_t MsPerDay = 86'400'000;

std::string TwoDigits(int Value) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof Buffer, "%02d", Value);
  return Buffer;
}

std::string Clock(int Hour, int Minute, int Second) {
  return TwoDigits(Hour) + ":" + TwoDigits(Minute) + ":" + TwoDigits(Second);
}

// Whole milliseconds, so that a duration a hair below a full day does not show "24:00:00".
std::int64_t DurationMs(double Days) {
  if (!(Days > 0.0)) {
    return 0;
  }
  return static_cast<std::int64_t>(std::llround(Days * static_cast<double>(MsPerDay)));
}

std::string ClockOfMs(std::int64_t MsOfDay) {
  return Clock(static_cast<int>(MsOfDay / 3'600'000), static_cast<int>(MsOfDay / 60'000 % 60),
               static_cast<int>(MsOfDay / 1000 % 60));
}

}  // namespace

std::string FormatShortDateTime(double DateTime) {
  const TDateTimeParts P = DecodeDateTime(DateTime);
  return TwoDigits(P.Year % 100) + "/" + TwoDigits(P.Month) + "/" + TwoDigits(P.Day) + " " +
         Clock(P.Hour, P.Minute, P.Second);
}

std::string FormatDateTimeToMinute(double DateTime) {
  const TDateTimeParts P = DecodeDateTime(DateTime);
  char Year[16];
  std::snprintf(Year, sizeof Year, "%04d", P.Year);
  return std::string(Year) + "/" + TwoDigits(P.Month) + "/" + TwoDigits(P.Day) + " " +
         TwoDigits(P.Hour) + ":" + TwoDigits(P.Minute);
}

std::string FormatDurationTimeOfDay(double Days) {
  return ClockOfMs(DurationMs(Days) % MsPerDay);
}

std::string FormatDurationWithDays(double Days) {
  const std::int64_t Ms = DurationMs(Days);
  return std::to_string(Ms / MsPerDay) + ":" + ClockOfMs(Ms % MsPerDay);
}
