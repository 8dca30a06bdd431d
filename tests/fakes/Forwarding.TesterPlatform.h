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
  TCreatedFile CreateNewFile(const std::string& Path, bool Unbuffered) override {
    return FReal->CreateNewFile(Path, Unbuffered);
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

 protected:
  std::shared_ptr<TTesterPlatform> FReal;
};
