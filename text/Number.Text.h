#pragma once

#include <string>
#include <string_view>

// Number texts of the reports. Each takes the decimal separator to write, so that the user's
// locale is asked once and not on every line.

// Nearest integer, a half going to the even neighbour (12.5 -> 12, 13.5 -> 14).
double RoundHalfEven(double Value);

// Fixed point with exactly Decimals decimals ("0.0" is 1, "0.00" is 2), no thousands separator.
// Rounds the number as it reads in shortest form, a half away from zero: 6.25 -> "6.3",
// 0.15 -> "0.2".
std::string FormatFixed(double Value, int Decimals, const std::string& DecimalSeparator);
// The same text appended to Out, without a temporary string.
void AppendFixed(std::string& Out, double Value, int Decimals, std::string_view DecimalSeparator);

// General format: at most 15 significant digits, no trailing zeros, no separator for a whole
// value; fixed point from 0.00001 up to below 1E15, otherwise scientific such as "1.5E-6".
std::string FormatGeneral(double Value, const std::string& DecimalSeparator);
// The same text appended to Out, without a temporary string.
void AppendGeneral(std::string& Out, double Value, std::string_view DecimalSeparator);
