#include "platform/Platform.Files.h"

#include <windows.h>
// windows.h maps DeleteFile to DeleteFileW; here it is the name of the interface's operation.
#undef DeleteFile

#include <algorithm>

#include "platform/Platform.Clock.h"
#include "platform/windows/Win32.Text.h"

namespace {

HANDLE ToHandle(TFileHandle File) {
  return reinterpret_cast<HANDLE>(File);
}

int LastError() {
  return static_cast<int>(GetLastError());
}

class TWindowsTesterPlatform final : public TTesterPlatform {
 public:
  TVolumeSpace VolumeSpace(const std::string& Path) override {
    ULARGE_INTEGER FreeToCaller{};
    ULARGE_INTEGER Total{};
    // The third answer, the free bytes of the whole volume, is not what the caller may use.
    if (!GetDiskFreeSpaceExW(Win32::Widen(Path).c_str(), &FreeToCaller, &Total, nullptr)) {
      return {0, 0, LastError()};
    }
    return {static_cast<std::int64_t>(FreeToCaller.QuadPart),
            static_cast<std::int64_t>(Total.QuadPart), 0};
  }

  TCreatedFile CreateNewFile(const std::string& Path, bool Unbuffered) override {
    // CREATE_NEW: a name that is taken fails (ERROR_FILE_EXISTS); an existing file is never
    // opened, so it is never overwritten or later deleted as ours.
    const HANDLE File = CreateFileW(Win32::Widen(Path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                    Unbuffered ? FILE_FLAG_NO_BUFFERING : 0, nullptr);
    if (File == INVALID_HANDLE_VALUE) {
      return {NoFile, LastError()};
    }
    return {reinterpret_cast<TFileHandle>(File), 0};
  }

  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    // The test's 8 MiB go in one WriteFile; the loop only continues a short write.
    while (Length > 0) {
      const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(Length, 0x40000000));
      DWORD Written = 0;
      if (!WriteFile(ToHandle(File), Data, Chunk, &Written, nullptr)) {
        return LastError();
      }
      if (Written == 0) {
        return ERROR_DISK_FULL;  // no progress and no error: a full volume, never spin
      }
      Data += Written;
      Length -= Written;
    }
    return 0;
  }

  void CloseFile(TFileHandle File) override { CloseHandle(ToHandle(File)); }

  int DeleteFile(const std::string& Path) override {
    return DeleteFileW(Win32::Widen(Path).c_str()) ? 0 : LastError();
  }

  bool FileExists(const std::string& Path) override {
    const DWORD Attributes = GetFileAttributesW(Win32::Widen(Path).c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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
  return std::make_shared<TWindowsTesterPlatform>();
}

}  // namespace Platform
