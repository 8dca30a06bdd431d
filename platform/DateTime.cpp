#include "platform/DateTime.h"

#include <cmath>

namespace {

constexpr std::int64_t UnixEpochSince1899 = 25569;  // 1970-01-01 as days since 1899-12-30
constexpr std::int64_t MsPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t DaysFromCivil(int Year, int Month, int Day) {
  Year -= Month <= 2 ? 1 : 0;
  const std::int64_t Era = (Year >= 0 ? Year : Year - 399) / 400;
  const std::int64_t YearOfEra = Year - Era * 400;
  const std::int64_t DayOfYear = (153 * (Month > 2 ? Month - 3 : Month + 9) + 2) / 5 + Day - 1;
  const std::int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

void CivilFromDays(std::int64_t Days, int& Year, int& Month, int& Day) {
  Days += 719468;
  const std::int64_t Era = (Days >= 0 ? Days : Days - 146096) / 146097;
  const std::int64_t DayOfEra = Days - Era * 146097;
  const std::int64_t YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const std::int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
  Day = static_cast<int>(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
  Month = static_cast<int>(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
  Year = static_cast<int>(YearOfEra + Era * 400 + (Month <= 2 ? 1 : 0));
}

}  // namespace

double EncodeDateTime(const TDateTimeParts& Parts) {
  const std::int64_t Days = DaysFromCivil(Parts.Year, Parts.Month, Parts.Day) + UnixEpochSince1899;
  const double Ms =
      ((Parts.Hour * 60.0 + Parts.Minute) * 60.0 + Parts.Second) * 1000.0 + Parts.Millisecond;
  return static_cast<double>(Days) + Ms / static_cast<double>(MsPerDay);
}

TDateTimeParts DecodeDateTime(double DateTime) {
  // Work in whole milliseconds so that a value just below midnight does not show 24:00:00.
  const auto TotalMs = static_cast<std::int64_t>(std::llround(DateTime * MsPerDay));
  std::int64_t Days = TotalMs / MsPerDay;
  std::int64_t MsOfDay = TotalMs % MsPerDay;
  if (MsOfDay < 0) {
    MsOfDay += MsPerDay;
    Days -= 1;
  }
  TDateTimeParts Parts;
  CivilFromDays(Days - UnixEpochSince1899, Parts.Year, Parts.Month, Parts.Day);
  Parts.Hour = static_cast<int>(MsOfDay / 3'600'000);
  Parts.Minute = static_cast<int>(MsOfDay / 60'000 % 60);
  Parts.Second = static_cast<int>(MsOfDay / 1000 % 60);
  Parts.Millisecond = static_cast<int>(MsOfDay % 1000);
  return Parts;
}
