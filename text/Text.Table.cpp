#include "text/Text.Table.h"

#include <algorithm>

namespace {

// The code point of the UTF-8 sequence at Text[Index], advancing Index past it; a byte that
// starts no valid sequence counts as one character of its own.
char32_t NextCharacter(std::string_view Text, std::size_t& Index) {
  const auto Lead = static_cast<unsigned char>(Text[Index]);
  const std::size_t Length = Lead < 0x80           ? 1
                             : (Lead >> 5) == 0x6  ? 2
                             : (Lead >> 4) == 0xE  ? 3
                             : (Lead >> 3) == 0x1E ? 4
                                                   : 1;
  if (Length == 1 || Index + Length > Text.size()) {
    ++Index;
    return Lead;
  }
  char32_t Code = Lead & (0x7F >> Length);
  for (std::size_t Next = 1; Next < Length; ++Next) {
    Code = (Code << 6) | (static_cast<unsigned char>(Text[Index + Next]) & 0x3F);
  }
  Index += Length;
  return Code;
}

bool IsWide(char32_t Code) {
  return (Code >= 0x1100 && Code <= 0x115F) || (Code >= 0x2E80 && Code <= 0xA4CF) ||
         (Code >= 0xAC00 && Code <= 0xD7A3) || (Code >= 0xF900 && Code <= 0xFAFF) ||
         (Code >= 0xFE30 && Code <= 0xFE4F) || (Code >= 0xFF00 && Code <= 0xFF60) ||
         (Code >= 0xFFE0 && Code <= 0xFFE6) || (Code >= 0x20000 && Code <= 0x3FFFD);
}

}  // namespace

std::size_t DisplayWidth(std::string_view Text) {
  std::size_t Width = 0;
  for (std::size_t Index = 0; Index < Text.size();) {
    Width += IsWide(NextCharacter(Text, Index)) ? 2 : 1;
  }
  return Width;
}

std::string AlignedColumns(const std::vector<std::vector<std::string>>& Rows) {
  std::vector<std::size_t> Widths;
  for (const std::vector<std::string>& Row : Rows) {
    Widths.resize(std::max(Widths.size(), Row.size()));
    for (std::size_t Column = 0; Column < Row.size(); ++Column) {
      Widths[Column] = std::max(Widths[Column], DisplayWidth(Row[Column]));
    }
  }
  std::string Table;
  for (const std::vector<std::string>& Row : Rows) {
    std::string Line;
    for (std::size_t Column = 0; Column < Row.size(); ++Column) {
      Line += Row[Column];
      if (Column + 1 < Row.size()) {
        Line.append(Widths[Column] - DisplayWidth(Row[Column]) + 2, ' ');
      }
    }
    while (!Line.empty() && Line.back() == ' ') {
      Line.pop_back();
    }
    Table += Line + "\n";
  }
  return Table;
}
