#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include "platform/Platform.Files.h"

// A volume in memory with a clock that only moves when written to: files are names with
// sizes and identities, a write takes TicksPerWrite, sleeping takes no real time. Paths in
// its log and its file list are the folder's path and the name. Hooks run on the worker
// thread, outside the fake's lock, so they may call back into the thread under test.
class TFakeTesterPlatform : public TTesterPlatform {
 public:
  static constexpr std::int64_t MiB = 1024 * 1024;
  static constexpr std::int64_t Frequency = 1'000'000'000;

  explicit TFakeTesterPlatform(std::int64_t FreeBytes, std::int64_t TotalBytes = 0)
      : FFree(FreeBytes), FTotal(TotalBytes != 0 ? TotalBytes : FreeBytes) {}

  // Set up before the run starts.
  int SpaceError = 0;
  int OpenFolderError = 0;
  bool FolderInUse = false;
  std::int64_t TicksPerWrite = Frequency / 50;  // 0.02 s: 400 MiB/s for 8 MiB
  int FailWriteAt = -1;                         // index of the write that fails, from 0
  int WriteError = EIO;
  int FlushError = 0;
  std::int64_t TicksPerFlush = 0;
  std::set<std::string> Undeletable;
  std::function<void()> OnOpenFolder;
  std::function<void()> OnVolumeSpace;
  std::function<void(int WriteIndex)> OnWrite;
  std::function<void(const std::string& Path)> OnDelete;  // after a file was deleted
  std::function<void(std::uint32_t Milliseconds)> OnSleep;
  // A wait that a stop request can cut short; the fake's waits take no time.
  std::function<void(std::uint32_t Milliseconds, const std::stop_token& Stop)> OnStoppableSleep;
  // Reading back: the bytes written are kept only when asked for (a run of many GiB keeps none).
  bool KeepData = false;
  std::int64_t TicksPerRead = Frequency / 100;  // 0.01 s: 800 MiB/s for 8 MiB
  // Sectors (4 KiB, by file path and offset) that the drive cannot read back.
  std::map<std::string, std::set<std::int64_t>> BadSectors;
  int FailReadAt = -1;  // index of the read that fails as a drive that is gone, from 0
  int ReadError = ENOTCONN;
  std::function<void(int ReadIndex)> OnRead;

  // A file that is there before the run (or appears during it): a new file each time, with a
  // number of its own, or with Number, as a filesystem that hands a freed number out again.
  // Files the run creates are numbered 1, 2, ... unless files were added before.
  void AddFile(const std::string& Path, std::int64_t Size = 0, std::uint64_t Number = 0) {
    std::lock_guard Lock(FMutex);
    FFiles[Path] = {Size, Number != 0 ? Number : ++FLastFileNumber, {}};
  }
  // Free space as the next pass will find it.
  void SetFreeBytes(std::int64_t FreeBytes) {
    std::lock_guard Lock(FMutex);
    FFree = FreeBytes;
  }
  void AddFolder(const std::string& Path) {
    std::lock_guard Lock(FMutex);
    FFolders.insert(Path);
  }
  std::map<std::string, std::int64_t> Files() const {
    std::lock_guard Lock(FMutex);
    std::map<std::string, std::int64_t> Sizes;
    for (const auto& [Path, File] : FFiles) {
      Sizes[Path] = File.Size;
    }
    return Sizes;
  }
  // File operations in order: "create P", "create P direct", "flush P", "close P", "delete P",
  // "open P", "open P direct" (to read back).
  std::vector<std::string> Log() const {
    std::lock_guard Lock(FMutex);
    return FLog;
  }
  // Changes the kept bytes of a file, as a drive that returns other data does.
  void ChangeData(const std::string& Path, std::int64_t Offset, std::byte Mask) {
    std::lock_guard Lock(FMutex);
    FFiles.at(Path).Data.at(static_cast<std::size_t>(Offset)) ^= Mask;
  }
  std::vector<std::uint32_t> Sleeps() const {
    std::lock_guard Lock(FMutex);
    return FSleeps;
  }
  std::vector<std::uint32_t> StoppableSleeps() const {
    std::lock_guard Lock(FMutex);
    return FStoppableSleeps;
  }
  std::size_t OpenFiles() const {
    std::lock_guard Lock(FMutex);
    return FOpen.size();
  }
  std::size_t OpenFolders() const {
    std::lock_guard Lock(FMutex);
    return FOpenFolders.size();
  }

  TVolumeSpace VolumeSpace(const std::string&) override {
    if (OnVolumeSpace) {
      OnVolumeSpace();
    }
    std::lock_guard Lock(FMutex);
    return {FFree, FTotal, SpaceError};
  }

  TOpenedFolder OpenFolder(const std::string& Path) override {
    if (OnOpenFolder) {
      OnOpenFolder();
    }
    std::lock_guard Lock(FMutex);
    if (OpenFolderError != 0 || FolderInUse) {
      return {NoFolder, FolderInUse ? EBUSY : OpenFolderError, FolderInUse};
    }
    const TFolderHandle Handle = FNextHandle++;
    FOpenFolders[Handle] = Path;
    return {Handle, 0, false};
  }

  void CloseFolder(TFolderHandle Folder) override {
    std::lock_guard Lock(FMutex);
    FOpenFolders.erase(Folder);
  }

  TNameInfo LookUp(TFolderHandle Folder, const std::string& Name) override {
    std::lock_guard Lock(FMutex);
    const std::string Path = FOpenFolders.at(Folder) + Name;
    if (FFolders.count(Path) != 0) {
      return {TNameKind::Folder, {1, 0}, 0, 0};
    }
    const auto File = FFiles.find(Path);
    if (File == FFiles.end()) {
      return {};
    }
    return {TNameKind::File, {1, File->second.Number}, File->second.Size, 0};
  }

  TFolderListing ListFiles(TFolderHandle Folder, const std::string& Prefix) override {
    std::lock_guard Lock(FMutex);
    const std::string Start = FOpenFolders.at(Folder) + Prefix;
    TFolderListing Listing;
    for (const auto& [Path, File] : FFiles) {
      if (Path.rfind(Start, 0) == 0 && Path.find('/', Start.size()) == std::string::npos) {
        Listing.Files.push_back({Path.substr(FOpenFolders.at(Folder).size()), File.Size});
      }
    }
    return Listing;
  }

  TCreatedFile CreateNewFile(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    std::lock_guard Lock(FMutex);
    const std::string Path = FOpenFolders.at(Folder) + Name;
    FLog.push_back("create " + Path + (Unbuffered ? " direct" : ""));
    if (FFiles.count(Path) != 0 || FFolders.count(Path) != 0) {
      return {NoFile, {}, EEXIST};
    }
    FFiles[Path] = {0, ++FLastFileNumber, {}};
    const TFileHandle Handle = FNextHandle++;
    FOpen[Handle] = Path;
    return {Handle, {1, FLastFileNumber}, 0};
  }

  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
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
    TFile& Written = FFiles[Open->second];
    Written.Size += Size;
    if (KeepData) {
      Written.Data.insert(Written.Data.end(), Data, Data + Length);
    }
    return 0;
  }

  int FlushFile(TFileHandle File) override {
    std::lock_guard Lock(FMutex);
    FLog.push_back("flush " + FOpen.at(File));
    FClock += TicksPerFlush;
    return FlushError;
  }

  void CloseFile(TFileHandle File) override {
    std::lock_guard Lock(FMutex);
    FLog.push_back("close " + FOpen.at(File));
    FOpen.erase(File);
  }

  TDeleteResult DeleteOwnFile(TFolderHandle Folder, const std::string& Name,
                              const TFileIdentity& Identity) override {
    std::string Path;
    {
      std::lock_guard Lock(FMutex);
      Path = FOpenFolders.at(Folder) + Name;
      FLog.push_back("delete " + Path);
      const auto File = FFiles.find(Path);
      if (File == FFiles.end() && FFolders.count(Path) == 0) {
        return {TDeleteOutcome::Missing, 0};
      }
      if (File == FFiles.end() || TFileIdentity{1, File->second.Number} != Identity) {
        return {TDeleteOutcome::Replaced, 0};
      }
      if (Undeletable.count(Path) != 0) {
        return {TDeleteOutcome::Failed, EACCES};
      }
      FFree += File->second.Size;
      FFiles.erase(File);
    }
    if (OnDelete) {
      OnDelete(Path);
    }
    return {TDeleteOutcome::Deleted, 0};
  }

  TOpenedForRead OpenForRead(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    std::lock_guard Lock(FMutex);
    const std::string Path = FOpenFolders.at(Folder) + Name;
    FLog.push_back("open " + Path + (Unbuffered ? " direct" : ""));
    const auto File = FFiles.find(Path);
    if (File == FFiles.end()) {
      return {NoFile, {}, 0, true};
    }
    const TFileHandle Handle = FNextHandle++;
    FOpen[Handle] = Path;
    return {Handle, {1, File->second.Number}, 0, false};
  }

  TReadResult ReadAt(TFileHandle File, std::int64_t Offset, std::byte* Data,
                     std::size_t Length) override {
    int Index = 0;
    {
      std::lock_guard Lock(FMutex);
      Index = FReads++;
    }
    if (OnRead) {
      OnRead(Index);
    }
    std::lock_guard Lock(FMutex);
    FClock += TicksPerRead;
    const auto Open = FOpen.find(File);
    if (Open == FOpen.end()) {
      return {0, EBADF, false};
    }
    if (Index == FailReadAt) {
      return {0, ReadError, false};
    }
    const std::vector<std::byte>& Kept = FFiles.at(Open->second).Data;
    const auto From = static_cast<std::size_t>(Offset);
    const std::size_t Count = From >= Kept.size() ? 0 : std::min(Length, Kept.size() - From);
    const auto Bad = BadSectors.find(Open->second);
    if (Bad != BadSectors.end()) {
      const auto First = Bad->second.lower_bound(Offset);
      if (First != Bad->second.end() && *First < Offset + static_cast<std::int64_t>(Count)) {
        return {0, EIO, true};
      }
    }
    std::copy_n(Kept.begin() + static_cast<std::ptrdiff_t>(From), Count, Data);
    return {Count, 0, false};
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
  bool SleepUnlessStopped(std::uint32_t Milliseconds, std::stop_token Stop) override {
    {
      std::lock_guard Lock(FMutex);
      FStoppableSleeps.push_back(Milliseconds);
    }
    if (OnStoppableSleep) {
      OnStoppableSleep(Milliseconds, Stop);
    }
    return !Stop.stop_requested();
  }
  double Now() override { return 45000.5; }

 private:
  struct TFile {
    std::int64_t Size = 0;
    std::uint64_t Number = 0;     // the identity's file number, unique in the fake's life
    std::vector<std::byte> Data;  // with KeepData
  };

  mutable std::mutex FMutex;
  std::int64_t FFree;
  std::int64_t FTotal;
  std::int64_t FClock = 1'000'000;
  int FWrites = 0;
  int FReads = 0;
  std::intptr_t FNextHandle = 3;
  std::uint64_t FLastFileNumber = 0;
  std::map<std::string, TFile> FFiles;
  std::set<std::string> FFolders;
  std::map<TFileHandle, std::string> FOpen;
  std::map<TFolderHandle, std::string> FOpenFolders;
  std::vector<std::string> FLog;
  std::vector<std::uint32_t> FSleeps;
  std::vector<std::uint32_t> FStoppableSleeps;
};
