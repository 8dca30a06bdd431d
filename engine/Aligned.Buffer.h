#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Zeroed memory whose start and length are whole units of Alignment, as unbuffered (O_DIRECT,
// FILE_FLAG_NO_BUFFERING) reads and writes demand of it.
class TAlignedBuffer {
 public:
  static constexpr std::size_t Alignment = 4096;

  TAlignedBuffer() = default;
  // False (and empty) when that much cannot be had.
  bool Allocate(std::size_t Length);
  void Release();

  std::byte* Data() { return FData.get(); }
  const std::byte* Data() const { return FData.get(); }
  std::size_t Length() const { return FLength; }

 private:
  struct TAlignedFree {
    void operator()(std::byte* Memory) const;
  };

  std::unique_ptr<std::byte[], TAlignedFree> FData;
  std::size_t FLength = 0;
};
