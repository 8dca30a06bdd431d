#pragma once

#include <cstddef>
#include <string>

namespace Platform {

// A small file kept open and read again from its start each time: a sensor's value in sysfs,
// which the kernel produces afresh for every read at offset 0. Opening happens once; a reading
// is one system call into the caller's buffer, without allocating.
class TPolledFile {
 public:
  TPolledFile() = default;
  // Read-only; IsOpen() tells whether it worked.
  explicit TPolledFile(const std::string& Path);
  ~TPolledFile();
  TPolledFile(TPolledFile&& Other) noexcept;
  TPolledFile& operator=(TPolledFile&& Other) noexcept;
  TPolledFile(const TPolledFile&) = delete;
  TPolledFile& operator=(const TPolledFile&) = delete;

  bool IsOpen() const { return FHandle != InvalidHandle; }
  // Up to Size bytes from offset 0 into Buffer: the count read (0 for an empty file), or -1
  // when the read fails (sysfs fails it once the device behind the file is gone).
  long ReadFromStart(char* Buffer, std::size_t Size) const;

 private:
  void Close();

  // A POSIX descriptor, or a Windows HANDLE's value.
  static constexpr long long InvalidHandle = -1;
  long long FHandle = InvalidHandle;
};

}  // namespace Platform
