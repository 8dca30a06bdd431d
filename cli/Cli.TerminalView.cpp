#include "cli/Cli.TerminalView.h"

#include "platform/Platform.Terminal.h"

namespace {

constexpr auto StatusPeriod = std::chrono::milliseconds(250);

}  // namespace

TTerminalView::TTerminalView(std::FILE* Output, std::FILE* Errors, bool LiveStatus)
    : FOutput(Output), FErrors(Errors), FLiveStatus(LiveStatus) {}

void TTerminalView::AddLogLine(const std::string& Line) {
  ClearStatus();
  std::fputs(Line.c_str(), FOutput);
  std::fputc('\n', FOutput);
  std::fflush(FOutput);
}

void TTerminalView::ShowError(const std::string& Text) {
  // On a terminal the error line of the report already says it; elsewhere the output may be
  // going to a file, so the error also goes where scripts look for it.
  if (!FLiveStatus) {
    std::fprintf(FErrors, "varnell-cli: %s\n", Text.c_str());
    std::fflush(FErrors);
  }
}

void TTerminalView::StartPass() {
  FStatus = {};
  FPassRunning = true;
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
  ClearStatus();
  std::fprintf(FErrors, "varnell-cli: %s\n", Text.c_str());
  std::fflush(FErrors);
}

void TTerminalView::NoteInterrupt(bool First) {
  if (FDeleting) {
    Note(First ? "cancelling: the files written are being deleted first, please wait"
               : "still deleting the files written, please wait");
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
  std::fprintf(FOutput, "\r%s\033[K", Line.c_str());
  std::fflush(FOutput);
  FStatusShown = true;
}

void TTerminalView::Finish() {
  ClearStatus();
}

void TTerminalView::ClearStatus() {
  if (FStatusShown) {
    std::fputs("\r\033[K", FOutput);
    FStatusShown = false;
  }
}
