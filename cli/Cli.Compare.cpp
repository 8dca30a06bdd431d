#include "cli/Cli.Compare.h"

#include <fstream>
#include <sstream>

#include "results/Compare.Table.h"
#include "results/Run.Json.h"

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
    std::ifstream Stream(File, std::ios::binary);
    if (!Stream) {
      return Refuse(Errors, "cannot read \"" + File + "\"");
    }
    std::ostringstream Text;
    Text << Stream.rdbuf();
    try {
      Runs.push_back({File, ParseRunResult(Text.str())});
    } catch (const TResultFileError& Error) {
      return Refuse(Errors, "\"" + File + "\" is not a result file: " + Error.what());
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
