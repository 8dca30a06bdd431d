#pragma once

#include <memory>
#include <string>
#include <vector>

#include "results/Chart.Phases.h"

#include "results/Run.Result.h"

// What the presenter changes in a window (or a terminal). Every call runs on the GUI thread,
// inside a unit of GUI work. No toolkit types here, so a terminal can implement it too.
class TTesterView {
 public:
  virtual ~TTesterView() = default;

  // Progress bar position, 0 to 100.
  virtual void SetProgress(int Position) = 0;
  // "현재 채워진 용량 : ..." line.
  virtual void SetCurrFileText(const std::string& Text) = 0;
  // "속도 : ...MiB/s" line.
  virtual void SetCurrSpdText(const std::string& Text) = 0;

  // One point of the speed chart: X = remaining share of the disk in percent, Y = MiB/s.
  virtual void AddChartPoint(double X, double Y) = 0;
  // One point of the read speed series (verification), X and Y as for AddChartPoint.
  virtual void AddReadChartPoint(double X, double Y) = 0;
  // Empties the speed series and the read speed series (the half-average line stays).
  virtual void ClearChart() = 0;
  // Moves the half-average line to Level across the horizontal axis; when the axis minimum is
  // exactly 0 or IsEnd is set, the axis range is first recomputed from the data. Shows the line.
  virtual void RefreshHorizontalLine(bool IsEnd, double Level) = 0;
  // The drive's temperature in °C at a point of the chart, where one was read: a second series
  // on an axis of its own. Emptied by ClearChart. A view without a chart ignores it.
  virtual void AddChartTemperature(double X, double TemperatureInC);
  // At a pass's end: its phases over the chart (a marker where each begins, a labelled step at
  // its speed), until ClearChart. Never called for a pass too short to judge.
  virtual void ShowChartPhases(const std::vector<TChartPhase>& Phases);

  // Appends a line to both log lists; only the visible list scrolls to its end.
  virtual void AddLogLine(const std::string& Line) = 0;
  // Start of a pass: empties the current-pass list and removes the first LinesToRemove lines
  // of the previous-and-current list in one update.
  virtual void RotateLogs(int LinesToRemove) = 0;

  // End of the test: widens the progress bar over the pause button and hides both buttons.
  virtual void HideButtons() = 0;
  // A write failed: the window tells the user (message box, error line).
  virtual void ShowError(const std::string& Text) = 0;
  // The pass writes nothing: Reason is its report line saying why (an invalid setting, no room).
  // A window has it in its log lists already; a terminal also says it where errors go.
  virtual void ShowRefusal(const std::string& Reason) { (void)Reason; }
  // A line could not be written to the log file at Path (said once per file); Code and
  // SystemText are the system's. A window shows it as it shows a failed write.
  virtual void ShowLogError(const std::string& Path, int Code, const std::string& SystemText);
  // The run so far, after each pass has ended: what a window saves as the run's result.
  virtual void SetRunResult(std::shared_ptr<const TRunResult> Run) { (void)Run; }
};
