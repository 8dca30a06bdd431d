#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Platform.LogFile.h"

// A log file could not be created: "Cannot create file "<full path>". <system's text>".
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

  // The line is in the file when Add returns. A failed write loses the line from the file only
  // (a log must never stop the test); the list keeps it. Taken by value so that a caller
  // handing over its line spends no copy on it.
  void Add(std::string Value);

  // Throws std::out_of_range for an index outside the list.
  const std::string& GetItem(int Index) const;
  int Count() const { return static_cast<int>(FLogList.size()); }

 private:
  Platform::TLogFile FLogFileStream;
  std::vector<std::string> FLogList;
};
