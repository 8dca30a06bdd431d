#include "platform/Platform.LogFile.h"

namespace Platform {

int TLogFile::Create(const std::string& Path) {
  const int Code = Open(Path);
  if (Code != 0) {
    return Code;
  }
  const int EmptyCode = Empty();
  if (EmptyCode != 0) {
    Abandon();
  }
  return EmptyCode;
}

}  // namespace Platform
