#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "daemon/SimDrive.Config.h"

// What the drive's tests do to files the way Varnell does: 8 MiB writes from an aligned buffer,
// into files created with O_EXCL and switched to O_DIRECT afterwards, each write timed.
namespace DriveIo {

inline constexpr std::size_t WriteBytes = 8 * SimDrive::MiB;

struct TFreeAligned {
  void operator()(std::byte* Data) const { std::free(Data); }
};

class TBuffer {
 public:
  explicit TBuffer(std::size_t Bytes = WriteBytes)
      : FData(static_cast<std::byte*>(std::aligned_alloc(4096, Bytes))), FBytes(Bytes) {
    std::memset(FData.get(), 0, Bytes);
  }
  std::byte* Data() const { return FData.get(); }
  std::size_t Size() const { return FBytes; }

 private:
  std::unique_ptr<std::byte, TFreeAligned> FData;
  std::size_t FBytes;
};

// Each 4 KiB block unique to (Tag, its index): stamped at its start, the rest derived from
// both, never zeros, so a block read back tells exactly where it came from.
inline void StampBlock(std::byte* Block, std::uint32_t Tag, std::uint64_t Index) {
  std::uint64_t State = (std::uint64_t{Tag} << 40) ^ Index ^ 0x9E3779B97F4A7C15ULL;
  for (std::size_t Offset = 0; Offset < SimDrive::BlockBytes; Offset += 8) {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    std::memcpy(Block + Offset, &State, 8);
  }
  std::memcpy(Block, &Tag, sizeof Tag);
  std::memcpy(Block + 8, &Index, sizeof Index);
}

inline void Stamp(std::byte* Data, std::size_t Bytes, std::uint32_t Tag, std::uint64_t FirstIndex) {
  for (std::size_t Offset = 0; Offset < Bytes; Offset += SimDrive::BlockBytes) {
    StampBlock(Data + Offset, Tag, FirstIndex + Offset / SimDrive::BlockBytes);
  }
}

class TFd {
 public:
  explicit TFd(int Fd = -1) : FFd(Fd) {}
  ~TFd() { Reset(); }
  TFd(TFd&& Other) noexcept : FFd(Other.Release()) {}
  TFd& operator=(TFd&& Other) noexcept {
    Reset(Other.Release());
    return *this;
  }
  int Get() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  int Release() {
    const int Fd = FFd;
    FFd = -1;
    return Fd;
  }
  // Closes now; the errno of a failed close, or 0.
  int Reset(int Fd = -1) {
    int Error = 0;
    if (FFd >= 0 && close(FFd) != 0) {
      Error = errno;
    }
    FFd = Fd;
    return Error;
  }

 private:
  int FFd;
};

// As Varnell creates its files: O_EXCL never overwrites, O_DIRECT is set afterwards. Sets errno
// and returns an invalid descriptor on failure.
inline TFd CreateNew(const std::string& Path, bool Direct) {
  TFd File(open(Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (File.Valid() && Direct) {
    const int Flags = fcntl(File.Get(), F_GETFL);
    if (fcntl(File.Get(), F_SETFL, Flags | O_DIRECT) != 0) {
      const int Error = errno;
      File.Reset();
      errno = Error;
    }
  }
  return File;
}

struct TWrite {
  int Error = 0;  // errno of the write() that failed, or 0
  std::size_t Written = 0;
  double Seconds = 0;  // the whole write, retries of short writes included
};

// One timed write of the whole buffer, continuing after short writes as Varnell does.
inline TWrite TimedWrite(int Fd, const std::byte* Data, std::size_t Bytes) {
  TWrite Result;
  const auto Start = std::chrono::steady_clock::now();
  while (Result.Written < Bytes) {
    const ssize_t Count = write(Fd, Data + Result.Written, Bytes - Result.Written);
    if (Count < 0 && errno == EINTR) {
      continue;
    }
    if (Count <= 0) {
      Result.Error = Count < 0 ? errno : ENOSPC;
      break;
    }
    Result.Written += static_cast<std::size_t>(Count);
  }
  Result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  return Result;
}

// Reads Bytes at Offset completely; the errno of the read() that failed, or 0.
inline int ReadAll(int Fd, std::byte* Data, std::size_t Bytes, off_t Offset) {
  std::size_t Done = 0;
  while (Done < Bytes) {
    const ssize_t Count = pread(Fd, Data + Done, Bytes - Done, Offset + static_cast<off_t>(Done));
    if (Count < 0 && errno == EINTR) {
      continue;
    }
    if (Count <= 0) {
      return Count < 0 ? errno : ENODATA;  // the file ended early
    }
    Done += static_cast<std::size_t>(Count);
  }
  return 0;
}

}  // namespace DriveIo
