#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.Files.h"

// A volume in memory with a clock that only moves when written to: files are names with
// sizes, a write takes TicksPerWrite, sleeping takes no real time. Hooks run on the worker
// thread, outside the fake's lock, so they may call back into the thread under test.
class TFakeTesterPlatform : public TTesterPlatform {
 public:
  static constexpr std::int64_t MiB = 1024 * 1024;
  static constexpr std::int64_t Frequency = 1'000'000'000;

  explicit TFakeTesterPlatform(std::int64_t FreeBytes, std::int64_t TotalBytes = 0)
      : FFree(FreeBytes), FTotal(TotalBytes != 0 ? TotalBytes : FreeBytes) {}

  // Set up before the run starts.
  int SpaceError = 0;
  std::int64_t TicksPerWrite = Frequency / 50;  // 0.02 s: 400 MiB/s for 8 MiB
  int FailWriteAt = -1;                         // index of the write that fails, from 0
  int WriteError = EIO;
  std::set<std::string> Undeletable;
  std::function<void()> OnVolumeSpace;
  std::function<void(int WriteIndex)> OnWrite;
  std::function<void(std::uint32_t Milliseconds)> OnSleep;

  void AddFile(const std::string& Path, std::int64_t Size = 0) {
    std::lock_guard Lock(FMutex);
    FFiles[Path] = Size;
  }
  std::map<std::string, std::int64_t> Files() const {
    std::lock_guard Lock(FMutex);
    return FFiles;
  }
  // Operations in order: "create P", "create P direct", "close P", "delete P".
  std::vector<std::string> Log() const {
    std::lock_guard Lock(FMutex);
    return FLog;
  }
  std::vector<std::uint32_t> Sleeps() const {
    std::lock_guard Lock(FMutex);
    return FSleeps;
  }
  std::size_t OpenFiles() const {
    std::lock_guard Lock(FMutex);
    return FOpen.size();
  }

  TVolumeSpace VolumeSpace(const std::string&) override {
    if (OnVolumeSpace) {
      OnVolumeSpace();
    }
    std::lock_guard Lock(FMutex);
    return {FFree, FTotal, SpaceError};
  }

  TCreatedFile CreateNewFile(const std::string& Path, bool Unbuffered) override {
    std::lock_guard Lock(FMutex);
    FLog.push_back("create " + Path + (Unbuffered ? " direct" : ""));
    if (FFiles.count(Path) != 0) {
      return {NoFile, EEXIST};
    }
    FFiles[Path] = 0;
    const TFileHandle Handle = FNextHandle++;
    FOpen[Handle] = Path;
    return {Handle, 0};
  }

  int WriteAll(TFileHandle File, const std::byte*, std::size_t Length) override {
    int Index = 0;
    {
      std::lock_guard Lock(FMutex);
      Index = FWrites++;
    }
    if (OnWrite) {
      OnWrite(Index);
    }
    std::lock_guard Lock(FMutex);
    FClock += TicksPerWrite;
    const auto Open = FOpen.find(File);
    if (Open == FOpen.end()) {
      return EBADF;
    }
    if (Index == FailWriteAt) {
      return WriteError;
    }
    const auto Size = static_cast<std::int64_t>(Length);
    if (Size > FFree) {
      return ENOSPC;
    }
    FFree -= Size;
    FFiles[Open->second] += Size;
    return 0;
  }

  void CloseFile(TFileHandle File) override {
    std::lock_guard Lock(FMutex);
    FLog.push_back("close " + FOpen.at(File));
    FOpen.erase(File);
  }

  int DeleteFile(const std::string& Path) override {
    std::lock_guard Lock(FMutex);
    FLog.push_back("delete " + Path);
    const auto File = FFiles.find(Path);
    if (File == FFiles.end()) {
      return ENOENT;
    }
    if (Undeletable.count(Path) != 0) {
      return EACCES;
    }
    FFree += File->second;
    FFiles.erase(File);
    return 0;
  }

  bool FileExists(const std::string& Path) override {
    std::lock_guard Lock(FMutex);
    return FFiles.count(Path) != 0;
  }

  std::int64_t PerformanceCounter() override {
    std::lock_guard Lock(FMutex);
    return FClock;
  }
  std::int64_t PerformanceFrequency() override { return Frequency; }
  std::uint32_t TickCount() override { return 1; }
  void SleepMs(std::uint32_t Milliseconds) override {
    {
      std::lock_guard Lock(FMutex);
      FSleeps.push_back(Milliseconds);
    }
    if (OnSleep) {
      OnSleep(Milliseconds);
    }
  }
  double Now() override { return 45000.5; }

 private:
  mutable std::mutex FMutex;
  std::int64_t FFree;
  std::int64_t FTotal;
  std::int64_t FClock = 1'000'000;
  int FWrites = 0;
  TFileHandle FNextHandle = 3;
  std::map<std::string, std::int64_t> FFiles;
  std::map<TFileHandle, std::string> FOpen;
  std::vector<std::string> FLog;
  std::vector<std::uint32_t> FSleeps;
};
