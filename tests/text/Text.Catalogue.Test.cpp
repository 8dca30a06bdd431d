#include "text/Text.Catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TLanguageGuard {
  ~TLanguageGuard() { SetTextLanguage("ko"); }
};

TEST(TextCatalogue, KoreanIsTheTemplateAndEnglishItsTranslationWithTheArgumentsInPlace) {
  TLanguageGuard Guard;
  EXPECT_EQ(Localized("테스트 구간 : {0}GB ~ {1}GB", "12", "3"), "테스트 구간 : 12GB ~ 3GB");
  ASSERT_TRUE(SetTextLanguage("en"));
  EXPECT_EQ(TextLanguage(), "en");
  EXPECT_EQ(Localized("테스트 구간 : {0}GB ~ {1}GB", "12", "3"), "Tested range : 12GB ~ 3GB");
  // An argument that looks like a placeholder is copied, not expanded again.
  EXPECT_EQ(Localized("모델명 : {0}", "{1}{0}"), "Model : {1}{0}");
  // A text without an entry stays as written rather than vanishing.
  EXPECT_EQ(Localized("없는 문장 {0}", "1"), "없는 문장 1");
  ASSERT_TRUE(SetTextLanguage("ko"));
  EXPECT_EQ(Localized("모델명 : {0}", "X"), "모델명 : X");
}

TEST(TextCatalogue, AnUnknownLanguageIsRefusedAndNamedWithItsSource) {
  TLanguageGuard Guard;
  EXPECT_FALSE(SetTextLanguage("xx"));
  EXPECT_EQ(TextLanguage(), "ko");

  const struct {
    const char* Option;
    const char* Environment;
    const char* Language;
    bool Known;
  } Cases[] = {
      {"", nullptr, "ko", true},    {"", "", "ko", true},      {"", "en", "en", true},
      {"ko", "en", "ko", true},     {"en", "xx", "en", true},  {"", "xx", "xx", false},
      {"EN", nullptr, "EN", false}, {"de", "en", "de", false},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(std::string(Case.Option) + "/" + (Case.Environment ? Case.Environment : "-"));
    const TLanguageChoice Choice = ChooseLanguage(Case.Option, Case.Environment);
    EXPECT_EQ(Choice.Language, Case.Language);
    EXPECT_EQ(Choice.Known, Case.Known);
  }
  EXPECT_EQ(UnknownLanguageMessage(ChooseLanguage("de", nullptr)),
            "--lang: unknown language \"de\" (known: ko, en)");
  EXPECT_EQ(UnknownLanguageMessage(ChooseLanguage("", "fr")),
            "VARNELL_LANG: unknown language \"fr\" (known: ko, en)");
}

// Read as gettext reads them: LC_ALL, LC_MESSAGES, LANG in that order; LANGUAGE's list first
// unless the locale is C or POSIX; only languages with texts count.
TEST(TextCatalogue, TheLocaleNamesALanguageAsForAnyProgramsMessages) {
  const struct {
    TLocaleVariables Variables;
    const char* Language;
  } Cases[] = {
      {{}, ""},
      {{nullptr, nullptr, "en_US.UTF-8", nullptr}, "en"},
      {{nullptr, nullptr, "ko_KR.UTF-8", nullptr}, "ko"},
      {{nullptr, nullptr, "de_DE.UTF-8", nullptr}, ""},
      {{nullptr, nullptr, "C.UTF-8", nullptr}, ""},
      {{nullptr, nullptr, "en", nullptr}, "en"},
      {{nullptr, nullptr, "en@euro", nullptr}, "en"},
      {{"", "", "en_GB", ""}, "en"},
      {{"ko_KR.UTF-8", nullptr, "en_US.UTF-8", nullptr}, "ko"},
      {{nullptr, "en_US.UTF-8", "ko_KR.UTF-8", nullptr}, "en"},
      {{nullptr, nullptr, "ko_KR.UTF-8", "de:en_GB:ko"}, "en"},
      {{nullptr, nullptr, "de_DE.UTF-8", "fr:de"}, ""},
      {{nullptr, nullptr, "C", "en"}, ""},
      {{"POSIX", nullptr, "en_US.UTF-8", "en"}, ""},
      {{nullptr, nullptr, nullptr, "en"}, ""},
      {{nullptr, nullptr, "english", nullptr}, ""},
  };
  for (const auto& Case : Cases) {
    const auto Shown = [](const char* Variable) { return Variable ? Variable : "-"; };
    SCOPED_TRACE(std::string(Shown(Case.Variables.LcAll)) + "/" + Shown(Case.Variables.LcMessages) +
                 "/" + Shown(Case.Variables.Lang) + "/" + Shown(Case.Variables.Language));
    EXPECT_EQ(LanguageOfLocale(Case.Variables), Case.Language);
  }
  // The option and the variable win over the locale.
  EXPECT_EQ(ChooseLanguage("", nullptr, "en").Language, "en");
  EXPECT_EQ(ChooseLanguage("", nullptr, "en").Source, "locale");
  EXPECT_EQ(ChooseLanguage("", "ko", "en").Language, "ko");
  EXPECT_EQ(ChooseLanguage("ko", nullptr, "en").Language, "ko");
  EXPECT_EQ(ChooseLanguage("", nullptr, "").Language, "ko");
}

TEST(TextCatalogue, ParsingNamesEveryMalformedLine) {
  const TCatalogue Catalogue = ParseCatalogue("de",
                                              "# comment\r\n"
                                              "ko: 가 {0}\r\n"
                                              "de: A {0}\r\n"
                                              "\n"
                                              "ko: 나\n"
                                              "ko: 다\n"
                                              "en: C\n"
                                              "de: D\n"
                                              "ko: 라");
  ASSERT_EQ(Catalogue.Entries.size(), 2U);
  EXPECT_EQ(Catalogue.Entries[0].Korean, "가 {0}");
  EXPECT_EQ(Catalogue.Entries[0].Translated, "A {0}");
  EXPECT_EQ(Catalogue.Entries[1].Korean, "다");
  EXPECT_EQ(Catalogue.Entries[1].Translated, "D");
  ASSERT_EQ(Catalogue.Errors.size(), 3U);
  EXPECT_NE(Catalogue.Errors[0].find("\"나\" has no translation"), std::string::npos);
  EXPECT_NE(Catalogue.Errors[1].find("line 7"), std::string::npos);
  EXPECT_NE(Catalogue.Errors[2].find("\"라\""), std::string::npos);
}

TEST(TextCatalogue, TheBuiltInCataloguesAreWellFormed) {
  ASSERT_FALSE(BuiltInCatalogues().empty());
  for (const TCatalogue& Catalogue : BuiltInCatalogues()) {
    SCOPED_TRACE(Catalogue.Language);
    EXPECT_TRUE(Catalogue.Errors.empty()) << Catalogue.Errors.front();
    EXPECT_FALSE(Catalogue.Entries.empty());
  }
}

}  // namespace
