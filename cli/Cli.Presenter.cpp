#include "cli/Cli.Presenter.h"

#include "engine/FillTarget.h"

namespace {

constexpr std::int64_t BytesPerMiB = 1024 * 1024;

}  // namespace

TCliPresenter::TCliPresenter(std::unique_ptr<TTesterPresenter> Inner, TGuiDispatcher& Dispatcher,
                             TTerminalView& View, bool& Refused, TCliMetrics* Metrics,
                             std::size_t MetricsDrive)
    : FInner(std::move(Inner)),
      FDispatcher(Dispatcher),
      FView(View),
      FRefused(Refused),
      FMetrics(Metrics),
      FMetricsDrive(MetricsDrive) {}

void TCliPresenter::ChangeMetrics(std::function<void(TCliMetrics&, TDriveMetrics&)> Change) {
  if (FMetrics == nullptr) {
    return;
  }
  FDispatcher.Queue([this, Change = std::move(Change)] {
    Change(*FMetrics, FMetrics->Drive(FMetricsDrive));
    FMetrics->Changed();
  });
}

void TCliPresenter::PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                                        std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) {
  FInner->PrintInitialSetting(TestCount, FreeSizeInByte, TotalSizeInByte, ToFillInByte);
  // -1 is the worker's mark of a refused pass: nothing will be written. A pass without room
  // writes nothing either, and counts as a refusal while the run has written nothing.
  const bool Refused = ToFillInByte == InvalidFillTarget;
  const bool NoRoom = IsNoRoomTarget(ToFillInByte);
  FDispatcher.Queue([this, Refused, NoRoom] {
    if (Refused || (NoRoom && !FWrote)) {
      FRefused = true;
    }
    if (!Refused) {
      FView.StartPass();
    }
  });
  if (Refused) {
    return;
  }
  FPassWrittenInMiB = 0;
  const std::int64_t TargetInMiB = NoRoom ? 0 : ToFillInByte;
  ChangeMetrics([this, TestCount, TargetInMiB](TCliMetrics&, TDriveMetrics& Drive) {
    Drive.Pass = TestCount;
    Drive.PassWrittenBytes = 0;
    Drive.PassTargetBytes = TargetInMiB * BytesPerMiB;
    Drive.State = FResumeState = TDriveState::Writing;
  });
}

void TCliPresenter::ApplyWriteTime(double Seconds, std::optional<float> TemperatureInC) {
  FInner->ApplyWriteTime(Seconds, TemperatureInC);
  FWriteSeconds = Seconds;
  FTemperature = TemperatureInC;
}

void TCliPresenter::StartIdle() {
  FInner->StartIdle();
  ChangeMetrics([](TCliMetrics&, TDriveMetrics& Drive) { Drive.State = TDriveState::Paused; });
}

void TCliPresenter::EndIdle() {
  FInner->EndIdle();
  ChangeMetrics([this](TCliMetrics&, TDriveMetrics& Drive) { Drive.State = FResumeState; });
}

void TCliPresenter::ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                                  std::int32_t SpeedInMiB) {
  FInner->ApplyProgress(HostWriteInMiB, NeedToFillInMiB, SpeedInMiB);
  FDispatcher.Queue([this, HostWriteInMiB, NeedToFillInMiB, SpeedInMiB] {
    FWrote = true;
    FRefused = false;  // an earlier pass without room no longer says the run wrote nothing
    FView.UpdatePass(HostWriteInMiB, NeedToFillInMiB, SpeedInMiB);
  });
  const std::int64_t Bytes =
      static_cast<std::int64_t>(HostWriteInMiB - FPassWrittenInMiB) * BytesPerMiB;
  FPassWrittenInMiB = HostWriteInMiB;
  // The write's own speed, from its exact time rather than the whole MiB/s of the report.
  const std::optional<double> Speed =
      FWriteSeconds > 0.0 && Bytes > 0
          ? std::optional<double>(static_cast<double>(Bytes) / FWriteSeconds)
          : std::nullopt;
  std::optional<double> Temperature;
  if (FTemperature) {
    Temperature = static_cast<double>(*FTemperature);
  }
  ChangeMetrics(
      [HostWriteInMiB, Bytes, Speed, Temperature](TCliMetrics& Metrics, TDriveMetrics& Drive) {
        Drive.PassWrittenBytes = static_cast<std::int64_t>(HostWriteInMiB) * BytesPerMiB;
        Drive.WrittenBytesTotal += Bytes;
        if (Speed) {
          Drive.LastWriteSpeed = Speed;
        }
        if (Temperature) {
          Drive.TemperatureC = Temperature;
        }
        Metrics.Start();
      });
}

void TCliPresenter::EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) {
  FDispatcher.Queue([this] { FView.EndPass(); });
  FInner->EndTest(TestStartTime, TestHostWriteInMiB);
}

void TCliPresenter::StartDeleting() {
  FInner->StartDeleting();
  FDispatcher.Queue([this] { FView.SetDeleting(true); });
}

void TCliPresenter::EndDeleting() {
  FInner->EndDeleting();
  FDispatcher.Queue([this] { FView.SetDeleting(false); });
}

void TCliPresenter::StartVerify(std::int32_t NeedToReadInMiB) {
  FInner->StartVerify(NeedToReadInMiB);
  FDispatcher.Queue([this] { FView.StartRead(); });
  ChangeMetrics([this](TCliMetrics&, TDriveMetrics& Drive) {
    Drive.State = FResumeState = TDriveState::Verifying;
  });
}

void TCliPresenter::ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                                      std::int32_t SpeedInMiB, double Seconds) {
  FInner->ApplyReadProgress(HostReadInMiB, NeedToReadInMiB, SpeedInMiB, Seconds);
  FDispatcher.Queue([this, HostReadInMiB, NeedToReadInMiB, SpeedInMiB] {
    FView.UpdatePass(HostReadInMiB, NeedToReadInMiB, SpeedInMiB);
  });
}
