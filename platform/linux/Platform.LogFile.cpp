#include "platform/Platform.LogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace Platform {

namespace {

std::string FolderOf(const std::string& Path) {
  const std::size_t Slash = Path.rfind('/');
  if (Slash == std::string::npos) {
    return ".";
  }
  return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// The rule of the kernel's protected_symlinks, whatever the system is set to: in a sticky folder
// that everyone may write to, a link is followed only when this user or the folder's owner owns
// it.
bool IsForeignLink(const std::string& Path) {
  struct stat Link {};
  if (lstat(Path.c_str(), &Link) != 0 || !S_ISLNK(Link.st_mode)) {
    return false;
  }
  struct stat Folder {};
  if (stat(FolderOf(Path).c_str(), &Folder) != 0) {
    return false;
  }
  const bool Shared = (Folder.st_mode & S_ISVTX) != 0 && (Folder.st_mode & S_IWOTH) != 0;
  return Shared && Link.st_uid != geteuid() && Link.st_uid != Folder.st_uid;
}

}  // namespace

TLogFile::~TLogFile() {
  Close();
}

int TLogFile::Open(const std::string& Path, const std::vector<const TLogFile*>& Held,
                   const TLogFile** Same) {
  Close();
  if (IsForeignLink(Path)) {
    return ForeignLink;
  }
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
    return Code == EWOULDBLOCK ? InUse : Code;
  }
  return 0;
}

int TLogFile::Empty() {
  struct stat Status {};
  if (fstat(FDescriptor, &Status) == 0 && S_ISREG(Status.st_mode) &&
      ftruncate(FDescriptor, 0) != 0) {
    FWriteError = errno;
    return FWriteError;
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

bool TLogFile::Replace(const char* Data, std::size_t Length) {
  if (FDescriptor < 0) {
    return false;
  }
  struct stat Old {};
  if (fstat(FDescriptor, &Old) != 0 || !S_ISREG(Old.st_mode)) {
    return Write(Data, Length);
  }
  // Through a link the file it names is replaced, not the link.
  std::string Target = FPath;
  if (char* Resolved = realpath(FPath.c_str(), nullptr)) {
    Target = Resolved;
    free(Resolved);
  }
  const std::size_t Slash = Target.rfind('/');
  std::string Temporary = Target.substr(0, Slash + 1) + "." +
                          Target.substr(Slash == std::string::npos ? 0 : Slash + 1) + ".XXXXXX";
  const int New = mkostemp(Temporary.data(), O_CLOEXEC);
  if (New < 0) {
    FWriteError = errno;
    return false;
  }
  // The new file keeps the previous one's permissions (and owner, where this user may give it).
  int Code = fchmod(New, Old.st_mode & 07777) == 0 ? 0 : errno;
  if (Code == 0 && (Old.st_uid != geteuid() || Old.st_gid != getegid())) {
    (void)!fchown(New, Old.st_uid, Old.st_gid);
  }
  for (std::size_t Done = 0; Code == 0 && Done < Length;) {
    const ssize_t Written = write(New, Data + Done, Length - Done);
    if (Written < 0 && errno == EINTR) {
      continue;
    }
    if (Written <= 0) {
      Code = Written < 0 ? errno : ENOSPC;
    } else {
      Done += static_cast<std::size_t>(Written);
    }
  }
  if (Code == 0 && fsync(New) != 0) {
    Code = errno;
  }
  if (Code == 0 && flock(New, LOCK_EX | LOCK_NB) != 0) {
    Code = errno;
  }
  if (Code == 0 && rename(Temporary.c_str(), Target.c_str()) != 0) {
    Code = errno;
  }
  if (Code != 0) {
    unlink(Temporary.c_str());
    close(New);
    FWriteError = Code;
    return false;
  }
  // The new file is the one held from now on; the previous one is gone with its name.
  struct stat Status {};
  fstat(New, &Status);
  close(FDescriptor);
  FDescriptor = New;
  FVolume = static_cast<std::uint64_t>(Status.st_dev);
  FIndex = static_cast<std::uint64_t>(Status.st_ino);
  FOffset = Length;
  lseek(FDescriptor, 0, SEEK_END);
  return true;
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

bool SameFolder(const std::string& First, const std::string& Second) {
  struct stat One {};
  struct stat Other {};
  return stat(First.c_str(), &One) == 0 && stat(Second.c_str(), &Other) == 0 &&
         S_ISDIR(One.st_mode) && One.st_dev == Other.st_dev && One.st_ino == Other.st_ino;
}

}  // namespace Platform
