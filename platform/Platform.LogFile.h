#pragma once

#include <cstddef>
#include <string>

namespace Platform {

// A file opened for a log: created or emptied, and held with an exclusive advisory lock so
// that a second log on the same path (this program or another that honours locks) is refused
// instead of mixing its lines in. Not copyable; closing releases the lock.
class TLogFile {
 public:
  TLogFile() = default;
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;
  ~TLogFile();

  // Returns 0 on success, else the error code (errno). The file is emptied only once the lock
  // is held, so a refused open leaves the other holder's lines intact.
  int Create(const std::string& Path);
  // Writes all bytes, retrying short writes. False when the system refused (e.g. disk full).
  bool Write(const char* Data, std::size_t Length);
  void Close();

 private:
  int FDescriptor = -1;
};

// The absolute form of Path (relative paths are taken from the current folder).
std::string FullPath(const std::string& Path);

}  // namespace Platform
