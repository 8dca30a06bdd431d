#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Handle of an open test file; NoFile when none is open.
using TFileHandle = std::intptr_t;
inline constexpr TFileHandle NoFile = -1;

// Space of the volume that holds a path. Error is 0 or the system's error code.
struct TVolumeSpace {
  std::int64_t FreeBytes = 0;   // available to the caller
  std::int64_t TotalBytes = 0;  // size of the volume
  int Error = 0;
};

// A file that was created: Handle is NoFile and Error the system's code when it was not.
struct TCreatedFile {
  TFileHandle Handle = NoFile;
  int Error = 0;
};

// Everything the test worker asks of the operating system: files, free space and clocks.
// Injectable so that the worker's arithmetic and ordering can be checked without a disk.
// Error codes are errno values on Linux.
class TTesterPlatform {
 public:
  virtual ~TTesterPlatform() = default;

  virtual TVolumeSpace VolumeSpace(const std::string& Path) = 0;
  // Creates a file that must not exist yet (never opens an existing one). Unbuffered asks
  // for writes that bypass the system's cache; a filesystem that refuses them gives an
  // error, and then no file is left behind.
  virtual TCreatedFile CreateNewFile(const std::string& Path, bool Unbuffered) = 0;
  // Writes all Length bytes; 0 or the error code of the failing write.
  virtual int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) = 0;
  virtual void CloseFile(TFileHandle File) = 0;
  // 0 or the error code.
  virtual int DeleteFile(const std::string& Path) = 0;
  // True for an existing file that is not a directory.
  virtual bool FileExists(const std::string& Path) = 0;

  virtual std::int64_t PerformanceCounter() = 0;
  virtual std::int64_t PerformanceFrequency() = 0;
  virtual std::uint32_t TickCount() = 0;
  virtual void SleepMs(std::uint32_t Milliseconds) = 0;
  // Local date and time as days since 1899-12-30.
  virtual double Now() = 0;
};

namespace Platform {

// The operating system's own realisation.
std::shared_ptr<TTesterPlatform> MakeTesterPlatform();

}  // namespace Platform
