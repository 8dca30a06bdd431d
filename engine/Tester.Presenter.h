#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/Verify.Tally.h"

// An operating-system error that ended a pass: which operation failed, the error code
// (errno on Linux) and the system's text for it. Message() is the error's own text,
// e.g. "WriteFileError: 28".
struct TTesterError {
  // "WriteFile", "CreateFile", "FlushFileBuffers", "DeleteFile", "OpenFolder", "LockFolder",
  // "OpenFile" and "ReadFile" (reading back) ...
  std::string Operation;
  std::string Path;  // the file concerned, when there is one
  std::uint32_t Code = 0;
  std::string SystemText;  // strerror-style text of Code
  std::string Message;     // "WriteFileError: 28"

  bool operator==(const TTesterError&) const = default;
};

// The run did not start because another run holds its folder: nothing was written.
inline bool IsFolderInUse(const TTesterError& Error) {
  return Error.Operation == "LockFolder";
}

// What the worker tells the presenter. Called on the worker thread only. EndTest and
// HideButtons return only after the GUI side has carried them out; the others do not wait.
class TTesterPresenter {
 public:
  virtual ~TTesterPresenter() = default;

  // ToFillInByte carries the pass's fill target in MiB (not bytes); -1 marks a refused pass.
  virtual void PrintInitialSetting(std::int32_t TestCount, std::int64_t FreeSizeInByte,
                                   std::int64_t TotalSizeInByte, std::int64_t ToFillInByte) = 0;
  virtual void ApplyProgress(std::int32_t HostWriteInMiB, std::int32_t NeedToFillInMiB,
                             std::int32_t SpeedInMiB) = 0;
  // The write that the next ApplyProgress reports, exactly: how long it took, and the drive's
  // temperature as last read between writes (nullopt without a sensor or a reading).
  virtual void ApplyWriteTime(double Seconds, std::optional<float> TemperatureInC) = 0;
  // The close of the file that the last reported write ended, or of the pass's last file: how
  // long the flush and the close waited. Outside every timed write; the drive may still have
  // been taking the file's data.
  virtual void ApplyCloseTime(double Seconds) = 0;
  virtual void StartIdle() = 0;
  virtual void EndIdle() = 0;
  // The pass about to end (EndTest follows) stopped short of its target because the user
  // cancelled it.
  virtual void PassCancelled() {}
  // TestStartTime: days since 1899-12-30 (local time); 0.0 and 0 without repetition.
  virtual void EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) = 0;
  virtual void HideButtons() = 0;
  // An operating-system error: a write, an open or a flush that ended the pass, or a folder
  // that could not be opened or is in use (then called before the final HideButtons), or a
  // file that could not be deleted in time (the pass goes on).
  virtual void PrintError(const TTesterError& Error) = 0;

  // Test files that were in the folder when the run began (an earlier run's, ended by a kill
  // or a power loss): never deleted, so named once, after the first pass's header.
  virtual void PrintLeftoverFiles(std::int32_t Count, std::int64_t SizeInByte) = 0;
  // A file of this run whose name came to mean another file before it was deleted: the file
  // now at Path is not this run's and was left as it is.
  virtual void PrintReplacedFile(const std::string& Path) = 0;
  // Around the deletion of a pass's files (after its end, a cancel or a failure), which can
  // take a while and ignores a cancel.
  virtual void StartDeleting() = 0;
  virtual void EndDeleting() = 0;

  // Verification (read-back), only with the setting's NeedVerify: after a pass has filled the
  // drive and before its files are deleted, the pass's files are read back. StartVerify opens
  // it with the MiB to read; ApplyReadProgress follows each timed read of a block as
  // ApplyProgress follows each write, with the read's Seconds; EndVerify hands over what was found,
  // also after a cancel (for the part read), before the pass's EndTest.
  virtual void StartVerify(std::int32_t NeedToReadInMiB) = 0;
  virtual void ApplyReadProgress(std::int32_t HostReadInMiB, std::int32_t NeedToReadInMiB,
                                 std::int32_t SpeedInMiB, double Seconds) = 0;
  virtual void EndVerify(const TVerifyTally& Tally) = 0;
};
