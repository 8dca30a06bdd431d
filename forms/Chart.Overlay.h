#pragma once

#include <string>

#include "results/Compare.Table.h"

class QWidget;
class TSpeedChart;

// Draws every pass of a saved run over the chart, fainter, against the share of the disk still
// free as the running pass is drawn, each with a legend entry "<file> N회차". They stay over
// the following passes until ClearOverlays.
void OverlayRun(TSpeedChart& Chart, const TNamedRun& Run);
void ClearOverlays(TSpeedChart& Chart);
bool HasOverlays(const TSpeedChart& Chart);

// Asks for a result file and overlays it; a file that cannot be read or is not a result is
// said in a message box. Returns the file's path, empty when nothing was loaded.
std::string LoadOverlay(QWidget* Owner, TSpeedChart& Chart);
