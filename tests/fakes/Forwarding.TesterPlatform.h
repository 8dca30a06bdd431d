#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/Platform.Files.h"

// The system's own files and clocks (or another layer's), every call passed through; a test aid
// derives from it and changes only what it needs to see or pretend.
class TForwardingTesterPlatform : public TTesterPlatform {
 public:
  explicit TForwardingTesterPlatform(
      std::shared_ptr<TTesterPlatform> Inner = Platform::MakeTesterPlatform())
      : FReal(std::move(Inner)) {}

  TVolumeSpace VolumeSpace(const std::string& Path) override { return FReal->VolumeSpace(Path); }
  TOpenedFolder OpenFolder(const std::string& Path) override { return FReal->OpenFolder(Path); }
  void CloseFolder(TFolderHandle Folder) override { FReal->CloseFolder(Folder); }
  TNameInfo LookUp(TFolderHandle Folder, const std::string& Name) override {
    return FReal->LookUp(Folder, Name);
  }
  TFolderListing ListFiles(TFolderHandle Folder, const std::string& Prefix) override {
    return FReal->ListFiles(Folder, Prefix);
  }
  TCreatedFile CreateNewFile(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    return FReal->CreateNewFile(Folder, Name, Unbuffered);
  }
  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    return FReal->WriteAll(File, Data, Length);
  }
  int FlushFile(TFileHandle File) override { return FReal->FlushFile(File); }
  void CloseFile(TFileHandle File) override { FReal->CloseFile(File); }
  TDeleteResult DeleteOwnFile(TFolderHandle Folder, const std::string& Name,
                              const TFileIdentity& Identity) override {
    return FReal->DeleteOwnFile(Folder, Name, Identity);
  }
  TOpenedForRead OpenForRead(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    return FReal->OpenForRead(Folder, Name, Unbuffered);
  }
  TReadResult ReadAt(TFileHandle File, std::int64_t Offset, std::byte* Data,
                     std::size_t Length) override {
    return FReal->ReadAt(File, Offset, Data, Length);
  }
  std::int64_t PerformanceCounter() override { return FReal->PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return FReal->PerformanceFrequency(); }
  std::uint32_t TickCount() override { return FReal->TickCount(); }
  void SleepMs(std::uint32_t Milliseconds) override { FReal->SleepMs(Milliseconds); }
  bool SleepUnlessStopped(std::uint32_t Milliseconds, std::stop_token Stop) override {
    return FReal->SleepUnlessStopped(Milliseconds, std::move(Stop));
  }
  double Now() override { return FReal->Now(); }

 protected:
  std::shared_ptr<TTesterPlatform> FReal;
};
