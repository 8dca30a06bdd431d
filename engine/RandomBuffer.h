#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Aligned.Buffer.h"
#include "engine/uMTforDel.h"

// One block of bytes, made random once and then written unchanged, again and again. The
// buffer object is its own generator. Its memory is aligned for unbuffered (O_DIRECT) writes.
class TRandomBuffer : public TMersenne {
 public:
  // Start and allocation granularity that unbuffered writes demand of the memory.
  static constexpr std::size_t Alignment = TAlignedBuffer::Alignment;

  explicit TRandomBuffer(std::uint32_t Seed) : TMersenne(Seed) {}
  ~TRandomBuffer() override { DeleteCache(); }
  TRandomBuffer(const TRandomBuffer&) = delete;
  TRandomBuffer& operator=(const TRandomBuffer&) = delete;

  // LengthInKiB * 1024 zero bytes. False (and empty) when that much cannot be had or the
  // length does not fit a signed 32-bit byte count.
  bool CreateBuffer(std::uint32_t LengthInKiB);
  // Makes the first RandomnessInInteger percent of the buffer random and the rest zero.
  // False when the buffer is empty.
  bool FillBuffer(std::int32_t RandomnessInInteger);
  const std::byte* GetRawBuffer() const { return FBuffer.Data(); }
  std::int32_t GetLength() const { return FLength; }
  bool DeleteCache();

 private:
  void TryToFillBuffer(std::size_t Randomness);

  TAlignedBuffer FBuffer;
  std::int32_t FLength = 0;
};
