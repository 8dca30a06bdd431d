#include "platform/Platform.Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Platform.Clock.h"

namespace {

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

  TCreatedFile CreateNewFile(const std::string& Path, bool Unbuffered) override {
    const int File = open(Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (File < 0) {
      return {NoFile, errno};
    }
    if (Unbuffered) {
      // Asking for O_DIRECT at open would leave an empty file behind on a filesystem that
      // refuses it (the kernel creates the name before it checks). Setting it on the open
      // file fails the same way, and the file, certainly ours, can be removed again.
      const int Flags = fcntl(File, F_GETFL);
      if (Flags < 0 || fcntl(File, F_SETFL, Flags | O_DIRECT) != 0) {
        const int Code = errno;
        close(File);
        unlink(Path.c_str());
        return {NoFile, Code};
      }
    }
    return {File, 0};
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

  void CloseFile(TFileHandle File) override { close(static_cast<int>(File)); }

  int DeleteFile(const std::string& Path) override { return unlink(Path.c_str()) == 0 ? 0 : errno; }

  bool FileExists(const std::string& Path) override {
    struct stat Info {};
    return stat(Path.c_str(), &Info) == 0 && !S_ISDIR(Info.st_mode);
  }

  std::int64_t PerformanceCounter() override { return Platform::PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return Platform::PerformanceFrequency(); }
  std::uint32_t TickCount() override { return Platform::TickCount(); }
  void SleepMs(std::uint32_t Milliseconds) override { Platform::SleepMs(Milliseconds); }
  double Now() override { return Platform::Now(); }
};

}  // namespace

namespace Platform {

std::shared_ptr<TTesterPlatform> MakeTesterPlatform() {
  return std::make_shared<TLinuxTesterPlatform>();
}

}  // namespace Platform
