#include "platform/Platform.Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Platform.Clock.h"
#include "platform/Platform.Wait.h"

namespace {

int ToFd(TFolderHandle Folder) {
  return static_cast<int>(Folder);
}

// FNV-1a: a handle's bytes folded into 64 bits.
std::uint64_t Fold(const unsigned char* Bytes, std::size_t Count, std::uint64_t Hash) {
  for (std::size_t At = 0; At < Count; ++At) {
    Hash = (Hash ^ Bytes[At]) * 0x100000001b3ULL;
  }
  return Hash;
}

// What tells this file from a later one that gets its inode number: the filesystem's own handle
// of the file (inode and generation, as NFS uses it to tell them apart), or, where a filesystem
// has none, its birth time. Name relative to Folder, or "" and AT_EMPTY_PATH for an open file.
std::uint64_t GenerationOf(int Folder, const char* Name, int EmptyPath) {
  alignas(file_handle) unsigned char Storage[sizeof(file_handle) + MAX_HANDLE_SZ];
  auto* Handle = reinterpret_cast<file_handle*>(Storage);
  Handle->handle_bytes = MAX_HANDLE_SZ;
  int MountId = 0;
  if (name_to_handle_at(Folder, Name, Handle, &MountId, EmptyPath) == 0) {
    const auto Type = static_cast<unsigned>(Handle->handle_type);
    std::uint64_t Hash =
        Fold(reinterpret_cast<const unsigned char*>(&Type), sizeof Type, 0xcbf29ce484222325ULL);
    return Fold(Handle->f_handle, Handle->handle_bytes, Hash);
  }
  struct statx Birth {};
  if (statx(Folder, Name, EmptyPath | AT_SYMLINK_NOFOLLOW, STATX_BTIME, &Birth) == 0 &&
      (Birth.stx_mask & STATX_BTIME) != 0) {
    return static_cast<std::uint64_t>(Birth.stx_btime.tv_sec) * 1'000'000'000U +
           Birth.stx_btime.tv_nsec;
  }
  return 0;
}

TFileIdentity IdentityOf(const struct stat& Info, int Folder, const char* Name, int EmptyPath) {
  return {static_cast<std::uint64_t>(Info.st_dev), static_cast<std::uint64_t>(Info.st_ino),
          GenerationOf(Folder, Name, EmptyPath)};
}

class TLinuxTesterPlatform final : public TTesterPlatform {
 public:
  TVolumeSpace VolumeSpace(const std::string& Path) override {
    struct statvfs Info {};
    if (statvfs(Path.c_str(), &Info) != 0) {
      return {0, 0, errno};
    }
    const auto Unit = static_cast<std::int64_t>(Info.f_frsize);
    return {static_cast<std::int64_t>(Info.f_bavail) * Unit,
            static_cast<std::int64_t>(Info.f_blocks) * Unit, 0};
  }

  TOpenedFolder OpenFolder(const std::string& Path) override {
    const int Folder = open(Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Folder < 0) {
      return {NoFolder, errno, false};
    }
    // The hold is a lock on the folder itself: nothing is created in the user's folder, and
    // the lock goes with the descriptor, however the run ends (a killed process included).
    if (flock(Folder, LOCK_EX | LOCK_NB) != 0) {
      const int Code = errno;
      if (Code == EWOULDBLOCK) {
        close(Folder);
        // "Resource temporarily unavailable" would invite a retry; the folder is busy.
        return {NoFolder, EBUSY, true};
      }
      // A filesystem that cannot lock (NFS refuses an exclusive lock on a folder opened for
      // reading) is still used: only the refusal of a second run is lost there, the identity
      // checks that keep other files safe do not depend on the lock.
    }
    return {Folder, 0, false};
  }

  void CloseFolder(TFolderHandle Folder) override { close(ToFd(Folder)); }

  TNameInfo LookUp(TFolderHandle Folder, const std::string& Name) override {
    struct stat Info {};
    // A link is a name of its own: what it points to is not looked at.
    if (fstatat(ToFd(Folder), Name.c_str(), &Info, AT_SYMLINK_NOFOLLOW) != 0) {
      const int Code = errno;
      return {Code == ENOENT ? TNameKind::Missing : TNameKind::Unreadable,
              {},
              0,
              Code == ENOENT ? 0 : Code};
    }
    const TFileIdentity Identity = IdentityOf(Info, ToFd(Folder), Name.c_str(), 0);
    if (S_ISDIR(Info.st_mode)) {
      return {TNameKind::Folder, Identity, 0, 0};
    }
    return {TNameKind::File, Identity, static_cast<std::int64_t>(Info.st_size), 0};
  }

  TFolderListing ListFiles(TFolderHandle Folder, const std::string& Prefix) override {
    TFolderListing Listing;
    // A descriptor of its own: reading a folder moves its position, and closing the reader
    // closes the descriptor.
    const int Reading = openat(ToFd(Folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* Entries = Reading < 0 ? nullptr : fdopendir(Reading);
    if (Entries == nullptr) {
      Listing.Error = errno;
      if (Reading >= 0) {
        close(Reading);
      }
      return Listing;
    }
    errno = 0;
    while (const dirent* Entry = readdir(Entries)) {
      if (std::strncmp(Entry->d_name, Prefix.c_str(), Prefix.size()) != 0) {
        continue;
      }
      struct stat Info {};
      if (fstatat(Reading, Entry->d_name, &Info, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISREG(Info.st_mode)) {
        Listing.Files.push_back({Entry->d_name, static_cast<std::int64_t>(Info.st_size)});
      }
      errno = 0;
    }
    Listing.Error = errno;
    closedir(Entries);
    return Listing;
  }

  TCreatedFile CreateNewFile(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    const int File =
        openat(ToFd(Folder), Name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (File < 0) {
      return {NoFile, {}, errno};
    }
    struct stat Info {};
    if (fstat(File, &Info) != 0) {
      const int Code = errno;
      close(File);
      return {NoFile, {}, Code};
    }
    const TFileIdentity Identity = IdentityOf(Info, File, "", AT_EMPTY_PATH);
    if (Unbuffered) {
      // Asking for O_DIRECT at open would leave an empty file behind on a filesystem that
      // refuses it (the kernel creates the name before it checks). Setting it on the open
      // file fails the same way, and the file, known by its identity, can be removed again.
      const int Flags = fcntl(File, F_GETFL);
      if (Flags < 0 || fcntl(File, F_SETFL, Flags | O_DIRECT) != 0) {
        const int Code = errno;
        close(File);
        DeleteOwnFile(Folder, Name, Identity);
        return {NoFile, {}, Code};
      }
    }
    return {File, Identity, 0};
  }

  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    while (Length > 0) {
      const ssize_t Written = write(static_cast<int>(File), Data, Length);
      if (Written < 0) {
        if (errno == EINTR) {
          continue;
        }
        return errno;
      }
      if (Written == 0) {
        return ENOSPC;  // no progress and no error: treat as a full volume, never spin
      }
      Data += Written;
      Length -= static_cast<std::size_t>(Written);
    }
    return 0;
  }

  int FlushFile(TFileHandle File) override {
    // The data and what is needed to read it back (the size); a write-back that failed since
    // the file was opened shows up here, once.
    return fdatasync(static_cast<int>(File)) == 0 ? 0 : errno;
  }

  void CloseFile(TFileHandle File) override { close(static_cast<int>(File)); }

  TDeleteResult DeleteOwnFile(TFolderHandle Folder, const std::string& Name,
                              const TFileIdentity& Identity) override {
    struct stat Info {};
    if (fstatat(ToFd(Folder), Name.c_str(), &Info, AT_SYMLINK_NOFOLLOW) != 0) {
      return errno == ENOENT ? TDeleteResult{TDeleteOutcome::Missing, 0}
                             : TDeleteResult{TDeleteOutcome::Failed, errno};
    }
    if (IdentityOf(Info, ToFd(Folder), Name.c_str(), 0) != Identity) {
      return {TDeleteOutcome::Replaced, 0};
    }
    // Linux has no call that removes a name only while it means a given file: between the
    // check and the removal lie two system calls, and only a program that deletes this file
    // and puts its own in its place within them could lose it.
    if (unlinkat(ToFd(Folder), Name.c_str(), 0) != 0) {
      return errno == ENOENT ? TDeleteResult{TDeleteOutcome::Missing, 0}
                             : TDeleteResult{TDeleteOutcome::Failed, errno};
    }
    return {TDeleteOutcome::Deleted, 0};
  }

  TOpenedForRead OpenForRead(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    // A link is never followed: the name must still be the file that was written.
    const int File = openat(ToFd(Folder), Name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (File < 0) {
      const int Code = errno;
      return {NoFile, {}, Code == ENOENT ? 0 : Code, Code == ENOENT};
    }
    struct stat Info {};
    int Code = fstat(File, &Info) == 0 ? 0 : errno;
    const TFileIdentity Identity =
        Code == 0 ? IdentityOf(Info, File, "", AT_EMPTY_PATH) : TFileIdentity{};
    if (Code == 0 && Unbuffered) {
      const int Flags = fcntl(File, F_GETFL);
      if (Flags < 0 || fcntl(File, F_SETFL, Flags | O_DIRECT) != 0) {
        Code = errno;
      }
    } else if (Code == 0) {
      // Clean pages are all that can be dropped: what is still dirty goes out first. Both only
      // speed the reads up to the drive's own; a failure leaves the reads correct, from the cache.
      fdatasync(File);
      posix_fadvise(File, 0, 0, POSIX_FADV_DONTNEED);
    }
    if (Code != 0) {
      close(File);
      return {NoFile, {}, Code, false};
    }
    return {File, Identity, 0, false};
  }

  TReadResult ReadAt(TFileHandle File, std::int64_t Offset, std::byte* Data,
                     std::size_t Length) override {
    TReadResult Result;
    while (Result.Count < Length) {
      const ssize_t Read = pread(static_cast<int>(File), Data + Result.Count, Length - Result.Count,
                                 static_cast<off_t>(Offset) + static_cast<off_t>(Result.Count));
      if (Read < 0) {
        if (errno == EINTR) {
          continue;
        }
        Result.Error = errno;
        // What a drive (or a filesystem's checksum) says of data it cannot give back.
        Result.BadSector = errno == EIO || errno == EBADMSG || errno == EILSEQ;
        return Result;
      }
      if (Read == 0) {
        break;  // the end of the file
      }
      Result.Count += static_cast<std::size_t>(Read);
    }
    return Result;
  }

  std::int64_t PerformanceCounter() override { return Platform::PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return Platform::PerformanceFrequency(); }
  std::uint32_t TickCount() override { return Platform::TickCount(); }
  void SleepMs(std::uint32_t Milliseconds) override { Platform::SleepMs(Milliseconds); }
  bool SleepUnlessStopped(std::uint32_t Milliseconds, std::stop_token Stop) override {
    return Platform::SleepUnlessStopped(Milliseconds, std::move(Stop));
  }
  double Now() override { return Platform::Now(); }
};

}  // namespace

namespace Platform {

std::shared_ptr<TTesterPlatform> MakeTesterPlatform() {
  return std::make_shared<TLinuxTesterPlatform>();
}

}  // namespace Platform
