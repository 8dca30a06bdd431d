#include "app/Program.Answers.h"

#include <string_view>

#include "report/Varnell.Identity.h"

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
