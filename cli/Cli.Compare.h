#pragma once

#include <cstdio>

#include "cli/Cli.Options.h"
#include "cli/Cli.Run.h"

// "varnell-cli compare": reads every result file, prints the table of their passes to Output
// and, when asked and this build can draw, the overlay of their curves. Returns the exit code:
// 2 when a file cannot be read or is not a result, or the image cannot be drawn.
int RunCompare(const TCliParseResult& Parsed, std::FILE* Output, std::FILE* Errors,
               const TPlotSaver& SavePlot);
