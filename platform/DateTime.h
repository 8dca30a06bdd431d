#pragma once

#include <cstdint>

// Date-times are days since 1899-12-30 held in a double, the fraction being the time of day.
struct TDateTimeParts {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

double EncodeDateTime(const TDateTimeParts& Parts);
// Splits a date-time into calendar date and time of day (milliseconds rounded, as a
// clock shows them: 23:59:59.9996 stays on its day).
TDateTimeParts DecodeDateTime(double DateTime);
