#include "engine/RandomBuffer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

bool TRandomBuffer::CreateBuffer(std::uint32_t LengthInKiB) {
  DeleteCache();
  const std::uint64_t Length = std::uint64_t{LengthInKiB} * 1024;
  if (Length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
    return false;
  }
  if (!FBuffer.Allocate(static_cast<std::size_t>(Length))) {
    return false;
  }
  FLength = static_cast<std::int32_t>(Length);
  return true;
}

bool TRandomBuffer::FillBuffer(std::int32_t RandomnessInInteger) {
  if (FLength == 0) {
    return false;
  }
  // Default floating-point rounding: to nearest, halves to the even neighbour.
  const double Wanted = std::nearbyint(RandomnessInInteger / 100.0 * FLength);
  const double Clamped = Wanted < 0.0 ? 0.0 : (Wanted > FLength ? FLength : Wanted);
  try {
    TryToFillBuffer(static_cast<std::size_t>(Clamped));
  } catch (...) {
    return false;
  }
  return true;
}

// Sequential on purpose: every byte comes from the one generator, whose draws must not
// overlap, so splitting the fill across threads only adds hand-over cost to a loop that is
// bound by the generator. Drawing a run of outputs at once and storing them as they come is
// as fast as the generator itself.
void TRandomBuffer::TryToFillBuffer(std::size_t Randomness) {
  std::byte* Bytes = FBuffer.Data();
  const std::size_t Length = static_cast<std::size_t>(FLength);
  constexpr std::size_t ChunkWords = 4096;
  std::uint32_t Words[ChunkWords];
  std::size_t Position = 0;
  while (Position < Randomness) {
    const std::size_t Left = Randomness - Position;
    const std::size_t WordCount = std::min(ChunkWords, (Left + 3) / 4);
    Generate(Words, WordCount);
    const std::size_t ByteCount = std::min(Left, WordCount * 4);
    // Byte k of an output is (output >> 8k) & 255: least significant first on any host.
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(Bytes + Position, Words, ByteCount);
    } else {
      for (std::size_t I = 0; I < ByteCount; ++I) {
        Bytes[Position + I] = static_cast<std::byte>((Words[I / 4] >> (8 * (I % 4))) & 0xFFU);
      }
    }
    Position += ByteCount;
  }
  std::memset(Bytes + Randomness, 0, Length - Randomness);
}

bool TRandomBuffer::DeleteCache() {
  FBuffer.Release();
  FLength = 0;
  return true;
}
