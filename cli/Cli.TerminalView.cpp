#include "cli/Cli.TerminalView.h"

#include "platform/Platform.Locale.h"
#include "platform/Platform.Terminal.h"
#include "results/Speed.Figure.h"
#include "text/Text.Catalogue.h"

namespace {

constexpr auto StatusPeriod = std::chrono::milliseconds(250);

}  // namespace

TTerminalView::TTerminalView(std::FILE* Output, std::FILE* Errors, bool LiveStatus)
    : FOutput(Output), FErrors(Errors), FLiveStatus(LiveStatus) {}

void TTerminalView::WriteOutput(const std::string& Text) {
  const bool FailedBefore = FOutput.Failed();
  FOutput.Write(Text);
  if (FOutput.Failed() && !FailedBefore) {
    WriteErrors("varnell-cli: report lines could not be written to the output: " +
                Platform::SystemErrorText(FOutput.Error()) + "\n");
  }
}

void TTerminalView::WriteErrors(const std::string& Text) {
  FErrors.Write(Text);
}

void TTerminalView::AddLogLine(const std::string& Line) {
  ClearStatus();
  WriteOutput(Line + "\n");
}

void TTerminalView::ShowError(const std::string& Text) {
  // On a terminal the error line of the report already says it; elsewhere the output may be
  // going to a file, so the error also goes where scripts look for it.
  if (!FLiveStatus) {
    WriteErrors("varnell-cli: " + Text + "\n");
  }
}

void TTerminalView::ShowLogError(const std::string& Path, int Code, const std::string& SystemText) {
  FLogWriteFailed = true;
  ClearStatus();
  WriteErrors("varnell-cli: a line could not be written to the log file \"" + Path + "\": " +
              SystemText + " (code " + std::to_string(Code) + "); the file misses lines\n");
}

void TTerminalView::SetRunResult(std::shared_ptr<const TRunResult> Run) {
  if (FOnRunResult && Run) {
    FOnRunResult(*Run);
  }
}

void TTerminalView::ShowOutputError(const std::string& Text) {
  FLogWriteFailed = true;
  ClearStatus();
  WriteErrors("varnell-cli: " + Text + "\n");
}

void TTerminalView::StartPass() {
  FStatus = {};
  FPassRunning = true;
  FPassStart = std::chrono::steady_clock::now();
}

void TTerminalView::StartRead() {
  FStatus = {};
  FStatus.Reading = true;
  FPassStart = std::chrono::steady_clock::now();
}

void TTerminalView::EndPass() {
  ClearStatus();
  FPassRunning = false;
}

void TTerminalView::UpdatePass(std::int32_t WrittenInMiB, std::int32_t TargetInMiB,
                               std::int32_t SpeedInMiB) {
  FStatus.WrittenInMiB = WrittenInMiB;
  FStatus.TargetInMiB = TargetInMiB;
  FStatus.SpeedInMiB = SpeedInMiB;
}

void TTerminalView::Note(const std::string& Text) {
  // The status line goes first, so that the note starts a line of its own.
  ClearStatus();
  WriteErrors("varnell-cli: " + Text + "\n");
}

void TTerminalView::NoteInterrupt(bool First, bool OutputClosed) {
  if (OutputClosed) {
    Note("the output was closed; cancelling");
  }
  if (FDeleting) {
    Note(First ? "cancelling: the files written are being deleted first, please wait"
               : "still deleting the files written, please wait");
  } else if (FStatus.Reading) {
    Note(First ? "cancelling: the read-back ends after the current read"
               : "still ending the pass, please wait");
  } else {
    Note(First ? "cancelling: the pass ends after the current write"
               : "still ending the pass, please wait");
  }
}

void TTerminalView::RefreshStatus(bool Force) {
  if (!FLiveStatus || !FPassRunning || FStatus.TargetInMiB == 0) {
    return;
  }
  const auto Now = std::chrono::steady_clock::now();
  if (!Force && FStatusShown && Now - FLastDrawn < StatusPeriod) {
    return;
  }
  FLastDrawn = Now;
  FStatus.ElapsedSeconds = std::chrono::duration<double>(Now - FPassStart).count();
  const std::string Line = FormatStatusLine(FStatus, Platform::TerminalWidth() - 1);
  WriteOutput("\r" + Line + "\033[K");
  FStatusShown = true;
}

void TTerminalView::Finish() {
  ClearStatus();
}

void TTerminalView::ClearStatus() {
  if (FStatusShown) {
    WriteOutput("\r\033[K");
    FStatusShown = false;
  }
}

void TTerminalView::AddChartPoint(double X, double Y) {
  if (FRecordChart) {
    FCurrentPass.Points.push_back({X, Y});
  }
}

void TTerminalView::ClearChart() {
  if (!FRecordChart) {
    return;
  }
  if (!FCurrentPass.Points.empty()) {
    FEarlierPasses.push_back(std::move(FCurrentPass));
    if (FEarlierPasses.size() > EarlierPassesShown) {
      FEarlierPasses.erase(FEarlierPasses.begin());
    }
  }
  FCurrentPass = {};
  FCurrentPass.Label = Localized("{0}회차", std::to_string(++FChartPass));
  FCurrentReads = {};
  FCurrentReads.Label = Localized("{0}회차 읽기 속도", std::to_string(FChartPass));
  FChartPhases.clear();
}

void TTerminalView::AddReadChartPoint(double X, double Y) {
  if (FRecordChart) {
    FCurrentReads.Points.push_back({X, Y});
  }
}

void TTerminalView::ShowChartPhases(const std::vector<TChartPhase>& Phases) {
  if (FRecordChart) {
    FChartPhases = Phases;
  }
}

std::vector<TPlotCurve> TTerminalView::ChartPasses() const {
  std::vector<TPlotCurve> Passes = FEarlierPasses;
  if (!FCurrentPass.Points.empty()) {
    Passes.push_back(FCurrentPass);
  }
  return Passes;
}
