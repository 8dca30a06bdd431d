#include "report/Tester.Logger.h"

#include <filesystem>
#include <utility>

#include "engine/Tester.FileName.h"
#include "platform/Platform.Locale.h"

namespace {

TCreateFileError CreateFileError(const std::string& Path, const std::string& Reason) {
  return TCreateFileError("Cannot create file \"" + Platform::FullPath(Path) + "\". " + Reason);
}

// Why Path cannot be an output of a run in TargetFolder; empty when it can. A test file's name
// there would be counted as a test file left by an earlier run, and deleted by none.
std::string TestFileNameRefusal(const std::string& Path, const std::string& TargetFolder) {
  if (TargetFolder.empty()) {
    return {};
  }
  const std::filesystem::path Name(Path);
  std::string Folder = Name.parent_path().string();
  if (Folder.empty()) {
    Folder = ".";
  }
  if (!IsTestFileName(Name.filename().string()) || !Platform::SameFolder(Folder, TargetFolder)) {
    return {};
  }
  return "It is in the folder being filled and named as the test files are (" +
         std::string(TestFilePrefix) + "0, " + TestFilePrefix +
         "1 ...); give it another name or folder.";
}

}  // namespace

TTesterLogger::TTesterLogger(std::unique_ptr<Platform::TLogFile> File, std::string FullPath)
    : FLogFileStream(std::move(File)), FFullPath(std::move(FullPath)) {}

TTesterLogger::TTesterLogger(const std::string& LogPath)
    : FLogFileStream(std::make_unique<Platform::TLogFile>()),
      FFullPath(Platform::FullPath(LogPath)),
      FStarted(true) {
  const int Code = FLogFileStream->Create(LogPath);
  if (Code != 0) {
    throw CreateFileError(LogPath, Platform::SystemErrorText(Code));
  }
}

TTesterLogger::~TTesterLogger() {
  if (!FStarted && !FFailed) {
    FLogFileStream->Abandon();
  }
}

std::vector<std::unique_ptr<TTesterLogger>> TTesterLogger::CreateAll(
    const std::vector<std::string>& LogPaths) {
  std::vector<std::unique_ptr<Platform::TLogFile>> Files = OpenAll(LogPaths);
  std::vector<std::unique_ptr<TTesterLogger>> Loggers(LogPaths.size());
  for (std::size_t I = 0; I < Files.size(); ++I) {
    if (Files[I]) {
      if (const int Code = Files[I]->Empty(); Code != 0) {
        for (auto& File : Files) {
          if (File) {
            File->Abandon();
          }
        }
        throw CreateFileError(LogPaths[I], Platform::SystemErrorText(Code));
      }
    }
  }
  for (std::size_t I = 0; I < Files.size(); ++I) {
    Loggers[I] = OnFile(std::move(Files[I]), LogPaths[I]);
    if (Loggers[I]) {
      Loggers[I]->FStarted = true;
    }
  }
  return Loggers;
}

std::unique_ptr<TTesterLogger> TTesterLogger::OnFile(std::unique_ptr<Platform::TLogFile> File,
                                                     const std::string& LogPath) {
  if (!File) {
    return nullptr;
  }
  return std::unique_ptr<TTesterLogger>(
      new TTesterLogger(std::move(File), Platform::FullPath(LogPath)));
}

void TTesterLogger::OpenBeside(Platform::TLogFile& File, const std::string& Path,
                               const std::vector<const Platform::TLogFile*>& Held,
                               const std::string& TargetFolder) {
  if (const std::string Refusal = TestFileNameRefusal(Path, TargetFolder); !Refusal.empty()) {
    throw CreateFileError(Path, Refusal);
  }
  const Platform::TLogFile* Same = nullptr;
  switch (const int Code = File.Open(Path, Held, &Same)) {
    case 0:
      return;
    case Platform::TLogFile::SameFile:
      throw CreateFileError(Path, "It is the same file as the log \"" +
                                      Platform::FullPath(Same->Path()) +
                                      "\"; each log needs a file of its own.");
    case Platform::TLogFile::ForeignLink:
      throw CreateFileError(
          Path,
          "It is a symbolic link that another user owns, in a folder that everyone may write "
          "to; it is not followed.");
    case Platform::TLogFile::InUse:
      throw CreateFileError(Path, "It is in use by another run; give each run a file of its own.");
    default:
      throw CreateFileError(Path, Platform::SystemErrorText(Code));
  }
}

std::vector<std::unique_ptr<Platform::TLogFile>> TTesterLogger::OpenAll(
    const std::vector<std::string>& LogPaths, const std::string& TargetFolder) {
  std::vector<std::unique_ptr<Platform::TLogFile>> Files(LogPaths.size());
  std::vector<const Platform::TLogFile*> Held;
  for (std::size_t I = 0; I < LogPaths.size(); ++I) {
    if (LogPaths[I].empty()) {
      continue;
    }
    auto File = std::make_unique<Platform::TLogFile>();
    try {
      OpenBeside(*File, LogPaths[I], Held, TargetFolder);
    } catch (const TCreateFileError&) {
      for (const auto& Opened : Files) {
        if (Opened) {
          Opened->Abandon();
        }
      }
      throw;
    }
    Held.push_back(File.get());
    Files[I] = std::move(File);
  }
  return Files;
}

bool TTesterLogger::Start() {
  if (FStarted || FFailed) {
    return !FFailed;
  }
  if (FLogFileStream->Empty() != 0) {
    FFailed = true;
    return false;
  }
  FStarted = true;
  for (std::string& Line : FLogList) {
    if (!WriteToFile(Line)) {
      return false;
    }
  }
  return true;
}

bool TTesterLogger::WriteToFile(std::string& Line) {
  // The line end is written from the same string and taken off again: one file write and no
  // second string per line.
  Line += "\r\n";
  const bool Written = FLogFileStream->Write(Line.data(), Line.size());
  Line.resize(Line.size() - 2);
  return Written;
}

bool TTesterLogger::Add(std::string Value) {
  bool Written = !FFailed;
  if (FStarted) {
    Written = WriteToFile(Value);
  }
  FLogList.push_back(std::move(Value));
  return Written;
}

const std::string& TTesterLogger::GetItem(int Index) const {
  return FLogList.at(static_cast<std::size_t>(Index));
}
