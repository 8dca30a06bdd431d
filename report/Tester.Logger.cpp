#include "report/Tester.Logger.h"

#include "platform/Platform.Locale.h"

TTesterLogger::TTesterLogger(const std::string& LogPath) {
  const int Code = FLogFileStream.Create(LogPath);
  if (Code != 0) {
    throw TCreateFileError("Cannot create file \"" + Platform::FullPath(LogPath) + "\". " +
                           Platform::SystemErrorText(Code));
  }
}

void TTesterLogger::Add(const std::string& Value) {
  std::string Line;
  Line.reserve(Value.size() + 2);
  Line += Value;
  Line += "\r\n";
  FLogFileStream.Write(Line.data(), Line.size());
  FLogList.push_back(Value);
}

const std::string& TTesterLogger::GetItem(int Index) const {
  return FLogList.at(static_cast<std::size_t>(Index));
}
