#pragma once

// Shared pieces of the benchmarks that run the worker and the presenter as the program does:
// a view that does nothing, a "GUI" thread serving the queue of units, a file layer whose
// writes cost nothing (or a fixed time), and a counter of peak memory.

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdint>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "engine/Tester.Presenter.h"
#include "platform/Platform.Files.h"
#include "report/Gui.QueueDispatcher.h"
#include "report/Tester.View.h"

namespace BenchRig {

constexpr std::int64_t MiB = 1024 * 1024;

// The cheapest view: what is left to measure is the presenter and the hand-over.
class TNullView final : public TTesterView {
 public:
  void SetProgress(int Position) override { benchmark::DoNotOptimize(Position); }
  void SetCurrFileText(const std::string& Text) override { benchmark::DoNotOptimize(Text.size()); }
  void SetCurrSpdText(const std::string& Text) override { benchmark::DoNotOptimize(Text.size()); }
  void AddChartPoint(double X, double Y) override { benchmark::DoNotOptimize(X + Y); }
  void AddReadChartPoint(double X, double Y) override { benchmark::DoNotOptimize(X + Y); }
  void ClearChart() override {}
  void RefreshHorizontalLine(bool, double Level) override { benchmark::DoNotOptimize(Level); }
  void AddLogLine(const std::string& Line) override { benchmark::DoNotOptimize(Line.size()); }
  void RotateLogs(int) override {}
  void HideButtons() override {}
  void ShowError(const std::string&) override {}
};

// A thread that plays the GUI thread: it owns a queue dispatcher and serves it until destroyed.
class TGuiThread {
 public:
  TGuiThread() {
    FThread = std::thread([this] {
      while (!FReady.load()) {
        std::this_thread::yield();
      }
      while (!FStop.load()) {
        FQueue->WaitAndRunPending(std::chrono::milliseconds(1));
      }
    });
    FQueue = std::make_unique<TQueueDispatcher>(FThread.get_id());
    FReady = true;
  }
  ~TGuiThread() {
    FStop = true;
    FThread.join();
  }
  TGuiThread(const TGuiThread&) = delete;
  TGuiThread& operator=(const TGuiThread&) = delete;

  // For a presenter, which owns its dispatcher: hands every unit to this thread's queue.
  std::unique_ptr<TGuiDispatcher> MakeDispatcher() { return std::make_unique<TForward>(*FQueue); }
  // Returns when every unit queued before the call has run.
  void Drain() {
    FQueue->Sync([] {});
  }

 private:
  class TForward final : public TGuiDispatcher {
   public:
    explicit TForward(TGuiDispatcher& Target) : FTarget(Target) {}
    void Queue(TUnit Unit) override { FTarget.Queue(std::move(Unit)); }
    void Sync(TUnit Unit) override { FTarget.Sync(std::move(Unit)); }

   private:
    TGuiDispatcher& FTarget;
  };

  std::atomic<bool> FReady{false};
  std::atomic<bool> FStop{false};
  std::unique_ptr<TQueueDispatcher> FQueue;
  std::thread FThread;
};

// A volume with exactly the free space for the writes asked for, whose files cost nothing.
// Clocks are the real ones. With WriteTime set, every write blocks for that long, as a device
// of that speed would, so that the GUI thread runs beside the worker as in the program.
class TFreeVolume : public TTesterPlatform {
 public:
  TFreeVolume(std::int64_t Writes, std::chrono::microseconds WriteTime = {})
      : FFreeBytes((Writes * 8 + 1) * MiB), FWriteTime(WriteTime) {}
  TVolumeSpace VolumeSpace(const std::string&) override { return {FFreeBytes, FFreeBytes, 0}; }
  TOpenedFolder OpenFolder(const std::string&) override { return {3, 0, false}; }
  void CloseFolder(TFolderHandle) override {}
  TNameInfo LookUp(TFolderHandle, const std::string&) override { return {}; }
  TFolderListing ListFiles(TFolderHandle, const std::string&) override { return {}; }
  TCreatedFile CreateNewFile(TFolderHandle, const std::string&, bool) override {
    return {3, {1, 1}, 0};
  }
  int WriteAll(TFileHandle, const std::byte*, std::size_t) override {
    if (FWriteTime.count() > 0) {
      std::this_thread::sleep_for(FWriteTime);
    }
    return 0;
  }
  int FlushFile(TFileHandle) override { return 0; }
  void CloseFile(TFileHandle) override {}
  TDeleteResult DeleteOwnFile(TFolderHandle, const std::string&, const TFileIdentity&) override {
    return {TDeleteOutcome::Deleted, 0};
  }
  // Reads cost nothing either; what they give is not what was written (nothing is kept), so a
  // run here does not verify.
  TOpenedForRead OpenForRead(TFolderHandle, const std::string&, bool) override {
    return {3, {1, 1}, 0, false};
  }
  TReadResult ReadAt(TFileHandle, std::int64_t, std::byte*, std::size_t Length) override {
    return {Length, 0, false};
  }
  std::int64_t PerformanceCounter() override { return FReal->PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return FReal->PerformanceFrequency(); }
  std::uint32_t TickCount() override { return FReal->TickCount(); }
  void SleepMs(std::uint32_t) override {}
  bool SleepUnlessStopped(std::uint32_t, std::stop_token Stop) override {
    return !Stop.stop_requested();
  }
  double Now() override { return FReal->Now(); }

 private:
  std::int64_t FFreeBytes;
  std::chrono::microseconds FWriteTime;
  std::shared_ptr<TTesterPlatform> FReal = Platform::MakeTesterPlatform();
};

// Peak resident memory of this process in bytes (VmHWM), and its reset (Linux 4.0 and later).
inline std::int64_t PeakResidentBytes() {
  std::ifstream Status("/proc/self/status");
  std::string Key;
  while (Status >> Key) {
    if (Key == "VmHWM:") {
      std::int64_t KiB = 0;
      Status >> KiB;
      return KiB * 1024;
    }
    Status.ignore(1 << 12, '\n');
  }
  return 0;
}

inline bool ResetPeakResident() {
  std::ofstream ClearRefs("/proc/self/clear_refs");
  ClearRefs << "5";
  return static_cast<bool>(ClearRefs.flush());
}

inline std::int64_t ResidentBytes() {
  std::ifstream Status("/proc/self/status");
  std::string Key;
  while (Status >> Key) {
    if (Key == "VmRSS:") {
      std::int64_t KiB = 0;
      Status >> KiB;
      return KiB * 1024;
    }
    Status.ignore(1 << 12, '\n');
  }
  return 0;
}

// Runs Measure in a child process and returns its result (negative when the child failed).
inline double InChildProcess(const std::function<double()>& Measure) {
  int Pipe[2];
  if (pipe(Pipe) != 0) {
    return -1.0;
  }
  const pid_t Child = fork();
  if (Child == 0) {
    close(Pipe[0]);
    const double Result = Measure();
    const bool Sent = write(Pipe[1], &Result, sizeof Result) == static_cast<ssize_t>(sizeof Result);
    _exit(Sent ? 0 : 1);
  }
  close(Pipe[1]);
  double Result = -1.0;
  if (Child < 0 || read(Pipe[0], &Result, sizeof Result) != static_cast<ssize_t>(sizeof Result)) {
    Result = -1.0;
  }
  close(Pipe[0]);
  if (Child > 0) {
    int Status = 0;
    waitpid(Child, &Status, 0);
  }
  return Result;
}

// The worker's loop alone: a presenter that does nothing, so that only the loop is measured.
class TSilentPresenter final : public TTesterPresenter {
 public:
  void PrintInitialSetting(std::int32_t, std::int64_t, std::int64_t, std::int64_t) override {}
  void ApplyProgress(std::int32_t, std::int32_t, std::int32_t) override {}
  void ApplyWriteTime(double, std::optional<float>) override {}
  void ApplyCloseTime(double) override {}
  void StartIdle() override {}
  void EndIdle() override {}
  void EndTest(double, std::uint64_t) override {}
  void HideButtons() override {}
  void PrintError(const TTesterError&) override {}
  void PrintLeftoverFiles(std::int32_t, std::int64_t) override {}
  void PrintReplacedFile(const std::string&) override {}
  void StartDeleting() override {}
  void EndDeleting() override {}
  void StartVerify(std::int32_t) override {}
  void ApplyReadProgress(std::int32_t, std::int32_t, std::int32_t, double) override {}
  void EndVerify(const TVerifyTally&) override {}
};

}  // namespace BenchRig
