#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.Files.h"

// The real files and clocks, with two test aids: the free space can be made to look smaller
// (so that a run on a big disk writes only a few MiB), and the open flags the kernel holds
// for every created file are read back from /proc.
class TObservedTesterPlatform : public TTesterPlatform {
 public:
  explicit TObservedTesterPlatform(std::optional<std::int64_t> FreeBytes = std::nullopt)
      : FFreeBytes(FreeBytes) {}

  std::vector<int> OpenFlags() const {
    std::lock_guard Lock(FMutex);
    return FOpenFlags;
  }

  TVolumeSpace VolumeSpace(const std::string& Path) override {
    TVolumeSpace Space = FReal->VolumeSpace(Path);
    if (FFreeBytes) {
      Space.FreeBytes = *FFreeBytes;
    }
    return Space;
  }
  TCreatedFile CreateNewFile(const std::string& Path, bool Unbuffered) override {
    const TCreatedFile Created = FReal->CreateNewFile(Path, Unbuffered);
    if (Created.Handle != NoFile) {
      std::lock_guard Lock(FMutex);
      FOpenFlags.push_back(KernelFlags(Created.Handle));
    }
    return Created;
  }
  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    return FReal->WriteAll(File, Data, Length);
  }
  void CloseFile(TFileHandle File) override { FReal->CloseFile(File); }
  int DeleteFile(const std::string& Path) override { return FReal->DeleteFile(Path); }
  bool FileExists(const std::string& Path) override { return FReal->FileExists(Path); }
  std::int64_t PerformanceCounter() override { return FReal->PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return FReal->PerformanceFrequency(); }
  std::uint32_t TickCount() override { return FReal->TickCount(); }
  void SleepMs(std::uint32_t Milliseconds) override { FReal->SleepMs(Milliseconds); }
  double Now() override { return FReal->Now(); }

 private:
  // The "flags:" line of /proc/self/fdinfo/N, in octal; -1 when it cannot be read.
  static int KernelFlags(TFileHandle File) {
    std::ifstream Info("/proc/self/fdinfo/" + std::to_string(File));
    std::string Key;
    while (Info >> Key) {
      if (Key == "flags:") {
        int Flags = -1;
        Info >> std::oct >> Flags;
        return Flags;
      }
    }
    return -1;
  }

  std::shared_ptr<TTesterPlatform> FReal = Platform::MakeTesterPlatform();
  std::optional<std::int64_t> FFreeBytes;
  mutable std::mutex FMutex;
  std::vector<int> FOpenFlags;
};
