#include "text/Escape.Control.h"

#include <cstdint>

namespace {

constexpr char HexDigits[] = "0123456789abcdef";

// Length of the well-formed UTF-8 sequence at the start of Text and its code point in Point;
// 0 when the bytes there are not one.
std::size_t Decode(std::string_view Text, std::uint32_t& Point) {
  const auto Lead = static_cast<std::uint8_t>(Text[0]);
  if (Lead < 0x80) {
    Point = Lead;
    return 1;
  }
  // Sequence length by the lead byte's high bits, and the smallest code point of that length
  // (a smaller one is an overlong form, not UTF-8).
  std::size_t Length = 0;
  std::uint32_t Low = 0;
  if ((Lead & 0xE0) == 0xC0) {
    Length = 2;
    Low = 0x80;
  } else if ((Lead & 0xF0) == 0xE0) {
    Length = 3;
    Low = 0x800;
  } else if ((Lead & 0xF8) == 0xF0) {
    Length = 4;
    Low = 0x10000;
  } else {
    return 0;
  }
  Point = Lead & (0x7Fu >> Length);
  if (Text.size() < Length) {
    return 0;
  }
  for (std::size_t Index = 1; Index < Length; ++Index) {
    const auto Byte = static_cast<std::uint8_t>(Text[Index]);
    if ((Byte & 0xC0) != 0x80) {
      return 0;
    }
    Point = Point << 6 | (Byte & 0x3Fu);
  }
  const bool Surrogate = Point >= 0xD800 && Point <= 0xDFFF;
  return Point < Low || Point > 0x10FFFF || Surrogate ? 0 : Length;
}

void AppendByteEscape(std::string& Out, std::uint8_t Byte) {
  switch (Byte) {
    case '\a':
      Out += "\\a";
      return;
    case '\b':
      Out += "\\b";
      return;
    case '\t':
      Out += "\\t";
      return;
    case '\n':
      Out += "\\n";
      return;
    case '\v':
      Out += "\\v";
      return;
    case '\f':
      Out += "\\f";
      return;
    case '\r':
      Out += "\\r";
      return;
    default:
      Out += "\\x";
      Out += HexDigits[Byte >> 4];
      Out += HexDigits[Byte & 0x0F];
  }
}

void AppendCodePointEscape(std::string& Out, std::uint32_t Point) {
  Out += "\\u";
  for (int Shift = 12; Shift >= 0; Shift -= 4) {
    Out += HexDigits[(Point >> Shift) & 0x0F];
  }
}

// C0 controls and DEL are escaped byte by byte; C1 controls and the line and paragraph
// separators (which a list box also breaks a line at) by code point.
bool IsEscapedCodePoint(std::uint32_t Point) {
  return Point < 0x20 || (Point >= 0x7F && Point <= 0x9F) || Point == 0x2028 || Point == 0x2029;
}

}  // namespace

std::string EscapeControlCharacters(std::string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  while (!Text.empty()) {
    std::uint32_t Point = 0;
    const std::size_t Length = Decode(Text, Point);
    if (Length == 0) {
      AppendByteEscape(Out, static_cast<std::uint8_t>(Text[0]));
      Text.remove_prefix(1);
      continue;
    }
    if (!IsEscapedCodePoint(Point)) {
      Out += Text.substr(0, Length);
    } else if (Point < 0x80) {
      AppendByteEscape(Out, static_cast<std::uint8_t>(Point));
    } else {
      AppendCodePointEscape(Out, Point);
    }
    Text.remove_prefix(Length);
  }
  return Out;
}

namespace {

bool IsUtf8WithoutByteEscape(std::string_view Text) {
  if (Text.find("\\x") != std::string_view::npos) {
    return false;
  }
  while (!Text.empty()) {
    std::uint32_t Point = 0;
    const std::size_t Length = Decode(Text, Point);
    if (Length == 0) {
      return false;
    }
    Text.remove_prefix(Length);
  }
  return true;
}

int HexValue(char Digit) {
  if (Digit >= '0' && Digit <= '9') {
    return Digit - '0';
  }
  if (Digit >= 'a' && Digit <= 'f') {
    return Digit - 'a' + 10;
  }
  if (Digit >= 'A' && Digit <= 'F') {
    return Digit - 'A' + 10;
  }
  return -1;
}

}  // namespace

std::string EscapeResultText(std::string_view Text) {
  if (IsUtf8WithoutByteEscape(Text)) {
    return std::string(Text);
  }
  std::string Out;
  Out.reserve(Text.size() + 8);
  while (!Text.empty()) {
    std::uint32_t Point = 0;
    const std::size_t Length = Decode(Text, Point);
    if (Length == 0 || Text[0] == '\\') {
      const auto Byte = static_cast<std::uint8_t>(Text[0]);
      Out += "\\x";
      Out += HexDigits[Byte >> 4];
      Out += HexDigits[Byte & 0x0F];
      Text.remove_prefix(1);
      continue;
    }
    Out += Text.substr(0, Length);
    Text.remove_prefix(Length);
  }
  return Out;
}

std::string UnescapeResultText(std::string_view Text) {
  if (Text.find("\\x") == std::string_view::npos) {
    return std::string(Text);
  }
  std::string Out;
  Out.reserve(Text.size());
  for (std::size_t At = 0; At < Text.size(); ++At) {
    if (Text[At] == '\\' && At + 3 < Text.size() && Text[At + 1] == 'x' &&
        HexValue(Text[At + 2]) >= 0 && HexValue(Text[At + 3]) >= 0) {
      Out += static_cast<char>(HexValue(Text[At + 2]) << 4 | HexValue(Text[At + 3]));
      At += 3;
      continue;
    }
    Out += Text[At];
  }
  return Out;
}
