#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "engine/RandomBuffer.h"
#include "engine/Setting.h"
#include "engine/Tester.Presenter.h"
#include "platform/Platform.Files.h"

// The worker that performs a test: fills the volume with numbered files of the same random
// 8 MiB block, timing every write, and reports through its presenter. It starts running as
// soon as it is constructed. Passes repeat without end when the setting asks for it.
class TTesterThread {
 public:
  static constexpr std::uint32_t BufferKiB = 8192;
  static constexpr std::int32_t FileMiB = 4096;
  static constexpr std::uint32_t IdlePollMs = 100;
  static constexpr std::uint32_t DeleteFirstWaitMs = 5;
  static constexpr std::uint32_t DeleteRetryMs = 100;
  // A file that is still there after this many retries (10 s) is reported and left.
  static constexpr int DeleteRetryLimit = 100;

  // Takes ownership of the presenter. System defaults to the operating system's own files
  // and clocks. OnFinished is the very last thing the worker thread does, after IsFinished()
  // has turned true; it must not wait for the owner, whose destructor joins the worker.
  TTesterThread(const TSetting& TestSetting, std::unique_ptr<TTesterPresenter> ToView,
                std::shared_ptr<TTesterPlatform> System = nullptr,
                std::function<void()> OnFinished = {});
  // The owner should have waited for the end; a still running worker is asked to stop and
  // joined. Frees the presenter, then the buffer.
  ~TTesterThread();
  TTesterThread(const TTesterThread&) = delete;
  TTesterThread& operator=(const TTesterThread&) = delete;

  // Pause and resume; the worker looks at the flag after each write.
  void ToggleIdle();
  // Cancel: the worker stops after its current write (or pause, or deletion).
  void Terminate();
  bool IsFinished() const;
  // True when the worker has ended within Timeout.
  bool WaitFor(std::chrono::milliseconds Timeout);
  // The operating-system error that ended the run; empty while running or after a clean end.
  std::optional<TTesterError> Error() const;

 private:
  struct TPassFailure {
    TTesterError Error;
  };
  struct TInvalidSetting {};

  void Execute(std::stop_token StopToken);
  void Run();
  void InitializeTest();
  void PrepareTest();
  void SetNeedToFillInMiB();
  std::int32_t CalculateNeedToFillInMiB();
  void SetMinFileNumber();
  void FillDrive();
  void OpenFileIfNeeded(std::int32_t HostWriteInMiB);
  double WriteAndMeasure();
  void WaitWhileIdle();
  void CloseTest();
  void CloseFile();
  void DeleteTestFiles();
  void EndRunWithError(const TTesterError& Error);
  void Finish();

  bool Terminated() const { return FStopToken.stop_requested(); }
  std::string GetFilePath(std::int32_t Number) const;
  static TTesterError SystemError(const std::string& Operation, const std::string& Path, int Code);

  std::shared_ptr<TTesterPlatform> FSystem;
  TFileHandle FFileHandle = NoFile;
  std::string FFilePath;
  const TSetting FTestSetting;
  std::unique_ptr<TRandomBuffer> FRandomBuffer;
  // This pass's files are FMinFileNumber..FLastCreatedFileNumber: only names it created
  // itself, so deleting them never touches a file that was there before.
  std::int32_t FMinFileNumber = 0;
  std::int32_t FLastCreatedFileNumber = -1;
  std::int32_t FNeedToFillInMiB = 0;
  std::unique_ptr<TTesterPresenter> FToView;
  std::int64_t FFrequency = 1;
  std::atomic<bool> FIdle{false};
  std::int32_t FCurrentTestCount = 1;
  double FTestStartTime = 0.0;
  std::uint64_t FTestHostWriteInMiB = 0;

  std::optional<TTesterError> FError;
  std::function<void()> FOnFinished;
  std::stop_token FStopToken;
  mutable std::mutex FFinishedMutex;
  std::condition_variable FFinishedChanged;
  std::atomic<bool> FFinished{false};
  // Last: it starts only when everything above is built.
  std::jthread FThread;
};
