#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace Platform {

// A file read once from its start to its end in pieces: a regular file, or a FIFO or a device
// that may make the reader wait. Neither the open nor a read waits for data in a way that a
// stop cannot end: the stop is asked at least every StopPollMs while waiting.
class TInputStream {
 public:
  static constexpr int StopPollMs = 100;
  // Read-only; IsOpen() tells whether it worked, Error() why not.
  explicit TInputStream(const std::string& Path);
  ~TInputStream();
  TInputStream(const TInputStream&) = delete;
  TInputStream& operator=(const TInputStream&) = delete;

  bool IsOpen() const { return FHandle != InvalidHandle; }
  // The system's error code (errno on Linux) of the failed open or read.
  int Error() const { return FError; }
  // Up to Size bytes into Buffer: the count, 0 at the end of the file, ReadFailed when the
  // read fails (Error() says why), ReadStopped when Stop turned true while waiting.
  static constexpr long ReadFailed = -1;
  static constexpr long ReadStopped = -2;
  long Read(char* Buffer, std::size_t Size, const std::function<bool()>& Stop);

 private:
  // A POSIX descriptor, or a Windows HANDLE's value.
  static constexpr long long InvalidHandle = -1;
  long long FHandle = InvalidHandle;
  int FError = 0;
};

}  // namespace Platform
