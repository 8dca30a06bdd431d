#include "platform/Platform.LogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace Platform {

TLogFile::~TLogFile() {
  Close();
}

int TLogFile::Create(const std::string& Path) {
  Close();
  const int Descriptor = open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (Descriptor < 0) {
    return errno;
  }
  if (flock(Descriptor, LOCK_EX | LOCK_NB) != 0) {
    const int Code = errno;
    close(Descriptor);
    return Code;
  }
  struct stat Status {};
  if (fstat(Descriptor, &Status) == 0 && S_ISREG(Status.st_mode) && ftruncate(Descriptor, 0) != 0) {
    const int Code = errno;
    close(Descriptor);
    return Code;
  }
  FDescriptor = Descriptor;
  return 0;
}

bool TLogFile::Write(const char* Data, std::size_t Length) {
  if (FDescriptor < 0) {
    return false;
  }
  while (Length > 0) {
    const ssize_t Written = write(FDescriptor, Data, Length);
    if (Written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    if (Written == 0) {
      return false;
    }
    Data += Written;
    Length -= static_cast<std::size_t>(Written);
  }
  return true;
}

void TLogFile::Close() {
  if (FDescriptor >= 0) {
    close(FDescriptor);  // releases the lock
    FDescriptor = -1;
  }
}

std::string FullPath(const std::string& Path) {
  if (!Path.empty() && Path.front() == '/') {
    return Path;
  }
  char Folder[PATH_MAX];
  if (getcwd(Folder, sizeof Folder) == nullptr) {
    return Path;
  }
  std::string Result = Folder;
  if (Result.back() != '/') {
    Result += '/';
  }
  return Result + Path;
}

}  // namespace Platform
