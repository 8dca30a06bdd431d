#pragma once

#include <cstdint>
#include <optional>

// What one simulated flash drive is: its size, its speeds by bytes written, and its faults.
// The test helper fills this record; the daemon reads it back from its command line.
namespace SimDrive {

inline constexpr std::uint64_t KiB = 1024;
inline constexpr std::uint64_t MiB = 1024 * KiB;
inline constexpr std::uint64_t GiB = 1024 * MiB;
// The drive's unit of allocation and of its fault positions.
inline constexpr std::uint64_t BlockBytes = 4096;

namespace Literals {
constexpr std::uint64_t operator""_KiB(unsigned long long Count) {
  return Count * KiB;
}
constexpr std::uint64_t operator""_MiB(unsigned long long Count) {
  return Count * MiB;
}
constexpr std::uint64_t operator""_GiB(unsigned long long Count) {
  return Count * GiB;
}
}  // namespace Literals

// What a drive that reports more than it holds does with data past what it really holds.
enum class TFakeMode {
  Wrap,  // stored at its position modulo the real capacity, over earlier data
  Drop,  // not stored at all: reads give zeros
};

// Sizes and positions in bytes (multiples of BlockBytes where they are positions or
// capacities), speeds in MiB/s with 0 meaning "as fast as it goes".
struct TConfig {
  std::uint64_t Capacity = 256 * MiB;  // what statvfs reports; writes beyond it fail ENOSPC

  std::uint64_t CacheSize = 0;             // the fast cache; 0: none
  double CacheSpeed = 0;                   // while the cache has room
  double Speed = 0;                        // after the cache is full
  std::optional<std::uint64_t> FoldAfter;  // bytes written since mount, from which FoldSpeed
  double FoldSpeed = 0;                    // holds once the cache is full
  double CacheRecovery = 0;                // MiB of cache regained per second without writes
  double ReadSpeed = 0;

  std::uint64_t StallEvery = 0;  // bytes written between two stalls; 0: none
  std::uint32_t StallMs = 0;     // added to the write request that completes each StallEvery
  // Stalls only once the cache is full, counted in the bytes written after it: a device whose
  // cache takes writes at once and which then holds up a few writes for long.
  bool StallAfterCache = false;

  std::optional<std::uint64_t> WriteErrorAfter;  // writes past this many bytes written: EIO
  std::optional<std::uint64_t> ReadErrorBeyond;  // reads of data stored at or past it: EIO
  std::optional<std::uint64_t> UnplugAfter;      // the first write past this many bytes: the
                                                 // daemon vanishes, the mount stays dead

  std::optional<std::uint64_t> RealCapacity;  // a fake drive: what it really holds
  TFakeMode FakeMode = TFakeMode::Wrap;

  bool WritebackCache = false;   // the kernel keeps dirty pages and writes them back later
  bool DirectIo = false;         // every open bypasses the page cache (FUSE's direct_io)
  std::uint32_t CarryUs = 3000;  // gaps up to this long between requests are not idle time

  bool operator==(const TConfig&) const = default;
};

}  // namespace SimDrive
