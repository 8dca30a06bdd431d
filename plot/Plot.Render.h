#pragma once

#include <string>

#include "results/Plot.Figure.h"

// Draws Figure into an image file fit for a review or a bug report: SVG when Path ends in
// ".svg", PNG when it ends in ".png" (1600 x 900 pixels). Needs a QApplication; a program
// without windows calls EnsurePlotApplication first. Returns an empty text, or what went wrong
// (an unknown extension, a file that cannot be written).
std::string SavePlot(const TPlotFigure& Figure, const std::string& Path);

// Makes the application object that drawing needs, on the offscreen platform (no display), when
// the program has none yet. Call it on the main thread, before any other Qt object.
void EnsurePlotApplication();
