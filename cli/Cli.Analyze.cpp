#include "cli/Cli.Analyze.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "analysis/Analysis.Pass.h"
#include "cli/Cli.Run.h"
#include "platform/Platform.Locale.h"
#include "report/Analysis.Report.h"
#include "results/Analysis.Json.h"
#include "results/Writes.Csv.h"
#include "text/Text.Catalogue.h"

namespace {

struct TAnalysedFile {
  std::string Path;
  std::vector<TPassWrites> Passes;
};

// The file's passes, or the message that says why there are none.
bool ReadPasses(const std::string& Path, TAnalysedFile& File, std::string& Error) {
  std::error_code Ignored;
  if (std::filesystem::is_directory(Path, Ignored)) {
    Error = "\"" + Path + "\" is a folder, not a per-write file";
    return false;
  }
  errno = 0;
  std::ifstream In(Path, std::ios::binary);
  if (!In) {
    Error = "cannot read \"" + Path + "\": " + Platform::SystemErrorText(errno);
    return false;
  }
  std::ostringstream Text;
  Text << In.rdbuf();
  if (In.bad()) {
    Error = "cannot read \"" + Path + "\"";
    return false;
  }
  try {
    File.Path = Path;
    File.Passes = ParseWritesCsv(Text.str());
  } catch (const TWritesCsvError& Bad) {
    Error = "\"" + Path + "\" is no per-write file: " + Bad.what();
    return false;
  }
  if (File.Passes.empty()) {
    Error = "\"" + Path + "\" holds no writes";
    return false;
  }
  return true;
}

bool Print(std::FILE* Output, const std::string& Text) {
  return std::fputs(Text.c_str(), Output) >= 0;
}

}  // namespace

int RunAnalyze(const std::vector<std::string>& Files, bool Json, std::FILE* Output,
               std::FILE* Errors) {
  std::vector<TAnalysedFile> Read(Files.size());
  for (std::size_t I = 0; I < Files.size(); ++I) {
    std::string Error;
    if (!ReadPasses(Files[I], Read[I], Error)) {
      std::fprintf(Errors, "varnell-cli: %s\n", Error.c_str());
      return CliExitBadArguments;
    }
  }
  std::string Text;
  if (Json) {
    nlohmann::json Document = {{"files", nlohmann::json::array()}};
    for (const TAnalysedFile& File : Read) {
      nlohmann::json Passes = nlohmann::json::array();
      for (const TPassWrites& Pass : File.Passes) {
        Passes.push_back(
            {{"pass", Pass.Pass}, {"analysis", AnalysisToJson(AnalysePass(Pass.Writes))}});
      }
      Document["files"].push_back({{"file", File.Path}, {"passes", std::move(Passes)}});
    }
    Text = Document.dump(2) + "\n";
  } else {
    const std::string Separator = Platform::LocaleDecimalSeparator();
    for (const TAnalysedFile& File : Read) {
      Text += Localized("파일 : {0}", File.Path) + "\n";
      for (const TPassWrites& Pass : File.Passes) {
        Text += Localized("테스트 회차 : {0}", std::to_string(Pass.Pass)) + "\n";
        for (const std::string& Line : AnalysisReportLines(AnalysePass(Pass.Writes), Separator)) {
          Text += Line + "\n";
        }
      }
    }
  }
  if (!Print(Output, Text) || std::fflush(Output) != 0) {
    return CliExitWriteFailed;
  }
  return CliExitDone;
}
