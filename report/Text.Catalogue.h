#pragma once
// The texts the user reads, in the chosen language. Korean is the program's own language: the
// code writes each text in Korean, whole lines with {0}..{9} for the numbers and names, and
// Localized() returns it as written or as the catalogue of the chosen language has it. A
// catalogue is a file l10n/core.<language>.txt, built into the program.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// "ko" until SetTextLanguage changes it. Set once at start, before any thread writes a text.
bool SetTextLanguage(std::string_view Language);
const std::string& TextLanguage();
// "ko" and every language that has a catalogue.
std::vector<std::string> TextLanguages();

// The language named by --lang or, without it, by VARNELL_LANG; "ko" when neither names one.
// An unknown language from the variable is also refused, so that a typo is not silent.
struct TLanguageChoice {
  std::string Language;
  bool Known = true;
  std::string Source;  // "--lang" or "VARNELL_LANG"
};
TLanguageChoice ChooseLanguage(const std::string& Option, const char* Environment);
std::string UnknownLanguageMessage(const TLanguageChoice& Choice);

std::string LocalizedWith(std::string_view Korean, std::initializer_list<std::string_view> Args);

template <typename... TArgs>
std::string Localized(std::string_view Korean, const TArgs&... Args) {
  return LocalizedWith(Korean, {std::string_view(Args)...});
}

// One catalogue as read: the Korean text and its translation, in file order. Malformed lines
// are named in Errors.
struct TCatalogueEntry {
  std::string Korean;
  std::string Translated;
};
struct TCatalogue {
  std::string Language;
  std::vector<TCatalogueEntry> Entries;
  std::vector<std::string> Errors;
};
TCatalogue ParseCatalogue(std::string_view Language, std::string_view Text);
const std::vector<TCatalogue>& BuiltInCatalogues();
