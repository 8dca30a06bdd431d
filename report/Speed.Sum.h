#pragma once

#include <cstdint>
#include <mutex>

// The sum and count of a pass's speeds. The worker adds to it while the GUI thread reads the
// half-average level, so the pair is read and written as one under a small lock.
class TSpeedSum {
 public:
  struct TSnapshot {
    std::uint64_t Sum = 0;
    std::int32_t Count = 0;
  };

  void Add(std::int32_t SpeedInMiB) {
    std::lock_guard Lock(FMutex);
    // Sign-extended, modulo 2^64.
    FSum += static_cast<std::uint64_t>(static_cast<std::int64_t>(SpeedInMiB));
    ++FCount;
  }

  void Reset() {
    std::lock_guard Lock(FMutex);
    FSum = 0;
    FCount = 0;
  }

  TSnapshot Read() const {
    std::lock_guard Lock(FMutex);
    return {FSum, FCount};
  }

  // Average truncated, halved and truncated again; 0 without speeds.
  static std::int32_t HalfOfAverage(const TSnapshot& Pair) {
    if (Pair.Count == 0) {
      return 0;
    }
    return static_cast<std::int32_t>(Pair.Sum / static_cast<std::uint64_t>(Pair.Count) / 2);
  }

 private:
  mutable std::mutex FMutex;
  std::uint64_t FSum = 0;
  std::int32_t FCount = 0;
};
