#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fakes/Forwarding.TesterPlatform.h"

// The real files and clocks, with three test aids: the free space can be made to look smaller
// (so that a run on a big disk writes only a few MiB), the open flags the kernel holds for
// every created file (and every file opened to be read back) are read back from /proc, and a hook
// runs before each write (on the worker's thread), e.g. to change the folder under a running pass.
class TObservedTesterPlatform : public TForwardingTesterPlatform {
 public:
  explicit TObservedTesterPlatform(std::optional<std::int64_t> FreeBytes = std::nullopt)
      : FFreeBytes(FreeBytes) {}

  std::function<void(int WriteIndex)> BeforeWrite;

  std::vector<int> OpenFlags() const {
    std::lock_guard Lock(FMutex);
    return FOpenFlags;
  }
  // The same for every file opened to be read back.
  std::vector<int> ReadOpenFlags() const {
    std::lock_guard Lock(FMutex);
    return FReadOpenFlags;
  }

  TVolumeSpace VolumeSpace(const std::string& Path) override {
    TVolumeSpace Space = FReal->VolumeSpace(Path);
    if (FFreeBytes) {
      Space.FreeBytes = *FFreeBytes;
    }
    return Space;
  }
  TCreatedFile CreateNewFile(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    const TCreatedFile Created = FReal->CreateNewFile(Folder, Name, Unbuffered);
    if (Created.Handle != NoFile) {
      std::lock_guard Lock(FMutex);
      FOpenFlags.push_back(KernelFlags(Created.Handle));
    }
    return Created;
  }
  TOpenedForRead OpenForRead(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    const TOpenedForRead Opened = FReal->OpenForRead(Folder, Name, Unbuffered);
    if (Opened.Handle != NoFile) {
      std::lock_guard Lock(FMutex);
      FReadOpenFlags.push_back(KernelFlags(Opened.Handle));
    }
    return Opened;
  }
  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    if (BeforeWrite) {
      BeforeWrite(FWrites++);
    }
    return FReal->WriteAll(File, Data, Length);
  }

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

  std::optional<std::int64_t> FFreeBytes;
  int FWrites = 0;  // the worker's thread only
  mutable std::mutex FMutex;
  std::vector<int> FOpenFlags;
  std::vector<int> FReadOpenFlags;
};
