#include "text/Number.Text.h"

#include <algorithm>
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

}  // namespace

double RoundHalfEven(double Value) {
  if (std::fabs(Value - std::trunc(Value)) == 0.5) {
    return 2.0 * std::round(Value / 2.0);
  }
  return std::round(Value);
}

void AppendFixed(std::string& Out, double Value, int Decimals, std::string_view DecimalSeparator) {
  if (!std::isfinite(Value)) {
    Out += NonFiniteText(Value);
    return;
  }
  const auto Wanted = static_cast<std::size_t>(Decimals < 0 ? 0 : Decimals);
  // The shortest text that reads back as Value is the number the user would write; rounding
  // that text, not the binary value, keeps 0.15 -> 0.2.
  char Text[400];
  const char* End = std::to_chars(Text, Text + sizeof Text, Value, std::chars_format::fixed).ptr;
  const char* Begin = Text;
  const bool Negative = *Begin == '-';
  if (Negative) {
    ++Begin;
  }
  const char* Point = std::find(Begin, End, '.');
  const char* Fraction = Point == End ? End : Point + 1;
  const auto FractionLength = static_cast<std::size_t>(End - Fraction);
  const auto IntegerLength = static_cast<std::size_t>(Point - Begin);

  // The digits go straight into Out behind a spare leading digit that takes a carry; the sign
  // and the separator are put in afterwards. No string of its own: the speed log line is
  // formatted between two timed writes.
  const std::size_t Start = Out.size();
  Out += '0';
  Out.append(Begin, IntegerLength);
  const std::size_t Kept = std::min(FractionLength, Wanted);
  Out.append(Fraction, Kept);
  Out.append(Wanted - Kept, '0');
  if (FractionLength > Wanted && Fraction[Wanted] >= '5') {
    for (std::size_t Index = Out.size(); Index-- > Start;) {
      if (Out[Index] != '9') {
        ++Out[Index];
        break;
      }
      Out[Index] = '0';
    }
  }
  std::size_t IntegerDigits = IntegerLength + 1;
  if (Out[Start] == '0') {
    Out.erase(Start, 1);
    --IntegerDigits;
  }
  const bool AllZero = Out.find_first_not_of('0', Start) == std::string::npos;
  if (Wanted > 0) {
    Out.insert(Start + IntegerDigits, DecimalSeparator);
  }
  if (Negative && !AllZero) {
    Out.insert(Start, 1, '-');
  }
}

std::string FormatFixed(double Value, int Decimals, const std::string& DecimalSeparator) {
  std::string Out;
  AppendFixed(Out, Value, Decimals, DecimalSeparator);
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
