#include "report/Tester.Logger.h"

#include <utility>

#include "platform/Platform.Locale.h"

TTesterLogger::TTesterLogger(const std::string& LogPath) {
  const int Code = FLogFileStream.Create(LogPath);
  if (Code != 0) {
    throw TCreateFileError("Cannot create file \"" + Platform::FullPath(LogPath) + "\". " +
                           Platform::SystemErrorText(Code));
  }
}

void TTesterLogger::Add(std::string Value) {
  // The line end is written from the same string and taken off again for the list: one file
  // write and no second string per line.
  Value += "\r\n";
  FLogFileStream.Write(Value.data(), Value.size());
  Value.resize(Value.size() - 2);
  FLogList.push_back(std::move(Value));
}

const std::string& TTesterLogger::GetItem(int Index) const {
  return FLogList.at(static_cast<std::size_t>(Index));
}
