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

int TLogFile::Open(const std::string& Path, const std::vector<const TLogFile*>& Held,
                   const TLogFile** Same) {
  Close();
  // O_EXCL tells a file made here from one that was there: only the first may be removed
  // again. A name that disappears between the two opens is tried once more.
  bool Created = false;
  int Descriptor = -1;
  for (int Attempt = 0; Attempt < 2 && Descriptor < 0; ++Attempt) {
    Descriptor = open(Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    Created = Descriptor >= 0;
    if (Descriptor < 0 && errno == EEXIST) {
      Descriptor = open(Path.c_str(), O_RDWR | O_CLOEXEC);
      if (Descriptor < 0 && errno == ENOENT && Attempt == 0) {
        continue;
      }
    }
    if (Descriptor < 0) {
      return errno;
    }
  }
  struct stat Status {};
  if (fstat(Descriptor, &Status) != 0) {
    const int Code = errno;
    close(Descriptor);
    return Code;
  }
  const auto Volume = static_cast<std::uint64_t>(Status.st_dev);
  const auto Index = static_cast<std::uint64_t>(Status.st_ino);
  // Only a regular file can lose lines to a second log. A device, pipe or terminal
  // (/dev/null, /dev/stdout) is shared: two logs or two runs may write there at once.
  const bool Regular = S_ISREG(Status.st_mode);
  for (const TLogFile* Other : Held) {
    if (Regular && Other != nullptr && Other->SameFileAs(Volume, Index)) {
      close(Descriptor);  // it existed: the other log holds it
      if (Same != nullptr) {
        *Same = Other;
      }
      return SameFile;
    }
  }
  FDescriptor = Descriptor;
  FCreated = Created;
  FPath = Path;
  FVolume = Volume;
  FIndex = Index;
  if (Regular && flock(Descriptor, LOCK_EX | LOCK_NB) != 0) {
    const int Code = errno;
    Abandon();
    return Code;
  }
  return 0;
}

int TLogFile::Empty() {
  struct stat Status {};
  if (fstat(FDescriptor, &Status) == 0 && S_ISREG(Status.st_mode) &&
      ftruncate(FDescriptor, 0) != 0) {
    return errno;
  }
  return 0;
}

void TLogFile::Abandon() {
  if (FDescriptor >= 0 && FCreated) {
    // Only while the name is still the file made here: someone may have put another there.
    struct stat Status {};
    if (stat(FPath.c_str(), &Status) == 0 && static_cast<std::uint64_t>(Status.st_dev) == FVolume &&
        static_cast<std::uint64_t>(Status.st_ino) == FIndex) {
      unlink(FPath.c_str());
    }
  }
  Close();
}

bool TLogFile::Write(const char* Data, std::size_t Length) {
  if (FDescriptor < 0) {
    return false;
  }
  std::size_t Done = 0;
  while (Done < Length) {
    const ssize_t Written = write(FDescriptor, Data + Done, Length - Done);
    if (Written < 0 && errno == EINTR) {
      continue;
    }
    if (Written <= 0) {
      FWriteError = Written < 0 ? errno : ENOSPC;
      // A pipe or a terminal refuses both; a file goes back to where the line began.
      const auto LineStart = static_cast<off_t>(FOffset);
      if (Done > 0 && ftruncate(FDescriptor, LineStart) == 0) {
        lseek(FDescriptor, LineStart, SEEK_SET);
      }
      return false;
    }
    Done += static_cast<std::size_t>(Written);
  }
  FOffset += Length;
  return true;
}

bool TLogFile::Rewrite(const char* Data, std::size_t Length) {
  if (FDescriptor < 0) {
    return false;
  }
  struct stat Status {};
  if (fstat(FDescriptor, &Status) == 0 && S_ISREG(Status.st_mode)) {
    if (ftruncate(FDescriptor, 0) != 0 || lseek(FDescriptor, 0, SEEK_SET) != 0) {
      FWriteError = errno;
      return false;
    }
    FOffset = 0;
  }
  return Write(Data, Length);
}

void TLogFile::Close() {
  if (FDescriptor >= 0) {
    close(FDescriptor);  // releases the lock
    FDescriptor = -1;
  }
  FCreated = false;
  FWriteError = 0;
  FOffset = 0;
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
