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
#include <vector>

#include "engine/Aligned.Buffer.h"
#include "engine/RandomBuffer.h"
#include "engine/Setting.h"
#include "engine/Tester.Presenter.h"
#include "engine/Tester.Temperature.h"
#include "engine/Verify.Check.h"
#include "platform/Platform.Files.h"

// The worker that performs a test: fills the volume with numbered files of the same random
// 8 MiB block, timing every write, and reports through its presenter. It starts running as
// soon as it is constructed. Passes repeat without end when the setting asks for it. With
// verification on, each sector written carries a stamp of its place, and a pass reads its files
// back, timing every read, before they are deleted.
class TTesterThread {
 public:
  static constexpr std::uint32_t BufferKiB = 8192;
  static constexpr std::int32_t FileMiB = 4096;
  static constexpr std::uint32_t IdlePollMs = 100;
  static constexpr std::uint32_t DeleteFirstWaitMs = 5;
  static constexpr std::uint32_t DeleteRetryMs = 100;
  // A file that is still there after this many retries (10 s) is reported and left.
  static constexpr int DeleteRetryLimit = 100;
  // Pause after a pass without room before a repeating run looks again.
  static constexpr std::uint32_t NoRoomWaitMs = 1000;

  // Takes ownership of the presenter. System defaults to the operating system's own files
  // and clocks. OnFinished is the very last thing the worker thread does, after IsFinished()
  // has turned true; it must not wait for the owner, whose destructor joins the worker.
  TTesterThread(const TSetting& TestSetting, std::unique_ptr<TTesterPresenter> ToView,
                std::shared_ptr<TTesterPlatform> System = nullptr,
                std::function<void()> OnFinished = {}, TTemperatureFinder FindTemperature = {});
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
  // The files this run created and could not delete, each already reported; empty while
  // running.
  std::vector<TTesterError> DeleteErrors() const;
  // True when a pass's verification found data that was not as written; false while running.
  bool DataDamaged() const;

 private:
  struct TPassFailure {
    TTesterError Error;
  };
  struct TInvalidSetting {};
  // A file this pass created, known by its identity as well as its number.
  struct TOwnFile {
    std::int32_t Number;
    TFileIdentity Identity;
  };

  void Execute(std::stop_token StopToken);
  void Run();
  void OpenTestFolder();
  void FindLeftoverFiles();
  void InitializeTest();
  void PrepareTest();
  void SetNeedToFillInMiB();
  std::int32_t CalculateNeedToFillInMiB();
  void SetMinFileNumber();
  void FillDrive();
  void OpenFileIfNeeded(std::int32_t HostWriteInMiB);
  double WriteAndMeasure();
  // With verification on: the next write's copy of the block, stamped for its place.
  void PrepareWriteBuffer(std::int32_t HostWriteInMiB);
  void VerifyDrive();
  // False when a cancel ended the read.
  bool VerifyFile(std::size_t Index);
  // Reads the block at Offset of the open file and checks it; the time the reads took.
  double ReadAndCheck(std::int32_t FileNumber, std::int64_t Offset, std::int64_t PassOffset);
  double ReadSectorBySector(std::int32_t FileNumber, std::int64_t Offset, std::int64_t PassOffset);
  double Seconds(std::int64_t Start, std::int64_t End) const;
  std::optional<float> ReadTemperatureBetweenWrites();
  void WaitWhileIdle();
  // Tells the presenter, once a pass, that the pass stopped short at a cancel.
  void TellPassCancelled();
  void CloseTest();
  void WaitAfterNoRoom();
  void CloseFile(bool Flush);
  void DeleteTestFiles();
  void DeleteOwnFile(const TOwnFile& File);
  void EndRunWithError(const TTesterError& Error);
  void Finish();

  bool Terminated() const { return FStopToken.stop_requested(); }
  static TTesterError SystemError(const std::string& Operation, const std::string& Path, int Code);
  // An exception that is no operating-system error, as the error that ends the run.
  static TTesterError UnexpectedError(const std::string& What);

  std::shared_ptr<TTesterPlatform> FSystem;
  // Opened once and held for the whole run: every name is looked up, created and deleted
  // through it, and it keeps a second run out of the folder.
  TFolderHandle FFolder = NoFolder;
  TFileHandle FFileHandle = NoFile;
  std::string FFilePath;
  const TSetting FTestSetting;
  std::unique_ptr<TRandomBuffer> FRandomBuffer;
  std::int32_t FMinFileNumber = 0;
  // This pass's files in the order created: only they are ever deleted, and only while their
  // names still mean them.
  std::vector<TOwnFile> FOwnFiles;
  std::int32_t FNeedToFillInMiB = 0;
  // What the pass has written, in MiB.
  std::int32_t FPassWrittenInMiB = 0;
  // Test files found when the run began, named after the first header.
  std::int32_t FLeftoverCount = 0;
  std::int64_t FLeftoverBytes = 0;
  // The last pass had no room; a quiet pass is one more of such a streak (see
  // CalculateNeedToFillInMiB).
  bool FNoRoomStreak = false;
  bool FQuietPass = false;
  bool FCancelTold = false;
  std::unique_ptr<TTesterPresenter> FToView;
  std::int64_t FFrequency = 1;
  // The drive's sensor, found at the start of each pass (FFindTemperature, below) and read
  // between writes, at most every TemperatureIntervalMs: a drivetemp sensor asks the drive
  // itself, behind its queued writes.
  TTemperatureReader FTemperature;
  std::optional<float> FLastTemperature;
  std::int64_t FLastTemperatureRead = 0;
  bool FTemperatureRead = false;
  std::atomic<bool> FIdle{false};
  std::int32_t FCurrentTestCount = 1;
  double FTestStartTime = 0.0;
  std::uint64_t FTestHostWriteInMiB = 0;

  // Verification: the stamped copy that is written, the block read back, and what the stamps
  // name (the run's random number, drawn once, and the pass, counted over every pass).
  TAlignedBuffer FWriteBuffer;
  TAlignedBuffer FReadBuffer;
  TWrittenData FWritten;
  TVerifyTally FTally;
  bool FDataDamaged = false;

  std::optional<TTesterError> FError;
  std::vector<TTesterError> FDeleteErrors;
  std::function<void()> FOnFinished;
  TTemperatureFinder FFindTemperature;
  std::stop_token FStopToken;
  mutable std::mutex FFinishedMutex;
  std::condition_variable FFinishedChanged;
  std::atomic<bool> FFinished{false};
  // Last: it starts only when everything above is built.
  std::jthread FThread;
};
