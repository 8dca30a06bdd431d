#pragma once

#include <functional>
#include <memory>

#include "cli/Cli.Metrics.h"
#include "cli/Cli.TerminalView.h"
#include "engine/Tester.Presenter.h"
#include "report/Gui.Dispatcher.h"

// Passes every call on to the real presenter and hands the terminal what it needs beyond the
// report lines: the pass's figures for the status line, whether files are being deleted, and
// whether the run was refused (an invalid setting, or no room before anything was written).
// Like the presenter, it reaches the terminal only through units of work on the main thread, and
// so the metrics file (when one is asked for) with the figures of the drive at MetricsDrive.
class TCliPresenter final : public TTesterPresenter {
 public:
  TCliPresenter(std::unique_ptr<TTesterPresenter> Inner, TGuiDispatcher& Dispatcher,
                TTerminalView& View, bool& Refused, TCliMetrics* Metrics = nullptr,
                std::size_t MetricsDrive = 0);

  void PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                           std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) override;
  void ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                     std::int32_t SpeedInMiB) override;
  void ApplyWriteTime(double Seconds, std::optional<float> TemperatureInC) override;
  void ApplyCloseTime(double Seconds) override { FInner->ApplyCloseTime(Seconds); }
  void StartIdle() override;
  void EndIdle() override;
  void PassCancelled() override { FInner->PassCancelled(); }
  void EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) override;
  void HideButtons() override { FInner->HideButtons(); }
  void PrintError(const TTesterError& Error) override { FInner->PrintError(Error); }
  void PrintLeftoverFiles(std::int32_t Count, std::int64_t SizeInByte) override {
    FInner->PrintLeftoverFiles(Count, SizeInByte);
  }
  void PrintReplacedFile(const std::string& Path) override { FInner->PrintReplacedFile(Path); }
  void StartDeleting() override;
  void EndDeleting() override;
  void StartVerify(std::int32_t NeedToReadInMiB) override;
  void ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                         std::int32_t SpeedInMiB, double Seconds) override;
  void EndVerify(const TVerifyTally& Tally) override { FInner->EndVerify(Tally); }

 private:
  std::unique_ptr<TTesterPresenter> FInner;
  TGuiDispatcher& FDispatcher;
  TTerminalView& FView;
  bool& FRefused;       // written only by units on the main thread
  bool FWrote = false;  // likewise
  TCliMetrics* const FMetrics;
  const std::size_t FMetricsDrive;
  // Worker side: the write that the next progress reports, and where the pass stood before it.
  double FWriteSeconds = 0.0;
  std::optional<float> FTemperature;
  std::int32_t FPassWrittenInMiB = 0;
  // Main thread: what the drive goes back to when a pause ends.
  TDriveState FResumeState = TDriveState::Writing;

  // Hands Change the drive's metrics in a unit on the main thread.
  void ChangeMetrics(std::function<void(TCliMetrics&, TDriveMetrics&)> Change);
};

// Hands units to a dispatcher that someone else owns, so that the presenter (which owns its
// dispatcher) and the terminal share the one queue of the main thread.
class TSharedDispatcher final : public TGuiDispatcher {
 public:
  explicit TSharedDispatcher(TGuiDispatcher& Target) : FTarget(Target) {}
  void Queue(TUnit Unit) override { FTarget.Queue(std::move(Unit)); }
  void Sync(TUnit Unit) override { FTarget.Sync(std::move(Unit)); }

 private:
  TGuiDispatcher& FTarget;
};
