#pragma once
// The catalogue files as built into the program (a source generated from l10n/ by CMake).
#include <string_view>
#include <vector>

struct TBuiltInCatalogueText {
  std::string_view Language;
  std::string_view Text;
};
const std::vector<TBuiltInCatalogueText>& BuiltInCatalogueTexts();
