#include "text/Text.Catalogue.h"

#include <cstdlib>
#include <unordered_map>

#include "text/Text.Catalogue.Data.h"

namespace {

std::string& CurrentLanguage() {
  static std::string Language = "ko";
  return Language;
}

const std::unordered_map<std::string_view, std::string_view>*& CurrentTable() {
  static const std::unordered_map<std::string_view, std::string_view>* Table = nullptr;
  return Table;
}

const std::unordered_map<std::string, std::unordered_map<std::string_view, std::string_view>>&
Tables() {
  static const auto All = [] {
    std::unordered_map<std::string, std::unordered_map<std::string_view, std::string_view>> Made;
    for (const TCatalogue& Catalogue : BuiltInCatalogues()) {
      auto& Table = Made[Catalogue.Language];
      for (const TCatalogueEntry& Entry : Catalogue.Entries) {
        Table.emplace(Entry.Korean, Entry.Translated);
      }
    }
    return Made;
  }();
  return All;
}

std::string Substitute(std::string_view Template, std::initializer_list<std::string_view> Args) {
  std::string Result;
  Result.reserve(Template.size() + 16);
  for (std::size_t I = 0; I < Template.size(); ++I) {
    if (Template[I] == '{' && I + 2 < Template.size() && Template[I + 1] >= '0' &&
        Template[I + 1] <= '9' && Template[I + 2] == '}') {
      const auto Index = static_cast<std::size_t>(Template[I + 1] - '0');
      if (Index < Args.size()) {
        Result += *(Args.begin() + Index);
        I += 2;
        continue;
      }
    }
    Result += Template[I];
  }
  return Result;
}

}  // namespace

TCatalogue ParseCatalogue(std::string_view Language, std::string_view Text) {
  TCatalogue Catalogue{std::string(Language), {}, {}};
  const std::string KeyTag = "ko: ";
  const std::string ValueTag = std::string(Language) + ": ";
  bool HasKey = false;
  std::size_t LineNumber = 0;
  while (!Text.empty()) {
    const std::size_t End = Text.find('\n');
    std::string_view Line = Text.substr(0, End);
    Text = End == std::string_view::npos ? std::string_view() : Text.substr(End + 1);
    ++LineNumber;
    if (!Line.empty() && Line.back() == '\r') {
      Line.remove_suffix(1);
    }
    if (Line.empty() || Line.front() == '#') {
      continue;
    }
    const std::string Where = "line " + std::to_string(LineNumber) + ": ";
    if (Line.substr(0, KeyTag.size()) == KeyTag) {
      if (HasKey) {
        Catalogue.Errors.push_back(Where + "\"" + Catalogue.Entries.back().Korean +
                                   "\" has no translation");
        Catalogue.Entries.pop_back();
      }
      Catalogue.Entries.push_back({std::string(Line.substr(KeyTag.size())), {}});
      HasKey = true;
    } else if (Line.substr(0, ValueTag.size()) == ValueTag && HasKey) {
      Catalogue.Entries.back().Translated = std::string(Line.substr(ValueTag.size()));
      HasKey = false;
    } else {
      Catalogue.Errors.push_back(Where + "expected \"" + KeyTag + "\" or \"" + ValueTag +
                                 "\" after one: " + std::string(Line));
    }
  }
  if (HasKey) {
    Catalogue.Errors.push_back("\"" + Catalogue.Entries.back().Korean + "\" has no translation");
    Catalogue.Entries.pop_back();
  }
  return Catalogue;
}

const std::vector<TCatalogue>& BuiltInCatalogues() {
  static const std::vector<TCatalogue> All = [] {
    std::vector<TCatalogue> Parsed;
    for (const TBuiltInCatalogueText& Text : BuiltInCatalogueTexts()) {
      Parsed.push_back(ParseCatalogue(Text.Language, Text.Text));
    }
    return Parsed;
  }();
  return All;
}

bool SetTextLanguage(std::string_view Language) {
  if (Language == "ko") {
    CurrentLanguage() = "ko";
    CurrentTable() = nullptr;
    return true;
  }
  const auto Found = Tables().find(std::string(Language));
  if (Found == Tables().end()) {
    return false;
  }
  CurrentLanguage() = std::string(Language);
  CurrentTable() = &Found->second;
  return true;
}

const std::string& TextLanguage() {
  return CurrentLanguage();
}

std::vector<std::string> TextLanguages() {
  std::vector<std::string> Languages{"ko"};
  for (const TCatalogue& Catalogue : BuiltInCatalogues()) {
    Languages.push_back(Catalogue.Language);
  }
  return Languages;
}

TLanguageChoice ChooseLanguage(const std::string& Option, const char* Environment,
                               std::string_view LocaleLanguage) {
  TLanguageChoice Choice;
  if (!Option.empty()) {
    Choice.Language = Option;
    Choice.Source = "--lang";
  } else if (Environment != nullptr && *Environment != '\0') {
    Choice.Language = Environment;
    Choice.Source = "VARNELL_LANG";
  } else {
    Choice.Language = LocaleLanguage.empty() ? "ko" : std::string(LocaleLanguage);
    Choice.Source = LocaleLanguage.empty() ? "" : "locale";
    return Choice;
  }
  const std::vector<std::string> Languages = TextLanguages();
  Choice.Known = false;
  for (const std::string& Language : Languages) {
    Choice.Known = Choice.Known || Language == Choice.Language;
  }
  return Choice;
}

TLocaleVariables LocaleVariablesOfProcess() {
  return {std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"),
          std::getenv("LANGUAGE")};
}

namespace {

// "en_US.UTF-8@euro" -> "en"; "" for a locale that names no language of ours.
std::string KnownLanguageOfLocaleName(std::string_view Name) {
  const std::string_view Code = Name.substr(0, Name.find_first_of("_.@"));
  for (const std::string& Language : TextLanguages()) {
    if (Code == Language) {
      return Language;
    }
  }
  return {};
}

bool IsSet(const char* Variable) {
  return Variable != nullptr && *Variable != '\0';
}

}  // namespace

std::string LanguageOfLocale(const TLocaleVariables& Variables) {
  const char* Locale = IsSet(Variables.LcAll)        ? Variables.LcAll
                       : IsSet(Variables.LcMessages) ? Variables.LcMessages
                       : IsSet(Variables.Lang)       ? Variables.Lang
                                                     : nullptr;
  if (Locale == nullptr) {
    return {};
  }
  const std::string_view Name = Locale;
  if (Name == "C" || Name == "POSIX" || Name.substr(0, 2) == "C.") {
    return {};
  }
  if (IsSet(Variables.Language)) {
    std::string_view List = Variables.Language;
    while (!List.empty()) {
      const std::size_t Colon = List.find(':');
      const std::string Known = KnownLanguageOfLocaleName(List.substr(0, Colon));
      if (!Known.empty()) {
        return Known;
      }
      List = Colon == std::string_view::npos ? std::string_view() : List.substr(Colon + 1);
    }
  }
  return KnownLanguageOfLocaleName(Name);
}

std::string UnknownLanguageMessage(const TLanguageChoice& Choice) {
  std::string Known;
  for (const std::string& Language : TextLanguages()) {
    Known += (Known.empty() ? "" : ", ") + Language;
  }
  return Choice.Source + ": unknown language \"" + Choice.Language + "\" (known: " + Known + ")";
}

std::string LocalizedWith(std::string_view Korean, std::initializer_list<std::string_view> Args) {
  const auto* Table = CurrentTable();
  if (Table != nullptr) {
    const auto Found = Table->find(Korean);
    if (Found != Table->end() && !Found->second.empty()) {
      return Substitute(Found->second, Args);
    }
  }
  return Substitute(Korean, Args);
}
