#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Platform.LogFile.h"

// A log file could not be created: "Cannot create file "<full path>". <reason>".
class TCreateFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text log: every line goes straight to its file (UTF-8, no byte-order mark, CR LF) and is
// kept in memory. The file is created anew and held exclusively while the logger lives.
// One thread at a time.
class TTesterLogger {
 public:
  // Throws TCreateFileError.
  explicit TTesterLogger(const std::string& LogPath);

  // The logs of one test, one for each path that is not empty (a null logger for an empty
  // one). No file is emptied before every one is open, held, and a file of its own; on a
  // failure the files that this call created are removed again and the others are left as
  // they were. Throws TCreateFileError.
  static std::vector<std::unique_ptr<TTesterLogger>> CreateAll(
      const std::vector<std::string>& LogPaths);
  // The same two steps for files that are written otherwise (the per-write CSV beside the
  // logs): each one open, held, a file of its own and emptied, or nullptr for an empty path.
  static std::vector<std::unique_ptr<Platform::TLogFile>> OpenAll(
      const std::vector<std::string>& LogPaths);
  // A logger on a file that OpenAll opened for LogPath; nullptr for none.
  static std::unique_ptr<TTesterLogger> OnFile(std::unique_ptr<Platform::TLogFile> File,
                                               const std::string& LogPath);

  // The line is in the file when Add returns true. A failed write loses the line from the file
  // only (a log must never stop the test); the list keeps it, and later lines are tried again.
  // Taken by value so that a caller handing over its line spends no copy on it.
  bool Add(std::string Value);
  // The system's code for the last line that could not be written, 0 when none failed.
  int WriteError() const { return FLogFileStream->WriteError(); }
  // The file's path in full, as error messages name it.
  const std::string& FullPath() const { return FFullPath; }

  // Throws std::out_of_range for an index outside the list.
  const std::string& GetItem(int Index) const;
  int Count() const { return static_cast<int>(FLogList.size()); }

 private:
  TTesterLogger(std::unique_ptr<Platform::TLogFile> File, std::string FullPath);

  std::unique_ptr<Platform::TLogFile> FLogFileStream;
  std::string FFullPath;
  std::vector<std::string> FLogList;
};
