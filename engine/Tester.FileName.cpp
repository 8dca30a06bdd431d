#include "engine/Tester.FileName.h"

#include <charconv>
#include <cstring>

std::string TestFileName(std::int32_t Number) {
  return TestFilePrefix + std::to_string(Number);
}

bool IsTestFileName(const std::string& Name) {
  const std::size_t PrefixLength = std::strlen(TestFilePrefix);
  if (Name.compare(0, PrefixLength, TestFilePrefix) != 0 || Name.size() == PrefixLength) {
    return false;
  }
  const char* Digits = Name.data() + PrefixLength;
  const char* End = Name.data() + Name.size();
  if (*Digits < '0' || *Digits > '9' || (*Digits == '0' && End - Digits > 1)) {
    return false;
  }
  std::int32_t Number = 0;
  const auto [Stop, Error] = std::from_chars(Digits, End, Number);
  return Error == std::errc() && Stop == End;
}
