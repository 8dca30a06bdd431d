#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Analysis.Write.h"
#include "engine/Setting.h"
#include "engine/Tester.Presenter.h"
#include "platform/Platform.Clock.h"
#include "platform/Platform.Locale.h"
#include "report/Gui.Dispatcher.h"
#include "report/Speed.Sum.h"
#include "report/Tester.DiskQuery.h"
#include "report/Tester.Logger.h"
#include "report/Tester.View.h"
#include "results/Run.Recorder.h"
#include "results/Writes.CsvFile.h"

// Turns the worker's calls into what the user sees (progress, labels, chart, half-average
// line, log lists) and into the two log files, and keeps the speed statistics of a pass for
// its summary. Every change of the view is a unit of GUI work handed to the dispatcher; only
// the summary and the hiding of the buttons wait for the GUI thread.
//
// Created and destroyed on the GUI thread while the worker is not running; every other public
// operation is called on the worker thread.
class TTesterToView final : public TTesterPresenter {
 public:
  using TClock = std::function<double()>;  // local date-time, days since 1899-12-30
  // Who the drive under a folder is, for the run's result.
  using TDriveIdentify = std::function<TDriveIdentity(const std::string& Folder)>;

  // Opens and holds the log file, the detailed log file, the per-write CSV and the result file,
  // for the paths that are set, each a file of its own, and empties none: that waits for the
  // first pass that writes, once the worker holds the folder and knows the target. A run that
  // never gets there leaves every file as it was (a file made here is removed again). Throws
  // TCreateFileError when one cannot be opened; nothing is left open then.
  TTesterToView(const TSetting& TestSetting, TTesterView& View,
                std::unique_ptr<TGuiDispatcher> Dispatcher,
                TDiskQuery DiskQuery = QueryDiskOfVolume, TClock Now = Platform::Now,
                std::string DecimalSeparator = Platform::LocaleDecimalSeparator(),
                TDriveIdentify Identify = DefaultIdentify);
  // Discards the GUI work still queued, then closes the log files.
  ~TTesterToView() override;

  TTesterToView(const TTesterToView&) = delete;
  TTesterToView& operator=(const TTesterToView&) = delete;

  void PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                           std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) override;
  void ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                     std::int32_t SpeedInMiB) override;
  void ApplyWriteTime(double Seconds, std::optional<float> TemperatureInC) override;
  void ApplyCloseTime(double Seconds) override;
  void StartIdle() override;
  void EndIdle() override;
  void PassCancelled() override { FPassEnd = TPassEnd::Cancelled; }
  void EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) override;
  void HideButtons() override;
  void PrintError(const TTesterError& Error) override;
  void PrintLeftoverFiles(std::int32_t Count, std::int64_t SizeInByte) override;
  void PrintReplacedFile(const std::string& Path) override;
  void StartDeleting() override;
  void EndDeleting() override;
  void StartVerify(std::int32_t NeedToReadInMiB) override;
  void ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                         std::int32_t SpeedInMiB, double Seconds) override;
  void EndVerify(const TVerifyTally& Tally) override;

  // The only way a line reaches the log lists and the log file.
  void AddStringAtList(std::string Value);

  // The output files held, for a further output that must be a file of its own (a chart).
  std::vector<const Platform::TLogFile*> OutputFiles() const;

 private:
  // Progress, per write.
  // Queues the unit, or keeps it for the write's single unit at a logging step.
  void Post(TGuiDispatcher::TUnit Unit);
  // On the GUI thread.
  void RefreshProgressAndLabelNow(std::int32_t FilledInMiB, std::int32_t NeedToFillInMiB,
                                  std::int32_t FilledPercentInTest);
  void RefreshHorizontalLineNow(bool IsEnd);
  void RefreshSpeed(std::int32_t SpeedInMiB, double RemainPercent);
  void ClearSpeedSeries();
  void ResetSpeedStatistics();
  void UpdateSpeedStatistics(std::int32_t SpeedInMiB);
  std::int32_t GetHalfOfAverage() const;
  std::int64_t GetRemainInMiB(std::int32_t HostWriteInMiB) const;
  double GetRemainShare(std::int32_t HostWriteInMiB) const;
  double GetRemainPercentByUnit(std::int32_t HostWriteInMiB) const;
  bool NeedToRecordSpeed(double RemainPercent) const;
  void AddDetailedLine(double RemainShare, std::int32_t SpeedInMiB);
  void ShowWritesCsvError();
  // The first pass that writes: the output files are emptied for this run.
  void StartOutputs();

  // Report, per pass.
  void DeleteLastLog();
  void PrintHeader(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                   std::int64_t TotalSizeInByte, std::int64_t ToFillInByte,
                   const std::string& Model);
  std::string RefusalReason() const;
  std::string NoRoomReason(std::int64_t FreeSizeInByte) const;
  double GetSlowPercent() const;
  void PrintSummary(double TestStartTime, std::uint64_t TestHostWriteInMiB, const TPassResult& Pass,
                    const std::vector<std::string>& AnalysisLines,
                    const std::vector<std::string>& PassTable);
  // The pass's result, added to the run's: the summary's figures, its analysis and how it
  // ended. Then the result file is saved anew and the window gets a copy of the run.
  TPassResult MakePassResult(double SlowPercent, TPassAnalysis Analysis) const;
  TPassVerifyResult VerifyResult(const TVerifyTally& Tally) const;
  void RecordPass(TPassResult Pass);
  void SaveResultFile();
  static TDriveIdentity DefaultIdentify(const std::string& Folder);

  // On the GUI thread: the line goes to both lists and the log file at once.
  void AddLineNow(const std::string& Value);

  // Verification (Tester.Verify.Report.cpp).
  void ResetReadStatistics();
  void RefreshReadLabelsNow(std::int32_t ReadInMiB, std::int32_t NeedToReadInMiB);
  // The lines after the summary, on the GUI thread like it.
  // A fake drive's announced size beside what it really stores; empty for a drive not found so.
  std::string StoredText(const TVerifyTally& Tally) const;
  void PrintVerifyReport(const TVerifyTally& Tally, const std::function<void(std::string)>& Add);

  const TSetting FTestSetting;
  TTesterView& FView;
  std::unique_ptr<TGuiDispatcher> FDispatcher;
  const TDiskQuery FDiskQuery;
  const TClock FNow;
  const std::string FDecimalSeparator;
  const TDriveIdentify FIdentify;

  double FLastPercent = 0;
  std::unique_ptr<TTesterLogger> FLogger;
  std::unique_ptr<TTesterLogger> FDetailedLogger;
  std::unique_ptr<TWritesCsvFile> FWritesCsv;
  std::unique_ptr<Platform::TLogFile> FHeldWritesCsv;  // until the outputs start
  std::unique_ptr<Platform::TLogFile> FResultFile;
  bool FOutputsStarted = false;
  bool FResultSaved = false;
  bool FResultErrorShown = false;
  // The run so far, on the worker side; the drive is asked who it is at the first pass end.
  TRunRecorder FRun;
  bool FDriveIdentified = false;
  std::string FPassStartIso;
  TPassEnd FPassEnd = TPassEnd::Completed;
  bool FPassRecorded = true;  // until a pass starts, nothing to record
  std::int32_t FPassNumber = 0;
  bool FWritesCsvErrorShown = false;
  // A log line that cannot be written is said once per file: on the GUI thread for the log,
  // on the worker thread for the detailed log.
  bool FLogErrorShown = false;
  bool FDetailedLogErrorShown = false;
  // 64 bits: a disk of 2^31 MiB or more must not wrap into a negative size.
  std::int64_t FDiskSizeInMiB = 0;
  std::int64_t FOriginalFilledSpaceInMiB = 0;
  std::int32_t FMaxSpeed = 0;
  std::int32_t FMinSpeed = 0;  // 0: no minimum taken yet
  TSpeedSum FSpeedSum;         // FSumSpeed and FCount, read by the GUI thread too
  double FStartTime = 0;
  std::int32_t FToDeleteLogCount = 0;
  std::int32_t FLastLogCount = 0;
  std::vector<std::int32_t> FSpeedList;
  // The read-back of the pass, with verification on: read speeds as the summary has them for
  // the writes, the label's logging step, and the tally the worker handed over.
  std::int32_t FMaxReadSpeed = 0;
  std::int32_t FMinReadSpeed = 0;  // 0: no minimum taken yet
  std::int64_t FReadSpeedSum = 0;
  std::int32_t FReadCount = 0;
  double FLastReadPercent = -1;
  std::optional<TVerifyTally> FVerifyTally;
  bool FDamageShown = false;  // the window says it once a run
  // The pass's writes, for the slow share and the analysis; the next write's time waits here
  // for its progress.
  std::vector<TWriteRecord> FWrites;
  TWriteRecord FNextWrite;
  // The units of a write at a logging step, handed over as one: a single lock of the queue per
  // write instead of one per unit, which made the worker contend with the GUI thread for it.
  bool FBatching = false;
  std::vector<TGuiDispatcher::TUnit> FBatch;
};
