#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.StatusLine.h"
#include "cli/Cli.TerminalStream.h"
#include "report/Tester.View.h"
#include "results/Plot.Figure.h"

// The presenter's view on a terminal: report lines go to the output as they come; a live
// status line, when wanted, sits below them and is redrawn in place, never mixed into them.
// Runs on the thread that serves the dispatcher (the program's main thread).
class TTerminalView final : public TTesterView {
 public:
  TTerminalView(std::FILE* Output, std::FILE* Errors, bool LiveStatus);

  void SetProgress(int) override {}
  void SetCurrFileText(const std::string&) override {}
  void SetCurrSpdText(const std::string&) override {}
  void AddChartPoint(double X, double Y) override;
  void AddReadChartPoint(double X, double Y) override;
  void ClearChart() override;
  void ShowChartPhases(const std::vector<TChartPhase>& Phases) override;
  void RefreshHorizontalLine(bool, double Level) override { FHalfAverage = Level; }
  void RotateLogs(int) override {}
  void HideButtons() override {}
  void AddLogLine(const std::string& Line) override;
  void ShowError(const std::string& Text) override;
  void ShowRefusal(const std::string& Reason) override { ShowError(Reason); }
  // Always said on the error stream: no report line says it.
  void ShowLogError(const std::string& Path, int Code, const std::string& SystemText) override;
  // The run so far, after each pass has ended: handed on to whoever asked for it.
  void SetRunResult(std::shared_ptr<const TRunResult> Run) override;
  void OnRunResult(std::function<void(const TRunResult&)> Take) { FOnRunResult = std::move(Take); }
  // An output of the run beside the logs failed (the metrics file): said on the error stream,
  // and the run ends as a failed one.
  void ShowOutputError(const std::string& Text);

  // The pass's figures, handed over after every write.
  void StartPass();
  // The pass's files are read back: the status line counts the reads from here on.
  void StartRead();
  // The pass has ended: the status line goes until the next pass starts.
  void EndPass();
  void UpdatePass(std::int32_t WrittenInMiB, std::int32_t TargetInMiB, std::int32_t SpeedInMiB);
  // A message of the program itself (cancelling, still cleaning up), on the error stream.
  void Note(const std::string& Text);
  // Files of the pass are being deleted: a cancel cannot cut that short.
  void SetDeleting(bool Deleting) { FDeleting = Deleting; }
  bool Deleting() const { return FDeleting; }
  // Says what an interrupt (or a closed output) does now: the first cancels, later ones only
  // wait.
  void NoteInterrupt(bool First, bool OutputClosed = false);
  // Redraws the status line when it is due (a few times a second) or when Force is set.
  void RefreshStatus(bool Force = false);
  // Leaves the terminal with the cursor on a fresh line.
  void Finish();

  // Keeps the chart's points, for a picture at the end (--plot); off by default, as a run
  // without a picture has no use for them.
  void RecordChart() { FRecordChart = true; }
  // The chart as the window would show it: the last few passes, the current one last, each
  // labelled with its number; and the half-average line's level.
  std::vector<TPlotCurve> ChartPasses() const;
  std::optional<double> HalfAverage() const { return FHalfAverage; }
  // The current pass's read-back, when it was verified.
  const TPlotCurve& ChartReads() const { return FCurrentReads; }
  // The phases of the current pass, once it has ended and was long enough to judge.
  const std::vector<TChartPhase>& ChartPhases() const { return FChartPhases; }

  // The reader of the output or of the error stream has gone: the run is to be cancelled.
  bool OutputClosed() const { return FOutput.Closed() || FErrors.Closed(); }
  // A log line, or a report line on the output, could not be written.
  bool WriteFailed() const { return FLogWriteFailed || FOutput.Failed(); }

 private:
  void ClearStatus();
  void WriteOutput(const std::string& Text);
  void WriteErrors(const std::string& Text);

  std::function<void(const TRunResult&)> FOnRunResult;
  TTerminalStream FOutput;
  TTerminalStream FErrors;
  bool FLogWriteFailed = false;
  const bool FLiveStatus;
  bool FStatusShown = false;
  bool FPassRunning = false;
  bool FDeleting = false;
  TPassStatus FStatus;
  std::chrono::steady_clock::time_point FPassStart;
  std::chrono::steady_clock::time_point FLastDrawn;
  bool FRecordChart = false;
  std::int32_t FChartPass = 0;
  std::vector<TPlotCurve> FEarlierPasses;  // the last few before the current one
  TPlotCurve FCurrentPass;
  TPlotCurve FCurrentReads;
  std::optional<double> FHalfAverage;
  std::vector<TChartPhase> FChartPhases;
};
