#pragma once

#include <string>

// Date and time texts of the reports. Date-times are days since 1899-12-30 (local time).
// Linux locales have no separate date and time separators, so "/" and ":" are written.

// "yy/mm/dd hh:mm:ss", e.g. "24/05/01 13:45:07".
std::string FormatShortDateTime(double DateTime);
// "yyyy/mm/dd hh:mm", e.g. "2024/05/01 13:45".
std::string FormatDateTimeToMinute(double DateTime);
// "hh:mm:ss" of what a duration (in days) exceeds its whole days: 25 hours -> "01:00:00".
// A negative duration (the clock was set back) shows as "00:00:00".
std::string FormatDurationTimeOfDay(double Days);
// "d:hh:mm:ss" with the whole days first: 1 day 2:03:04 -> "1:02:03:04".
std::string FormatDurationWithDays(double Days);
