#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "analysis/Analysis.Write.h"
#include "platform/Platform.LogFile.h"

// The per-write CSV file could not be created: "Cannot create file "<full path>". <system's
// text>", as for the log files.
class TWritesCsvFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes the per-write CSV (results/Writes.Csv.h) while the passes run, one Append per write
// on the worker thread, between two timed writes. Lines are held in one buffer reserved up
// front and written out 64 KiB at a time, so that an Append costs a few number conversions and
// no allocation or system call; Flush writes out the rest (at the end of each pass), and so
// does the destructor. A crash loses at most the lines since the last write-out.
// One thread at a time.
class TWritesCsvFile {
 public:
  // Creates or empties the file, held exclusively as the log files are; the header is the first
  // line written out.
  // Throws TWritesCsvFileError.
  explicit TWritesCsvFile(const std::string& Path);
  // Takes a file already opened, held and emptied, e.g. together with the logs.
  explicit TWritesCsvFile(std::unique_ptr<Platform::TLogFile> File);
  ~TWritesCsvFile();
  TWritesCsvFile(const TWritesCsvFile&) = delete;
  TWritesCsvFile& operator=(const TWritesCsvFile&) = delete;

  // The write's line; index counts the writes of each pass number from 1. False when a
  // write-out failed (disk full): those lines are lost, later ones are tried again.
  bool Append(std::int32_t Pass, const TWriteRecord& Write);
  // The close that followed the last write appended (Write), which waited Seconds.
  bool AppendClose(std::int32_t Pass, const TWriteRecord& Write, double Seconds);
  // A read of the verification, after the pass's writes (WrittenInMiB: the MiB read so far);
  // its index counts the reads of each pass from 1. False as for Append.
  bool AppendRead(std::int32_t Pass, const TWriteRecord& Read);
  // Writes out the lines held back. False when the system refused them.
  bool Flush();
  // The system's code for the last write-out that failed, 0 when none did.
  int WriteError() const { return FFile->WriteError(); }

 private:
  static constexpr std::size_t BufferBytes = 64 * 1024;

  std::unique_ptr<Platform::TLogFile> FFile;
  std::string FBuffer;
  std::int32_t FPass = 0;
  std::int32_t FIndex = 0;
  std::int32_t FReadPass = 0;
  std::int32_t FReadIndex = 0;
};
