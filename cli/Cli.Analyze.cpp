#include "cli/Cli.Analyze.h"

#include <nlohmann/json.hpp>

#include "analysis/Analysis.Pass.h"
#include "cli/Cli.InputFile.h"
#include "cli/Cli.Run.h"
#include "platform/Platform.Locale.h"
#include "report/Analysis.Report.h"
#include "results/Analysis.Json.h"
#include "results/Writes.Csv.h"
#include "text/Escape.Control.h"
#include "text/Text.Catalogue.h"

namespace {

// One file's analysed passes, as they will be printed: each pass is analysed as soon as the
// file's next pass begins, and its writes are let go.
struct TAnalysedFile {
  std::string Path;
  nlohmann::json Passes = nlohmann::json::array();
  std::string Lines;
  bool Empty = true;
};

void AddPass(TPassWrites&& Pass, bool Json, const std::string& Separator, TAnalysedFile& File) {
  const TPassAnalysis Analysis = AnalysePass(Pass.Writes);
  File.Empty = false;
  if (Json) {
    File.Passes.push_back({{"pass", Pass.Pass}, {"analysis", AnalysisToJson(Analysis)}});
    return;
  }
  File.Lines += Localized("테스트 회차 : {0}", std::to_string(Pass.Pass)) + "\n";
  for (const std::string& Line : AnalysisReportLines(Analysis, Separator)) {
    File.Lines += Line + "\n";
  }
}

// The file's passes analysed, or the message that says why there are none.
TInputEnd ReadPasses(const std::string& Path, bool Json, TAnalysedFile& File, std::string& Error) {
  const std::string Separator = Platform::LocaleDecimalSeparator();
  const std::string Shown = "\"" + EscapeControlCharacters(Path) + "\"";
  File.Path = Path;
  TWritesCsvReader Reader;
  const auto Analyse = [&](TPassWrites&& Pass) { AddPass(std::move(Pass), Json, Separator, File); };
  try {
    const TInputEnd End = ReadInputFile(
        Path, [&](std::string_view Piece) { Reader.AddText(Piece, Analyse); }, Error);
    if (End != TInputEnd::Done) {
      return End;
    }
    Reader.Finish(Analyse);
  } catch (const TWritesCsvError& Bad) {
    Error = Shown + " is no per-write file: " + Bad.what();
    return TInputEnd::Failed;
  }
  if (File.Empty) {
    Error = Shown + " holds no writes";
    return TInputEnd::Failed;
  }
  return TInputEnd::Done;
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
    switch (ReadPasses(Files[I], Json, Read[I], Error)) {
      case TInputEnd::Done:
        break;
      case TInputEnd::Failed:
        std::fprintf(Errors, "varnell-cli: %s\n", Error.c_str());
        return CliExitBadArguments;
      case TInputEnd::Interrupted:
        std::fprintf(Errors, "varnell-cli: %s\n", InputInterrupted);
        return CliExitWriteFailed;
    }
  }
  std::string Text;
  if (Json) {
    nlohmann::json Document = {{"files", nlohmann::json::array()}};
    for (TAnalysedFile& File : Read) {
      // The path as given, kept readable back to its bytes when it is not UTF-8.
      Document["files"].push_back(
          {{"file", EscapeResultText(File.Path)}, {"passes", std::move(File.Passes)}});
    }
    Text = Document.dump(2) + "\n";
  } else {
    for (const TAnalysedFile& File : Read) {
      Text += Localized("파일 : {0}", EscapeControlCharacters(File.Path)) + "\n" + File.Lines;
    }
  }
  if (!Print(Output, Text) || std::fflush(Output) != 0) {
    return CliExitWriteFailed;
  }
  return CliExitDone;
}
