#include "app/Program.Answers.h"

#include <cstdlib>
#include <string_view>

#include "text/Text.Catalogue.h"
#include "text/Varnell.Identity.h"

std::optional<int> AnswerHelpOrVersion(int Argc, const char* const* Argv, const char* ProgramName,
                                       const char* Usage, std::FILE* Output) {
  for (int Index = 1; Index < Argc; ++Index) {
    const std::string_view Argument = Argv[Index];
    if (Argument == "-h" || Argument == "--help") {
      std::fputs(Usage, Output);
      return 0;
    }
    if (Argument == "--version") {
      std::fprintf(Output, "%s %s\n", ProgramName, VarnellIdentity::ProductVersion);
      return 0;
    }
  }
  return std::nullopt;
}

std::optional<int> TakeLanguage(int& Argc, char** Argv, const char* ProgramName,
                                std::string& Language, std::FILE* Errors) {
  std::string Option;
  bool Given = false;
  int Kept = 1;
  for (int Index = 1; Index < Argc; ++Index) {
    const std::string_view Argument = Argv[Index];
    if (Argument == "--lang") {
      Given = true;
      Option = Index + 1 < Argc ? Argv[++Index] : "";
    } else if (Argument.substr(0, 7) == "--lang=") {
      Given = true;
      Option = std::string(Argument.substr(7));
    } else {
      Argv[Kept++] = Argv[Index];
    }
  }
  Argv[Kept] = nullptr;
  Argc = Kept;
  if (Given && Option.empty()) {
    std::fprintf(Errors, "%s: --lang needs a language: ko or en\n", ProgramName);
    return 2;
  }
  const TLanguageChoice Choice = ChooseLanguage(Option, std::getenv("VARNELL_LANG"),
                                                LanguageOfLocale(LocaleVariablesOfProcess()));
  if (!Choice.Known) {
    std::fprintf(Errors, "%s: %s%s\n", ProgramName, UnknownLanguageMessage(Choice).c_str(),
                 Given ? "" : "; the program is in ko");
    if (Given) {
      return 2;
    }
    Language = "ko";
    return std::nullopt;
  }
  Language = Choice.Language;
  return std::nullopt;
}
