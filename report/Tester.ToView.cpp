#include "report/Tester.ToView.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "text/DateTime.Text.h"
#include "text/Number.Text.h"
#include "text/Text.Catalogue.h"

TTesterToView::TTesterToView(const TSetting& TestSetting, TTesterView& View,
                             std::unique_ptr<TGuiDispatcher> Dispatcher, TDiskQuery DiskQuery,
                             TClock Now, std::string DecimalSeparator, TDriveIdentify Identify)
    : FTestSetting(TestSetting),
      FView(View),
      FDispatcher(std::move(Dispatcher)),
      FDiskQuery(std::move(DiskQuery)),
      FNow(std::move(Now)),
      FDecimalSeparator(std::move(DecimalSeparator)),
      FIdentify(std::move(Identify)) {
  // Every output open, held and checked, none emptied: a run refused from here on (another run
  // holds the folder, no room) leaves each file as it was. StartOutputs empties them.
  auto Files = TTesterLogger::OpenAll({FTestSetting.RecordPath, FTestSetting.DetailedRecordPath,
                                       FTestSetting.WritesCsvPath, FTestSetting.ResultJsonPath},
                                      FTestSetting.DrivePath);
  FLogger = TTesterLogger::OnFile(std::move(Files[0]), FTestSetting.RecordPath);
  FDetailedLogger = TTesterLogger::OnFile(std::move(Files[1]), FTestSetting.DetailedRecordPath);
  FHeldWritesCsv = std::move(Files[2]);
  FResultFile = std::move(Files[3]);
}

std::vector<const Platform::TLogFile*> TTesterToView::OutputFiles() const {
  std::vector<const Platform::TLogFile*> Files;
  for (const TTesterLogger* Logger : {FLogger.get(), FDetailedLogger.get()}) {
    if (Logger != nullptr) {
      Files.push_back(&Logger->File());
    }
  }
  for (const Platform::TLogFile* File : {FHeldWritesCsv.get(), FResultFile.get()}) {
    if (File != nullptr) {
      Files.push_back(File);
    }
  }
  return Files;
}

void TTesterToView::StartOutputs() {
  FOutputsStarted = true;
  if (FDetailedLogger && !FDetailedLogger->Start() && !FDetailedLogErrorShown) {
    FDetailedLogErrorShown = true;
    FDispatcher->Queue(
        [this, Path = FDetailedLogger->FullPath(), Code = FDetailedLogger->WriteError()] {
          FView.ShowLogError(Path, Code, Platform::SystemErrorText(Code));
        });
  }
  if (FHeldWritesCsv) {
    if (const int Code = FHeldWritesCsv->Empty(); Code != 0) {
      FWritesCsvErrorShown = true;
      FHeldWritesCsv.reset();
      FDispatcher->Queue([this, Path = Platform::FullPath(FTestSetting.WritesCsvPath), Code] {
        FView.ShowLogError(Path, Code, Platform::SystemErrorText(Code));
      });
    } else {
      FWritesCsv = std::make_unique<TWritesCsvFile>(std::move(FHeldWritesCsv));
    }
  }
  // The log is written on the GUI thread: emptied there, before the lines of this pass.
  if (FLogger) {
    Post([this] {
      if (!FLogger->Start() && !FLogErrorShown) {
        FLogErrorShown = true;
        FView.ShowLogError(FLogger->FullPath(), FLogger->WriteError(),
                           Platform::SystemErrorText(FLogger->WriteError()));
      }
    });
  }
}

TTesterToView::~TTesterToView() {
  // Queued units refer to this presenter and its loggers: they must go before either.
  FDispatcher.reset();
  FWritesCsv.reset();
  if (FHeldWritesCsv) {
    FHeldWritesCsv->Abandon();
  }
  // A result file that this run never saved is left as it was (and goes, when made here).
  if (FResultFile && !FResultSaved) {
    FResultFile->Abandon();
  }
  FResultFile.reset();
  FLogger.reset();
  FWrites.clear();
  FDetailedLogger.reset();
}

void TTesterToView::AddLineNow(const std::string& Value) {
  FView.AddLogLine(Value);
  if (FLogger && !FLogger->Add(Value) && !FLogErrorShown) {
    FLogErrorShown = true;
    FView.ShowLogError(FLogger->FullPath(), FLogger->WriteError(),
                       Platform::SystemErrorText(FLogger->WriteError()));
  }
}

void TTesterToView::Post(TGuiDispatcher::TUnit Unit) {
  if (FBatching) {
    FBatch.push_back(std::move(Unit));
  } else {
    FDispatcher->Queue(std::move(Unit));
  }
}

void TTesterToView::AddStringAtList(std::string Value) {
  Post([this, Value = std::move(Value)] { AddLineNow(Value); });
  ++FLastLogCount;
}

void TTesterToView::ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                                  std::int32_t SpeedInMiB) {
  // The worker never reports a pass without a target; should it, the bar shows it full
  // instead of converting an infinite quotient.
  const auto FilledPercentInTest =
      NeedToFillInMiB > 0
          ? static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(HostWriteInMiB) /
                                                    static_cast<double>(NeedToFillInMiB) * 100.0))
          : 100;
  const double RemainPercent = GetRemainPercentByUnit(HostWriteInMiB);
  const double RemainShare = GetRemainShare(HostWriteInMiB);
  FNextWrite.WrittenInMiB = HostWriteInMiB;
  FNextWrite.SpeedInMiB = SpeedInMiB;
  FNextWrite.RemainPercent = RemainShare * 100.0;
  FWrites.push_back(FNextWrite);
  if (FWritesCsv && !FWritesCsv->Append(FPassNumber, FNextWrite)) {
    ShowWritesCsvError();
  }
  const std::optional<float> TemperatureInC = FNextWrite.TemperatureInC;
  FNextWrite = {};
  if (FDetailedLogger) {
    AddDetailedLine(RemainShare, SpeedInMiB);
  }
  const double FilledPercentInDriveChart = RoundHalfEven(RemainShare * 10000.0) / 100.0;
  UpdateSpeedStatistics(SpeedInMiB);
  // Bar and label, chart point and half-average line in one small unit: a single hand-over
  // per write, and little memory per write while the GUI thread is behind.
  TGuiDispatcher::TUnit Unit = [this, HostWriteInMiB, NeedToFillInMiB, FilledPercentInTest,
                                SpeedInMiB, FilledPercentInDriveChart, TemperatureInC] {
    RefreshProgressAndLabelNow(HostWriteInMiB, NeedToFillInMiB, FilledPercentInTest);
    FView.AddChartPoint(FilledPercentInDriveChart, static_cast<double>(SpeedInMiB));
    if (TemperatureInC) {
      FView.AddChartTemperature(FilledPercentInDriveChart, *TemperatureInC);
    }
    RefreshHorizontalLineNow(false);
  };
  if (!NeedToRecordSpeed(RemainPercent)) {
    FDispatcher->Queue(std::move(Unit));
    return;
  }
  // At a logging step the log line and the speed label join the same hand-over.
  FBatch.reserve(3);
  FBatching = true;
  try {
    Post(std::move(Unit));
    RefreshSpeed(SpeedInMiB, RemainPercent);
  } catch (...) {
    FBatching = false;
    FBatch.clear();
    throw;
  }
  FBatching = false;
  FDispatcher->Queue([Units = std::move(FBatch)] {
    for (const auto& Each : Units) {
      Each();
    }
  });
  FBatch.clear();
}

void TTesterToView::ShowWritesCsvError() {
  if (FWritesCsvErrorShown) {
    return;
  }
  FWritesCsvErrorShown = true;
  FDispatcher->Queue([this, Path = Platform::FullPath(FTestSetting.WritesCsvPath),
                      Code = FWritesCsv->WriteError()] {
    FView.ShowLogError(Path, Code, Platform::SystemErrorText(Code));
  });
}

void TTesterToView::ApplyWriteTime(double Seconds, std::optional<float> TemperatureInC) {
  FNextWrite.Seconds = Seconds;
  FNextWrite.TemperatureInC = TemperatureInC;
}

void TTesterToView::ApplyCloseTime(double Seconds) {
  // A close always follows a write of its pass; should none have been reported, there is no
  // write to charge it to.
  if (FWrites.empty()) {
    return;
  }
  FWrites.back().CloseSeconds += Seconds;
  if (FWritesCsv && !FWritesCsv->AppendClose(FPassNumber, FWrites.back(), Seconds)) {
    ShowWritesCsvError();
  }
}

void TTesterToView::AddDetailedLine(double RemainShare, std::int32_t SpeedInMiB) {
  // Built in one string, which the logger keeps: this runs between two timed writes. A usual
  // line ("87.4996185302734,512" and its line end) fits the string's first growth, so the
  // list holds one small block per write (a larger reserve here grew a 500,000-write pass by
  // 8 MiB).
  // Always ".": the field separator is ",", so a locale's "," would make "87,5,512" unreadable.
  std::string Line;
  AppendGeneral(Line, RemainShare * 100.0, ".");
  Line += ',';
  char Speed[16];
  Line.append(Speed, std::to_chars(Speed, Speed + sizeof Speed, SpeedInMiB).ptr);
  if (!FDetailedLogger->Add(std::move(Line)) && !FDetailedLogErrorShown) {
    FDetailedLogErrorShown = true;
    FDispatcher->Queue(
        [this, Path = FDetailedLogger->FullPath(), Code = FDetailedLogger->WriteError()] {
          FView.ShowLogError(Path, Code, Platform::SystemErrorText(Code));
        });
  }
}

std::int64_t TTesterToView::GetRemainInMiB(std::int32_t HostWriteInMiB) const {
  return FDiskSizeInMiB - (HostWriteInMiB + FOriginalFilledSpaceInMiB);
}

double TTesterToView::GetRemainShare(std::int32_t HostWriteInMiB) const {
  // The header always sets a size (the volume's when the disk's is unknown); should even that
  // be 0, the share reads 0 rather than dividing by zero.
  if (FDiskSizeInMiB == 0) {
    return 0.0;
  }
  return static_cast<double>(GetRemainInMiB(HostWriteInMiB)) / static_cast<double>(FDiskSizeInMiB);
}

double TTesterToView::GetRemainPercentByUnit(std::int32_t HostWriteInMiB) const {
  const double Share = GetRemainShare(HostWriteInMiB);
  if (FTestSetting.UnitSpeed == TUnitSpeed::OnePercent ||
      FTestSetting.UnitSpeed == TUnitSpeed::TenPercent) {
    return RoundHalfEven(Share * 100.0);
  }
  return RoundHalfEven(Share * 1000.0) / 10.0;
}

bool TTesterToView::NeedToRecordSpeed(double RemainPercent) const {
  if (FTestSetting.UnitSpeed == TUnitSpeed::TenPercent) {
    return std::fabs(FLastPercent - RemainPercent) >= 10.0;
  }
  return RemainPercent != FLastPercent;
}

void TTesterToView::RefreshProgressAndLabelNow(std::int32_t FilledInMiB,
                                               std::int32_t NeedToFillInMiB,
                                               std::int32_t FilledPercentInTest) {
  FView.SetProgress(FilledPercentInTest);
  FView.SetCurrFileText(Localized("현재 채워진 용량 : {0}GiB / {1}GiB",
                                  FormatFixed(FilledInMiB / 1024.0, 2, FDecimalSeparator),
                                  FormatFixed(NeedToFillInMiB / 1024.0, 2, FDecimalSeparator)));
}

void TTesterToView::RefreshHorizontalLineNow(bool IsEnd) {
  // The level as it stands when the unit runs, not when it was queued.
  FView.RefreshHorizontalLine(IsEnd, static_cast<double>(GetHalfOfAverage()));
}

void TTesterToView::RefreshSpeed(std::int32_t SpeedInMiB, double RemainPercent) {
  FLastPercent = RemainPercent;
  const std::string Speed = std::to_string(SpeedInMiB) + "MiB/s";
  std::string Percent;
  AppendFixed(Percent, RemainPercent, 1, FDecimalSeparator);
  AddStringAtList(Localized("{0}% 에서의 속도 : {1}", Percent, Speed));
  Post([this, Speed] { FView.SetCurrSpdText(Localized("속도 : {0}", Speed)); });
}

void TTesterToView::ClearSpeedSeries() {
  FWrites.clear();
  Post([this] { FView.ClearChart(); });
}

void TTesterToView::ResetSpeedStatistics() {
  FMaxSpeed = 0;
  FMinSpeed = 0;
  FSpeedSum.Reset();
  FLastPercent = 0;
}

void TTesterToView::UpdateSpeedStatistics(std::int32_t SpeedInMiB) {
  if (SpeedInMiB > FMaxSpeed) {
    FMaxSpeed = SpeedInMiB;
  }
  if (SpeedInMiB < FMinSpeed || FMinSpeed == 0) {
    FMinSpeed = SpeedInMiB;
  }
  FSpeedSum.Add(SpeedInMiB);
}

std::int32_t TTesterToView::GetHalfOfAverage() const {
  return TSpeedSum::HalfOfAverage(FSpeedSum.Read());
}

void TTesterToView::StartIdle() {
  AddStringAtList(Localized("- {0}에 일시정지 시작 -", FormatShortDateTime(FNow())));
}

void TTesterToView::EndIdle() {
  AddStringAtList(Localized("- {0}에 일시정지 종료 -", FormatShortDateTime(FNow())));
}

void TTesterToView::HideButtons() {
  FDispatcher->Sync([this] { FView.HideButtons(); });
}

// The window shows nothing of its own while files are deleted: the pass's lines and buttons
// stay as they are until the summary. The terminal's presenter turns these into a state.
void TTesterToView::StartDeleting() {}
void TTesterToView::EndDeleting() {}
