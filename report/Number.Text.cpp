#include "report/Number.Text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

std::string NonFiniteText(double Value) {
  if (std::isnan(Value)) {
    return "NaN";
  }
  return Value < 0 ? "-INF" : "INF";
}

// Adds one unit at the last digit of Digits (a string of '0'..'9'); returns the carry out.
bool IncrementDigits(std::string& Digits) {
  for (auto It = Digits.rbegin(); It != Digits.rend(); ++It) {
    if (*It != '9') {
      ++*It;
      return false;
    }
    *It = '0';
  }
  return true;
}

}  // namespace

double RoundHalfEven(double Value) {
  if (std::fabs(Value - std::trunc(Value)) == 0.5) {
    return 2.0 * std::round(Value / 2.0);
  }
  return std::round(Value);
}

std::string FormatFixed(double Value, int Decimals, const std::string& DecimalSeparator) {
  if (!std::isfinite(Value)) {
    return NonFiniteText(Value);
  }
  if (Decimals < 0) {
    Decimals = 0;
  }
  // The shortest text that reads back as Value is the number the user would write; rounding
  // that text, not the binary value, keeps 0.15 -> 0.2.
  char Buffer[400];
  const auto Result =
      std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed);
  std::string Text(Buffer, Result.ptr);

  const bool Negative = !Text.empty() && Text.front() == '-';
  if (Negative) {
    Text.erase(0, 1);
  }
  const auto Point = Text.find('.');
  std::string IntegerDigits = Text.substr(0, Point);
  std::string Fraction = Point == std::string::npos ? std::string() : Text.substr(Point + 1);

  if (Fraction.size() > static_cast<std::size_t>(Decimals)) {
    const bool RoundUp = Fraction[static_cast<std::size_t>(Decimals)] >= '5';
    Fraction.resize(static_cast<std::size_t>(Decimals));
    if (RoundUp && IncrementDigits(Fraction) && IncrementDigits(IntegerDigits)) {
      IntegerDigits.insert(0, "1");
    }
  }
  Fraction.append(static_cast<std::size_t>(Decimals) - Fraction.size(), '0');

  const bool AllZero = IntegerDigits.find_first_not_of('0') == std::string::npos &&
                       Fraction.find_first_not_of('0') == std::string::npos;
  std::string Out = (Negative && !AllZero) ? "-" : "";
  Out += IntegerDigits;
  if (Decimals > 0) {
    Out += DecimalSeparator;
    Out += Fraction;
  }
  return Out;
}

void AppendGeneral(std::string& Out, double Value, std::string_view DecimalSeparator) {
  if (!std::isfinite(Value)) {
    Out += NonFiniteText(Value);
    return;
  }
  if (Value == 0.0) {
    Out += '0';
    return;
  }
  // 15 significant digits, correctly rounded: "d.dddddddddddddde+XX". Everything stays in
  // local buffers: the detailed log formats one of these between every two timed writes.
  char Text[32];
  const auto Result =
      std::to_chars(Text, Text + sizeof Text, Value, std::chars_format::scientific, 14);
  const char* Cursor = Text;
  if (*Cursor == '-') {
    Out += '-';
    ++Cursor;
  }
  char Digits[16];
  std::size_t DigitCount = 0;
  for (; *Cursor != 'e'; ++Cursor) {
    if (*Cursor != '.') {
      Digits[DigitCount++] = *Cursor;
    }
  }
  ++Cursor;  // past 'e'
  if (*Cursor == '+') {
    ++Cursor;  // from_chars reads a '-' but not a '+'
  }
  int Exponent = 0;
  std::from_chars(Cursor, Result.ptr, Exponent);
  while (DigitCount > 1 && Digits[DigitCount - 1] == '0') {
    --DigitCount;
  }
  const std::string_view Significant(Digits, DigitCount);

  if (Exponent >= -5 && Exponent < 15) {
    if (Exponent >= 0) {
      const auto IntegerLength = static_cast<std::size_t>(Exponent) + 1;
      if (DigitCount <= IntegerLength) {
        Out += Significant;
        Out.append(IntegerLength - DigitCount, '0');
      } else {
        Out += Significant.substr(0, IntegerLength);
        Out += DecimalSeparator;
        Out += Significant.substr(IntegerLength);
      }
    } else {
      Out += '0';
      Out += DecimalSeparator;
      Out.append(static_cast<std::size_t>(-Exponent - 1), '0');
      Out += Significant;
    }
    return;
  }
  Out += Significant.substr(0, 1);
  if (DigitCount > 1) {
    Out += DecimalSeparator;
    Out += Significant.substr(1);
  }
  Out += 'E';
  if (Exponent < 0) {
    Out += '-';
  }
  char ExponentText[8];
  const auto ExponentEnd =
      std::to_chars(ExponentText, ExponentText + sizeof ExponentText, std::abs(Exponent)).ptr;
  Out.append(ExponentText, ExponentEnd);
}

std::string FormatGeneral(double Value, const std::string& DecimalSeparator) {
  std::string Out;
  AppendGeneral(Out, Value, DecimalSeparator);
  return Out;
}
