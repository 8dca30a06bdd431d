#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "results/Plot.Figure.h"

// Exit codes of the command-line program.
enum TCliExitCode : int {
  // Every pass ended normally, or the run was cancelled (a signal, a closed output).
  CliExitDone = 0,
  // A write (an open, a flush) failed and ended the test, files could not be deleted, or a log
  // line or a report line could not be written.
  CliExitWriteFailed = 1,
  // Bad arguments, a refused setting or folder, no room, or a folder in use by another run; no
  // test file was written.
  CliExitBadArguments = 2,
  // With --verify: a pass read back data that was not as written (changed, from elsewhere,
  // unreadable). Said before a failure: it is what the run found out about the drive.
  CliExitDataDamaged = 3,
};

// Draws a chart into an image file; returns an empty text or what went wrong. A build without
// Qt has none.
using TPlotSaver = std::function<std::string(const TPlotFigure& Figure, const std::string& Path)>;

// The whole program: arguments in, exit code out. Output and Errors are the two streams.
int RunCli(const std::vector<std::string>& Arguments, std::FILE* Output, std::FILE* Errors,
           const TPlotSaver& SavePlot = nullptr);
