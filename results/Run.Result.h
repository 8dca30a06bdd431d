#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Analysis.Pass.h"
#include "device/Drive.Identity.h"
#include "engine/Setting.h"

// How a pass ended: it filled its target, the user cancelled it, or an error ended it.
enum class TPassEnd : std::uint8_t { Completed, Cancelled, Failed };

// "completed", "cancelled" or "failed": the result file's key and the comparison's column.
inline const char* PassEndKey(TPassEnd End) {
  switch (End) {
    case TPassEnd::Cancelled:
      return "cancelled";
    case TPassEnd::Failed:
      return "failed";
    case TPassEnd::Completed:
    default:
      return "completed";
  }
}

// The error that ended a failed pass, as the report line names it.
struct TPassError {
  std::string Operation;  // "WriteFile", "FlushFileBuffers", ...
  std::string Path;
  std::uint32_t Code = 0;
  std::string SystemText;

  bool operator==(const TPassError&) const = default;
};

// What reading back a pass's files found, in MiB of 4 KiB sectors.
struct TPassVerifyResult {
  double ReadMiB = 0.0;
  double IntactMiB = 0.0;
  double ChangedMiB = 0.0;
  double OverwrittenMiB = 0.0;
  double UnreadableMiB = 0.0;
  double UsableMiB = 0.0;  // intact data up to the first damaged sector
  // What the drive really stores, where data was found overwritten or lost; none otherwise.
  std::optional<double> StoredMiB;
  double ReadMeanSpeed = 0.0;  // MiB/s: the mean of the reads' speeds, as the report's line
  double ReadMaxSpeed = 0.0;
  double ReadMinSpeed = 0.0;
  // The first damaged sector: its file's name and the byte offset in it; none when intact.
  std::optional<std::string> FirstDamagedFile;
  std::optional<std::int64_t> FirstDamagedOffset;
  // False when a cancel cut the read-back short: the figures cover what was read.
  bool Complete = true;

  bool operator==(const TPassVerifyResult&) const = default;
};

// The close of a pass's file: after which write (from 0) and how long it waited.
struct TPassClose {
  std::int32_t AfterWrite = 0;
  double Seconds = 0.0;

  bool operator==(const TPassClose&) const = default;
};

// One pass as its summary lines state it, with its analysis and its verification.
struct TPassResult {
  std::int32_t Number = 0;  // the pass's number in the run, from 1
  std::string StartTime;    // ISO 8601 with the local offset: "2026-12-10T12:13:05+09:00"
  std::int64_t WrittenMiB = 0;
  std::int32_t Writes = 0;
  std::int32_t MaxSpeed = 0;  // MiB/s, as the summary's lines
  std::int32_t MinSpeed = 0;
  std::int64_t MeanSpeed = 0;  // truncated, as the summary's line
  double SlowSharePct = 0.0;   // share of writes below half the average
  TPassAnalysis Analysis;
  std::optional<TPassVerifyResult> Verify;  // none when verification did not run
  TPassEnd End = TPassEnd::Completed;
  std::optional<TPassError> Error;  // the error of a failed pass
  // The seconds of every 8 MiB write in order: the curve, for plots and comparisons.
  std::vector<double> WriteSeconds;
  // The files' closes in order: their waits count in the throughput as the writes' times do.
  std::vector<TPassClose> Closes;
  // The share of the disk still free after the first and after the last write: the writes lie
  // evenly between, so the curve can be drawn against it as the window draws it.
  double RemainPctFirst = 0.0;
  double RemainPctLast = 0.0;

  bool operator==(const TPassResult&) const = default;
};

// A whole run: what was asked, of which drive, and every pass.
struct TRunResult {
  std::string Program = "Varnell";
  std::string Version;
  TSetting Setting;
  bool Verify = false;  // whether the run read its files back
  TDriveIdentity Drive;
  std::vector<TPassResult> Passes;

  bool operator==(const TRunResult&) const = default;
};
