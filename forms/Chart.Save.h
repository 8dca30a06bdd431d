#pragma once

#include <string>

#include "engine/Setting.h"
#include "results/Plot.Figure.h"

class QWidget;
class TSpeedChart;

// The chart as a picture for a file: every point of the pass (not the thinned copy on screen),
// the half-average line where shown, the axes' titles, and a caption with the drive, the date
// and the settings, as a review or a bug report needs them.
TPlotFigure ChartFigure(const TSpeedChart& Chart, const TSetting& Setting,
                        const std::string& DateText);

// Asks where to save Figure (PNG or SVG, by the chosen filter or the name's extension) and
// saves it; a failure is said in a message box. Returns the path saved to, empty otherwise.
std::string SaveChartAs(QWidget* Owner, const TPlotFigure& Figure);
