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

// The language named by --lang or, without it, by VARNELL_LANG, or else the one the locale
// names (LocaleLanguage, from LanguageOfLocale); "ko" when none names one. An unknown language
// from the variable is also refused, so that a typo is not silent.
struct TLanguageChoice {
  std::string Language;
  bool Known = true;
  std::string Source;  // "--lang", "VARNELL_LANG" or "locale"
};
TLanguageChoice ChooseLanguage(const std::string& Option, const char* Environment,
                               std::string_view LocaleLanguage = {});

// The locale's variables as the process has them (null when unset).
struct TLocaleVariables {
  const char* LcAll = nullptr;
  const char* LcMessages = nullptr;
  const char* Lang = nullptr;
  const char* Language = nullptr;  // LANGUAGE: a list such as "en_GB:de"
};
TLocaleVariables LocaleVariablesOfProcess();
// The language of messages as gettext picks it: LC_ALL, else LC_MESSAGES, else LANG; a locale
// other than C or POSIX lets LANGUAGE's list come first. Only languages with texts count ("en_US.
// UTF-8" is "en"); "" when the locale names none of them, so that Korean stays the default.
std::string LanguageOfLocale(const TLocaleVariables& Variables);
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
