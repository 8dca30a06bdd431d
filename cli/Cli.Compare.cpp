#include "cli/Cli.Compare.h"

#include "cli/Cli.InputFile.h"
#include "results/Compare.Table.h"
#include "results/Run.Json.h"
#include "text/Escape.Control.h"

namespace {

int Refuse(std::FILE* Errors, const std::string& Text) {
  std::fprintf(Errors, "varnell-cli: %s\n", Text.c_str());
  return CliExitBadArguments;
}

}  // namespace

int RunCompare(const TCliParseResult& Parsed, std::FILE* Output, std::FILE* Errors,
               const TPlotSaver& SavePlot) {
  if (!Parsed.PlotPath.empty() && !SavePlot) {
    return Refuse(Errors, "--plot: this build of varnell-cli cannot draw charts");
  }
  std::vector<TNamedRun> Runs;
  for (const std::string& File : Parsed.Files) {
    const std::string Shown = "\"" + EscapeControlCharacters(File) + "\"";
    std::string Text;
    std::string Error;
    TInputEnd End = TInputEnd::Failed;
    struct TTooLarge {};
    try {
      End = ReadInputFile(
          File,
          [&Text](std::string_view Piece) {
            // Its text is held whole to be parsed: read no further than a result file can be.
            if (Text.size() + Piece.size() > ResultFileMostBytes) {
              throw TTooLarge{};
            }
            Text += Piece;
          },
          Error);
    } catch (const TTooLarge&) {
      return Refuse(Errors, Shown + " is not a result file: it is larger than " +
                                std::to_string(ResultFileMostBytes >> 20) + " MiB");
    }
    if (End == TInputEnd::Interrupted) {
      std::fprintf(Errors, "varnell-cli: %s\n", InputInterrupted);
      return CliExitWriteFailed;
    }
    if (End == TInputEnd::Failed) {
      return Refuse(Errors, Error);
    }
    try {
      Runs.push_back({File, ParseRunResult(Text)});
    } catch (const TResultFileError& Bad) {
      return Refuse(Errors,
                    Shown + " is not a result file: " +
                        EscapeControlCharacters(std::string_view(Bad.what()).substr(0, 300)));
    }
  }
  const std::string Table = Parsed.CompareCsv ? CompareCsv(Runs) : CompareTable(Runs);
  if (std::fwrite(Table.data(), 1, Table.size(), Output) != Table.size() ||
      std::fflush(Output) != 0) {
    return CliExitWriteFailed;
  }
  if (!Parsed.PlotPath.empty()) {
    if (const std::string Error = SavePlot(CompareFigure(Runs), Parsed.PlotPath); !Error.empty()) {
      return Refuse(Errors, "--plot: " + Error);
    }
  }
  return CliExitDone;
}
