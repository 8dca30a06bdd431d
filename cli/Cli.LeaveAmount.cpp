#include "cli/Cli.LeaveAmount.h"

#include <algorithm>
#include <limits>

namespace {

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

bool EqualsIgnoringCase(const std::string& Left, const std::string& Right) {
  return std::equal(Left.begin(), Left.end(), Right.begin(), Right.end(), [](char A, char B) {
    const auto Lower = [](char C) {
      return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C;
    };
    return Lower(A) == Lower(B);
  });
}

// Decimal digits times a small factor, exactly, however many digits there are.
std::string MultiplyDigits(const std::string& Digits, unsigned Factor) {
  std::string Product;
  unsigned Carry = 0;
  for (auto Digit = Digits.rbegin(); Digit != Digits.rend(); ++Digit) {
    const unsigned Value = static_cast<unsigned>(*Digit - '0') * Factor + Carry;
    Product.push_back(static_cast<char>('0' + Value % 10));
    Carry = Value / 10;
  }
  for (; Carry > 0; Carry /= 10) {
    Product.push_back(static_cast<char>('0' + Carry % 10));
  }
  std::reverse(Product.begin(), Product.end());
  return Product;
}

// Digits without leading zeros as a number; false when it has more digits than any amount in
// range could have.
bool DigitsToNumber(const std::string& Digits, std::int64_t& Number) {
  const std::size_t First = std::min(Digits.find_first_not_of('0'), Digits.size());
  if (Digits.size() - First > 15) {
    return false;
  }
  Number = 0;
  for (std::size_t I = First; I < Digits.size(); ++I) {
    Number = Number * 10 + (Digits[I] - '0');
  }
  return true;
}

std::string OutOfRange(const std::string& Text) {
  return "amount out of range in --leave: " + Text + " (from 0 to 2147483647)";
}

}  // namespace

std::string ParseLeaveAmount(const std::string& Text, std::int64_t& ToLeft, TLeftUnit& Unit) {
  std::size_t Position = 0;
  const bool Negative = !Text.empty() && Text[0] == '-';
  if (!Text.empty() && (Text[0] == '-' || Text[0] == '+')) {
    ++Position;
  }
  const std::size_t WholeStart = Position;
  while (Position < Text.size() && IsDigit(Text[Position])) {
    ++Position;
  }
  const std::string WholeDigits = Text.substr(WholeStart, Position - WholeStart);
  std::string FractionDigits;
  bool HasPoint = false;
  if (!WholeDigits.empty() && Position + 1 < Text.size() && Text[Position] == '.' &&
      IsDigit(Text[Position + 1])) {
    HasPoint = true;
    const std::size_t FractionStart = ++Position;
    while (Position < Text.size() && IsDigit(Text[Position])) {
      ++Position;
    }
    FractionDigits = Text.substr(FractionStart, Position - FractionStart);
  }
  if (WholeDigits.empty()) {
    return "--leave needs a number followed by GiB, MiB or %, e.g. 10GiB: \"" + Text + "\"";
  }
  const std::string UnitText = Text.substr(Position);
  unsigned MiBPerUnit = 1;
  if (EqualsIgnoringCase(UnitText, "GiB")) {
    Unit = TLeftUnit::LeaveByGiB;
    MiBPerUnit = 1024;
  } else if (EqualsIgnoringCase(UnitText, "MiB")) {
    Unit = TLeftUnit::LeaveByMiB;
  } else if (UnitText == "%") {
    Unit = TLeftUnit::LeaveByPercent;
  } else if (UnitText.empty()) {
    return "--leave needs a unit after the number (GiB, MiB or %): \"" + Text + "\"";
  } else {
    return "unknown unit \"" + UnitText + "\" in --leave (use GiB, MiB or %)";
  }
  if (HasPoint && Unit == TLeftUnit::LeaveByPercent) {
    return "a percentage in --leave must be a whole number: \"" + Text + "\"";
  }

  // Whole MiB of a decimal amount: the digits times the unit's MiB, with the decimals cut off
  // below the point (rounding down moves a negative amount away from zero, so "-0.5MiB" is
  // negative too).
  const std::string Product =
      MultiplyDigits(WholeDigits + FractionDigits, HasPoint ? MiBPerUnit : 1);
  const std::size_t WholeLength = Product.size() - FractionDigits.size();
  std::int64_t Magnitude = 0;
  if (!DigitsToNumber(Product.substr(0, WholeLength), Magnitude)) {
    return OutOfRange(Text);
  }
  const bool CutOff = Product.find_first_not_of('0', WholeLength) != std::string::npos;
  if (Negative && CutOff) {
    ++Magnitude;
  }
  // A negative amount asks for more than the free space: the fill would end in a write that
  // finds the volume full, or leave nothing for the filesystem itself.
  if (Negative && Magnitude > 0) {
    return "--leave cannot be negative: \"" + Text +
           "\" (it is the free space to leave; 0GiB fills the volume as far as it goes)";
  }
  const std::int64_t Value = Magnitude;
  // The amount has the settings window's range: a signed 32-bit number.
  if (Value < std::numeric_limits<std::int32_t>::min() ||
      Value > std::numeric_limits<std::int32_t>::max()) {
    return OutOfRange(Text);
  }
  // Above 100 % the test would be refused anyway; say so before anything is written.
  if (Unit == TLeftUnit::LeaveByPercent && Value > 100) {
    return "amount out of range in --leave: " + Text + " (at most 100%)";
  }
  if (HasPoint) {
    Unit = TLeftUnit::LeaveByMiB;
  }
  ToLeft = Value;
  return {};
}
