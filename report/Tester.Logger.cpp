#include "report/Tester.Logger.h"

#include <utility>

#include "platform/Platform.Locale.h"

namespace {

TCreateFileError CreateFileError(const std::string& Path, const std::string& Reason) {
  return TCreateFileError("Cannot create file \"" + Platform::FullPath(Path) + "\". " + Reason);
}

}  // namespace

TTesterLogger::TTesterLogger(std::unique_ptr<Platform::TLogFile> File, std::string FullPath)
    : FLogFileStream(std::move(File)), FFullPath(std::move(FullPath)) {}

TTesterLogger::TTesterLogger(const std::string& LogPath)
    : FLogFileStream(std::make_unique<Platform::TLogFile>()),
      FFullPath(Platform::FullPath(LogPath)) {
  const int Code = FLogFileStream->Create(LogPath);
  if (Code != 0) {
    throw CreateFileError(LogPath, Platform::SystemErrorText(Code));
  }
}

std::vector<std::unique_ptr<TTesterLogger>> TTesterLogger::CreateAll(
    const std::vector<std::string>& LogPaths) {
  std::vector<std::unique_ptr<Platform::TLogFile>> Files = OpenAll(LogPaths);
  std::vector<std::unique_ptr<TTesterLogger>> Loggers(LogPaths.size());
  for (std::size_t I = 0; I < Files.size(); ++I) {
    Loggers[I] = OnFile(std::move(Files[I]), LogPaths[I]);
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

std::vector<std::unique_ptr<Platform::TLogFile>> TTesterLogger::OpenAll(
    const std::vector<std::string>& LogPaths) {
  std::vector<std::unique_ptr<Platform::TLogFile>> Files(LogPaths.size());
  std::vector<const Platform::TLogFile*> Held;
  const auto Fail = [&](const std::string& Path, const std::string& Reason) {
    for (const auto& File : Files) {
      if (File) {
        File->Abandon();
      }
    }
    return CreateFileError(Path, Reason);
  };
  for (std::size_t I = 0; I < LogPaths.size(); ++I) {
    if (LogPaths[I].empty()) {
      continue;
    }
    auto File = std::make_unique<Platform::TLogFile>();
    const Platform::TLogFile* Same = nullptr;
    const int Code = File->Open(LogPaths[I], Held, &Same);
    if (Code == Platform::TLogFile::SameFile) {
      throw Fail(LogPaths[I], "It is the same file as the log \"" +
                                  Platform::FullPath(Same->Path()) +
                                  "\"; each log needs a file of its own.");
    }
    if (Code != 0) {
      throw Fail(LogPaths[I], Platform::SystemErrorText(Code));
    }
    Held.push_back(File.get());
    Files[I] = std::move(File);
  }
  for (std::size_t I = 0; I < Files.size(); ++I) {
    if (Files[I]) {
      if (const int Code = Files[I]->Empty(); Code != 0) {
        throw Fail(LogPaths[I], Platform::SystemErrorText(Code));
      }
    }
  }
  return Files;
}

bool TTesterLogger::Add(std::string Value) {
  // The line end is written from the same string and taken off again for the list: one file
  // write and no second string per line.
  Value += "\r\n";
  const bool Written = FLogFileStream->Write(Value.data(), Value.size());
  Value.resize(Value.size() - 2);
  FLogList.push_back(std::move(Value));
  return Written;
}

const std::string& TTesterLogger::GetItem(int Index) const {
  return FLogList.at(static_cast<std::size_t>(Index));
}
