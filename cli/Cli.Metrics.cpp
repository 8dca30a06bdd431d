#include "cli/Cli.Metrics.h"

#include <filesystem>

#include "cli/Cli.TerminalView.h"
#include "device/Drive.Identity.h"
#include "device/Drive.Label.h"
#include "platform/Device.Backend.h"
#include "platform/Platform.FileReplace.h"
#include "platform/Platform.Locale.h"
#include "platform/Platform.Terminal.h"

namespace {

// How every file this program writes begins: the first family's HELP line.
constexpr std::string_view OwnFileStart = "# HELP varnell_";

}  // namespace

TCliMetrics::TCliMetrics(std::string Path, TFailure Failure, TWriter Writer, TClock Clock)
    : FPath(std::move(Path)),
      FFailure(std::move(Failure)),
      FWriter(std::move(Writer)),
      FClock(std::move(Clock)) {}

std::size_t TCliMetrics::AddDrive(TDriveMetrics Drive) {
  FDrives.push_back(std::move(Drive));
  FChanged = true;
  return FDrives.size() - 1;
}

TDriveMetrics& TCliMetrics::Drive(std::size_t Index) {
  return FDrives.at(Index);
}

void TCliMetrics::Start() {
  if (!FStarted) {
    FStarted = true;
    Write();
  }
}

void TCliMetrics::Refresh() {
  if (FStarted && FChanged && FClock() - FLastWritten >= std::chrono::seconds(1)) {
    Write();
  }
}

void TCliMetrics::Flush() {
  if (FStarted) {
    Write();
  }
}

void TCliMetrics::Finish(std::size_t Index, TDriveState State) {
  Drive(Index).State = State;
  Flush();
}

void TCliMetrics::Write() {
  FChanged = false;
  FLastWritten = FClock();
  if (const int Code = FWriter(FPath, MetricsText(FDrives)); Code != 0 && !FFailed) {
    FFailed = true;
    FFailure(FPath, Code);
  }
}

int TCliMetrics::DefaultWriter(const std::string& Path, const std::string& Text) {
  return Platform::ReplaceFileContents(Path, Text);
}

namespace {

// Where Path leads: its folder with every link resolved, and its name.
std::string PlaceOf(const std::string& Path) {
  const std::filesystem::path Named(Path);
  const std::string Folder = Named.parent_path().empty() ? "." : Named.parent_path().string();
  return Platform::CanonicalPath(Folder) + "/" + Named.filename().string();
}

}  // namespace

std::string MetricsPathRefusal(const std::string& Path,
                               const std::vector<std::string>& OtherOutputs) {
  const std::filesystem::path Named(Path);
  if (Path.empty() || !Named.has_filename()) {
    return "--metrics needs a FILE name: \"" + Path + "\"";
  }
  std::string Folder = Named.parent_path().string();
  if (Folder.empty()) {
    Folder = ".";
  }
  int FolderError = 0;
  if (!Platform::IsWritableDirectory(Folder.c_str(), FolderError)) {
    return "--metrics: folder \"" + Folder +
           "\" cannot be used: " + Platform::SystemErrorText(FolderError);
  }
  for (const std::string& Other : OtherOutputs) {
    if (!Other.empty() && PlaceOf(Other) == PlaceOf(Path)) {
      return "--metrics: \"" + Path + "\" is also the file of \"" + Other +
             "\"; the metrics need a file of their own";
    }
  }
  if (!Platform::PathExists(Path)) {
    return {};
  }
  std::string Start;
  if (!Platform::IsExistingNonFolder(Path) || !Platform::ReadSmallFile(Path, Start, 64 << 20) ||
      Start.compare(0, OwnFileStart.size(), OwnFileStart) != 0) {
    return "--metrics: \"" + Path +
           "\" exists and is not a metrics file of varnell-cli; it is never overwritten";
  }
  return {};
}

TDriveMetrics DriveMetricsOf(const std::string& Folder, const std::string& Label) {
  const TDriveIdentity Identity = IdentifyDriveOf(Folder);
  TDriveMetrics Drive;
  Drive.Label = Label.empty() ? DefaultDriveLabel(Folder) : Label;
  Drive.Device = Identity.DiskName;
  Drive.Model = Identity.Model.empty() ? Identity.ReportModel : Identity.Model;
  Drive.Serial = Identity.Serial;
  return Drive;
}

std::unique_ptr<TCliMetrics> MakeCliMetrics(const std::string& Path, const std::string& Folder,
                                            TTerminalView& View) {
  auto Metrics = std::make_unique<TCliMetrics>(Path, [&View](const std::string& File, int Code) {
    View.ShowOutputError("--metrics: \"" + File +
                         "\" cannot be written: " + Platform::SystemErrorText(Code) + " (code " +
                         std::to_string(Code) + "); its figures are not current");
  });
  const std::size_t Drive = Metrics->AddDrive(DriveMetricsOf(Folder));
  View.OnRunResult([Metrics = Metrics.get(), Drive](const TRunResult& Run) {
    if (!Run.Passes.empty()) {
      Metrics->Drive(Drive).LastEndedPass = EndedPassMetrics(Run.Passes.back());
      Metrics->Flush();
    }
  });
  return Metrics;
}
