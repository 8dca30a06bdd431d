#pragma once

#include <cstdint>
#include <string>

// An operating-system error that ended a pass: which operation failed, the error code
// (errno on Linux) and the system's text for it. Message() is the error's own text,
// e.g. "WriteFileError: 28".
struct TTesterError {
  std::string Operation;  // "WriteFile", "CreateFile", "DeleteFile", ...
  std::string Path;       // the file concerned, when there is one
  std::uint32_t Code = 0;
  std::string SystemText;  // strerror-style text of Code
  std::string Message;     // "WriteFileError: 28"

  bool operator==(const TTesterError&) const = default;
};

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
  virtual void StartIdle() = 0;
  virtual void EndIdle() = 0;
  // TestStartTime: days since 1899-12-30 (local time); 0.0 and 0 without repetition.
  virtual void EndTest(double TestStartTime, std::uint64_t TestHostWriteInMiB) = 0;
  virtual void HideButtons() = 0;
  // An operating-system error: a write or an open that ended the pass (then called before the
  // final HideButtons), or a file that could not be deleted in time (the pass goes on).
  virtual void PrintError(const TTesterError& Error) = 0;
};
