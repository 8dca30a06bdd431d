#pragma once

#include <optional>
#include <string>
#include <vector>

// What a saved chart shows, without Qt: curves of points, the phases' means as steps, and the
// texts around them. The window, varnell-cli --plot and the comparison fill one of these.
struct TPlotPoint {
  double X = 0.0;
  double Y = 0.0;

  bool operator==(const TPlotPoint&) const = default;
};

struct TPlotCurve {
  std::string Label;  // the legend's entry
  std::vector<TPlotPoint> Points;
  bool Faint = false;  // an earlier pass, drawn behind the current one
};

// A phase's mean speed from X to ToX, drawn as a labelled step with a marker at its start.
struct TPlotStep {
  double FromX = 0.0;
  double ToX = 0.0;
  double Y = 0.0;
  std::string Label;
};

struct TPlotFigure {
  std::string Title;
  std::vector<std::string> Caption;  // lines under the title: the drive, the date, the settings
  std::string XTitle;
  std::string YTitle;
  bool XFalls = false;  // the share of the disk still free: 100 % on the left, 0 % on the right
  std::vector<TPlotCurve> Curves;
  std::vector<TPlotStep> Steps;
  std::optional<double> HalfAverage;  // the red line at half the average speed
};

// The points of Curve that pixel columns can show: all when they are few, else the lowest and
// the highest of each column, in the order of X. Keeps a curve of 500,000 writes drawable.
std::vector<TPlotPoint> ThinnedForColumns(const std::vector<TPlotPoint>& Curve, int Columns);
