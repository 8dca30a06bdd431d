#include "cli/Cli.Run.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <memory>

#include "cli/Cli.Analyze.h"
#include "cli/Cli.Compare.h"
#include "cli/Cli.Metrics.h"
#include "cli/Cli.Options.h"
#include "cli/Cli.Presenter.h"
#include "cli/Cli.TerminalView.h"
#include "device/Disk.Temperature.h"
#include "device/System.Drive.h"
#include "engine/Tester.Thread.h"
#include "platform/Platform.Clock.h"
#include "platform/Platform.Locale.h"
#include "platform/Platform.LogFile.h"
#include "platform/Platform.Terminal.h"
#include "report/Gui.QueueDispatcher.h"
#include "report/Tester.ToView.h"
#include "results/Speed.Figure.h"
#include "text/DateTime.Text.h"
#include "text/Text.Catalogue.h"
#include "text/Varnell.Identity.h"

namespace {

std::string SystemDriveRefusal(const std::string& Folder) {
#ifdef _WIN32
  const char* Holding = "the drive of the running system (the one holding Windows or your profile)";
#else
  const char* Holding =
      "the filesystem of the running system (the one holding /, /usr, /var or your home)";
#endif
  return "folder \"" + Folder + "\" is on " + Holding +
         "; filling it can make other programs fail. Give --allow-system-drive to fill it all "
         "the same";
}

int Refuse(std::FILE* Errors, const std::string& Message) {
  std::fprintf(Errors, "varnell-cli: %s\nTry 'varnell-cli --help' for the options.\n",
               Message.c_str());
  return CliExitBadArguments;
}

// Serves the worker's units on this thread until the worker has ended, turning Ctrl-C,
// SIGTERM, SIGHUP and a closed output into the cancel request. The worker's closing work
// (deleting the files, the summary) still runs to its end after a cancel. True when cancelled.
bool ServeUntilFinished(TTesterThread& Worker, TQueueDispatcher& Queue, TTerminalView& View,
                        TCliMetrics* Metrics) {
  int InterruptsSeen = 0;
  bool Cancelled = false;
  while (!Worker.IsFinished()) {
    Queue.WaitAndRunPending(std::chrono::milliseconds(100));
    const int Interrupts = Platform::InterruptCount();
    const bool Interrupted = Interrupts > InterruptsSeen;
    InterruptsSeen = Interrupts;
    if (!Cancelled && (Interrupted || View.OutputClosed())) {
      View.NoteInterrupt(true, !Interrupted);
      Worker.Terminate();
      Cancelled = true;
    } else if (Interrupted) {
      View.NoteInterrupt(false, false);
    }
    View.RefreshStatus();
    if (Metrics) {
      Metrics->Refresh();
    }
  }
  Queue.RunPending();
  return Cancelled;
}

// Why the chart asked for cannot be drawn, before anything is written: this build cannot draw,
// or the image's folder cannot take it.
std::string PlotRefusal(const std::string& PlotPath, const TPlotSaver& SavePlot) {
  if (PlotPath.empty()) {
    return {};
  }
  if (!SavePlot) {
    return "--plot: this build of varnell-cli cannot draw charts";
  }
  std::string Folder = std::filesystem::path(PlotPath).parent_path().string();
  if (Folder.empty()) {
    Folder = ".";
  }
  int FolderError = 0;
  if (!Platform::IsWritableDirectory(Folder.c_str(), FolderError)) {
    return "--plot: folder \"" + Folder +
           "\" cannot be used: " + Platform::SystemErrorText(FolderError);
  }
  return {};
}

}  // namespace

int RunCli(const std::vector<std::string>& Arguments, std::FILE* Output, std::FILE* Errors,
           const TPlotSaver& SavePlot) {
  // From the start: a hangup or a closed output must never end the program half-way.
  Platform::InstallInterruptCounter();
  const TCliParseResult Parsed = ParseCliArguments(Arguments);
  if (!Parsed.Ok()) {
    return Refuse(Errors, Parsed.Error);
  }
  if (!Parsed.Warning.empty()) {
    std::fprintf(Errors, "varnell-cli: %s\n", Parsed.Warning.c_str());
  }
  SetTextLanguage(Parsed.Options.Language);
  switch (Parsed.Command) {
    case TCliCommand::ShowHelp:
      std::fputs(Parsed.HelpText.c_str(), Output);
      return CliExitDone;
    case TCliCommand::ShowVersion:
      std::fprintf(Output, "varnell-cli %s\n", VarnellIdentity::ProductVersion);
      return CliExitDone;
    case TCliCommand::Compare:
      return RunCompare(Parsed, Output, Errors, SavePlot);
    case TCliCommand::Analyze:
      return RunAnalyze(Parsed.AnalyzeFiles, Parsed.AnalyzeJson, Output, Errors);
    case TCliCommand::Fill:
      break;
  }
  const TCliOptions& Options = Parsed.Options;
  int FolderError = 0;
  if (!Platform::IsWritableDirectory(Options.Setting.DrivePath.c_str(), FolderError)) {
    return Refuse(Errors, "folder \"" + Options.Setting.DrivePath +
                              "\" cannot be used: " + Platform::SystemErrorText(FolderError));
  }
  if (!Options.AllowSystemDrive && HoldsRunningSystem(Options.Setting.DrivePath)) {
    return Refuse(Errors, SystemDriveRefusal(Options.Setting.DrivePath));
  }
  if (const std::string Error = PlotRefusal(Options.PlotPath, SavePlot); !Error.empty()) {
    return Refuse(Errors, Error);
  }
  if (!Options.MetricsPath.empty()) {
    const TSetting& Setting = Options.Setting;
    if (const std::string Error = MetricsPathRefusal(
            Options.MetricsPath, {Setting.RecordPath, Setting.DetailedRecordPath,
                                  Setting.WritesCsvPath, Setting.ResultJsonPath, Options.PlotPath});
        !Error.empty()) {
      return Refuse(Errors, Error);
    }
  }
  const std::string StartedAt = FormatDateTimeToMinute(Platform::Now());

  TQueueDispatcher Queue;
  TTerminalView View(Output, Errors, Platform::StdoutIsTerminal() && !Options.Quiet);
  if (!Options.PlotPath.empty()) {
    View.RecordChart();
  }
  std::unique_ptr<TCliMetrics> Metrics;
  if (!Options.MetricsPath.empty()) {
    Metrics = MakeCliMetrics(Options.MetricsPath, Options.Setting.DrivePath, View);
  }
  bool Refused = false;
  // The chart's file is held from here on as the other outputs are, and checked with them; it
  // is written only at the end, and a run that draws nothing leaves it as it was.
  Platform::TLogFile PlotFile;
  std::unique_ptr<TTesterThread> Worker;
  try {
    auto Presenter = std::make_unique<TTesterToView>(Options.Setting, View,
                                                     std::make_unique<TSharedDispatcher>(Queue));
    if (!Options.PlotPath.empty()) {
      TTesterLogger::OpenBeside(PlotFile, Options.PlotPath, Presenter->OutputFiles(),
                                Options.Setting.DrivePath);
    }
    auto Watched =
        std::make_unique<TCliPresenter>(std::move(Presenter), Queue, View, Refused, Metrics.get());
    // The wake-up unit lets the main thread notice the end at once instead of at its next poll.
    Worker = std::make_unique<TTesterThread>(
        Options.Setting, std::move(Watched), nullptr, [&Queue] { Queue.Queue([] {}); },
        DiskTemperatureReaderOf);
  } catch (const std::exception& Error) {
    PlotFile.Abandon();
    return Refuse(Errors, Error.what());
  }

  const bool Cancelled = ServeUntilFinished(*Worker, Queue, View, Metrics.get());
  View.Finish();
  const auto Error = Worker->Error();
  const bool Undeleted = !Worker->DeleteErrors().empty();
  const bool Damaged = Worker->DataDamaged();
  Worker.reset();
  if (Metrics) {
    Metrics->Finish(0, Error       ? TDriveState::Failed
                       : Cancelled ? TDriveState::Cancelled
                                   : TDriveState::Done);
  }
  const bool Draws = !Options.PlotPath.empty() && !View.ChartPasses().empty();
  if (!Draws) {
    PlotFile.Abandon();
  }
  if (Error && IsFolderInUse(*Error)) {
    std::fprintf(Errors,
                 "varnell-cli: folder \"%s\" is in use by another run; nothing was written\n",
                 Options.Setting.DrivePath.c_str());
    return CliExitBadArguments;
  }
  bool PlotFailed = false;
  if (Draws) {
    TPlotFigure Figure = SpeedChartFigure(View.ChartPasses(), Options.Setting, StartedAt,
                                          View.HalfAverage(), View.ChartReads());
    Figure.Steps = PhaseSteps(View.ChartPhases());
    if (const std::string Failure = SavePlot(Figure, Options.PlotPath); !Failure.empty()) {
      std::fprintf(Errors, "varnell-cli: --plot: %s\n", Failure.c_str());
      PlotFailed = true;
      PlotFile.Abandon();
    }
    PlotFile.Close();
  }
  if (Damaged) {
    return CliExitDataDamaged;
  }
  if (Error || Undeleted || View.WriteFailed() || PlotFailed) {
    return CliExitWriteFailed;
  }
  return Refused ? CliExitBadArguments : CliExitDone;
}
