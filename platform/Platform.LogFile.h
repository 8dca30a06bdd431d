#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// A file opened for a log, held with an exclusive lock so that a second log on the same file
// (this program or another that honours locks) is refused instead of mixing its lines in; on
// Linux a device, pipe or terminal is not locked (two runs may log to /dev/null).
// Opening and emptying are two steps: a caller opening several logs empties none until every
// one is open, so that a refused start destroys no earlier log. Not copyable; closing releases
// the lock.
class TLogFile {
 public:
  // Open's answer when Path is a file that one of the held logs already holds.
  static constexpr int SameFile = -1;
  // Open's answer when Path is a symbolic link in a folder that everyone may write to and that
  // keeps others' files (sticky, as /tmp), owned by neither this user nor the folder's owner:
  // whoever planted it chose the file it names, so it is not followed.
  static constexpr int ForeignLink = -2;
  // Open's answer when another program holds the file (another run logging to it).
  static constexpr int InUse = -3;

  TLogFile() = default;
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;
  ~TLogFile();

  // Opens Path (creating it when it does not exist) and takes the lock, without emptying it.
  // Returns 0; SameFile when one of Held holds this regular file, however the path names it
  // (another spelling, a symbolic or a hard link), with that one in *Same; or the system's
  // error code.
  int Open(const std::string& Path, const std::vector<const TLogFile*>& Held = {},
           const TLogFile** Same = nullptr);
  // Empties the open file (a device or a pipe has nothing to empty). 0 or the error code.
  int Empty();
  // Open, then Empty: a log started anew.
  int Create(const std::string& Path);
  // Closes the file, and removes it when Open created it and the path still names it.
  void Abandon();

  // Writes all bytes, retrying short writes. False when the system refused (e.g. disk full);
  // a line cut short is taken back, so the file keeps whole lines only.
  bool Write(const char* Data, std::size_t Length);
  // Replaces the file with one that holds Data: written beside it under a temporary name and
  // renamed over it, so that the file is, at every moment, either the previous document or the
  // new one whole (a device or a pipe gets Data appended). Held again afterwards. False as for
  // Write; the previous document is then left as it was.
  bool Replace(const char* Data, std::size_t Length);
  // The error code of the last write that failed, 0 before any.
  int WriteError() const { return FWriteError; }
  const std::string& Path() const { return FPath; }
  void Close();

 private:
  bool SameFileAs(std::uint64_t Volume, std::uint64_t Index) const {
    return FDescriptor >= 0 && Volume == FVolume && Index == FIndex;
  }

  int FDescriptor = -1;
  bool FCreated = false;
  int FWriteError = 0;
  // Where the next line begins: every line is written at the end of what this log wrote.
  std::uint64_t FOffset = 0;
  std::string FPath;
  // Which file it is: device and inode; on Windows volume serial number and file index.
  std::uint64_t FVolume = 0;
  std::uint64_t FIndex = 0;
};

// The absolute form of Path (relative paths are taken from the current folder).
std::string FullPath(const std::string& Path);

// True when both paths name one existing folder, however each is spelt.
bool SameFolder(const std::string& First, const std::string& Second);

}  // namespace Platform
