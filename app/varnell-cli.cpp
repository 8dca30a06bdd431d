#include <cstdio>
#include <string>
#include <vector>

#include "cli/Cli.Run.h"
#include "platform/Platform.Terminal.h"
#ifdef VARNELL_HAS_PLOT
#include "plot/Plot.Render.h"
#endif

int main(int argc, char** argv) {
  Platform::OpenMissingStandardDescriptors();
  Platform::PrepareConsole();
  const std::vector<std::string> Arguments = Platform::ProgramArguments(argc, argv);
#ifdef VARNELL_HAS_PLOT
  // Qt's application object is made only when a chart is drawn: a fill never needs it.
  const TPlotSaver SaveChart = [](const TPlotFigure& Figure, const std::string& Path) {
    EnsurePlotApplication();
    return SavePlot(Figure, Path);
  };
  return RunCli(Arguments, stdout, stderr, SaveChart);
#else
  return RunCli(Arguments, stdout, stderr);
#endif
}
