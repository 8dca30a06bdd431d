#pragma once

#include <cstdlib>
#include <string>

// Stops the fuzzer with a crash when a property that must always hold does not.
inline void Require(bool Holds) {
  if (!Holds) {
    std::abort();
  }
}

inline bool IsTrimmed(const std::string& Text) {
  return Text.empty() || (static_cast<unsigned char>(Text.front()) > 32 &&
                          static_cast<unsigned char>(Text.back()) > 32);
}

// Each byte from a disk becomes one character of code 0-255, so the text is valid UTF-8 made
// of one- and two-byte sequences only.
inline bool IsLatin1AsUtf8(const std::string& Text) {
  for (std::size_t Index = 0; Index < Text.size(); ++Index) {
    const auto Byte = static_cast<unsigned char>(Text[Index]);
    if (Byte < 0x80) {
      continue;
    }
    if ((Byte != 0xC2 && Byte != 0xC3) || Index + 1 >= Text.size() ||
        (static_cast<unsigned char>(Text[Index + 1]) & 0xC0) != 0x80) {
      return false;
    }
    ++Index;
  }
  return true;
}
