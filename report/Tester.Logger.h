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

// A text log: every line goes to its file (UTF-8, no byte-order mark, CR LF) and is kept in
// memory. The file is held exclusively while the logger lives. A logger on a file that OpenAll
// opened writes nothing until Start: a run that never starts leaves the file as it was.
// One thread at a time.
class TTesterLogger {
 public:
  // Creates or empties the file and starts at once. Throws TCreateFileError.
  explicit TTesterLogger(const std::string& LogPath);
  // A file that was opened but never started is closed as it was, and removed when the logger
  // created it.
  ~TTesterLogger();
  TTesterLogger(const TTesterLogger&) = delete;
  TTesterLogger& operator=(const TTesterLogger&) = delete;

  // The logs of one test, one for each path that is not empty (a null logger for an empty
  // one), each opened, held, a file of its own, and emptied only once all of them are. On a
  // failure the files that this call created are removed again and the others are left as
  // they were. Throws TCreateFileError.
  static std::vector<std::unique_ptr<TTesterLogger>> CreateAll(
      const std::vector<std::string>& LogPaths);
  // Each file open, held and a file of its own, and none emptied (nullptr for an empty path):
  // the checks of every output before a run, which change no file. A path in TargetFolder
  // named as a test file is refused too (the run would take it for one). Throws
  // TCreateFileError, having closed (and removed, when made here) every file it opened.
  static std::vector<std::unique_ptr<Platform::TLogFile>> OpenAll(
      const std::vector<std::string>& LogPaths, const std::string& TargetFolder = {});
  // One more output beside the Held ones, checked as OpenAll checks each. Throws
  // TCreateFileError, with File closed.
  static void OpenBeside(Platform::TLogFile& File, const std::string& Path,
                         const std::vector<const Platform::TLogFile*>& Held,
                         const std::string& TargetFolder);
  // A logger on a file that OpenAll opened for LogPath; nullptr for none. It keeps its lines in
  // memory only until Start.
  static std::unique_ptr<TTesterLogger> OnFile(std::unique_ptr<Platform::TLogFile> File,
                                               const std::string& LogPath);

  // The run starts: the file is emptied and gets the lines added so far. False when it could
  // not be emptied (WriteError says why); no line goes to it then.
  bool Start();
  const Platform::TLogFile& File() const { return *FLogFileStream; }

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

  bool WriteToFile(std::string& Line);

  std::unique_ptr<Platform::TLogFile> FLogFileStream;
  std::string FFullPath;
  bool FStarted = false;
  bool FFailed = false;
  std::vector<std::string> FLogList;
};
