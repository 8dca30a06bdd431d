#pragma once

#include <vector>

class QLineSeries;
class TSpeedChart;

// A repeating run keeps the passes before the running one on the chart, fainter and thinned,
// the last few of them (EarlierPassesShown), each with its legend entry "N회차".
// Moves the chart's current pass, when it has points, into such a line labelled PassNumber;
// the chart's own series is left for the caller to clear.
void KeepAsEarlierPass(TSpeedChart& Chart, int PassNumber);
// The earlier passes' lines, oldest first (empty without repetition).
int EarlierPassCount(const TSpeedChart& Chart);
// The highest speed of every line drawn over the pass (earlier passes and loaded results): the
// speed axis reaches it too.
double ExtraCurvesMaxY(const TSpeedChart& Chart);
// Marks a line as drawn over the pass, for ExtraCurvesMaxY.
void MarkAsExtraCurve(QLineSeries& Series);
// The chart's lines whose Property (a QObject property) is true, in drawing order.
std::vector<QLineSeries*> ChartSeriesWith(const TSpeedChart& Chart, const char* Property);
