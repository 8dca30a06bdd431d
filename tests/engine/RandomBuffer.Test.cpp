#include "engine/RandomBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint32_t Seed = 20240501U;

// Byte p of the random prefix, as a fresh generator drawn in order gives it: least
// significant byte of each output first.
std::vector<std::uint8_t> ExpectedPrefix(std::size_t Length) {
  TMersenne Generator(Seed);
  std::vector<std::uint8_t> Bytes(Length);
  std::uint32_t Output = 0;
  for (std::size_t P = 0; P < Length; ++P) {
    Output = P % 4 == 0 ? Generator.genrand_int32() : Output >> 8;
    Bytes[P] = static_cast<std::uint8_t>(Output & 0xFF);
  }
  return Bytes;
}

// The buffer must hold exactly the generator's outputs in order for RandomBytes bytes, and
// zero after them.
void ExpectFill(const TRandomBuffer& Buffer, std::size_t RandomBytes) {
  const auto* Bytes = reinterpret_cast<const std::uint8_t*>(Buffer.GetRawBuffer());
  std::vector<std::uint8_t> Expected = ExpectedPrefix(RandomBytes);
  Expected.resize(static_cast<std::size_t>(Buffer.GetLength()), 0);
  if (std::memcmp(Expected.data(), Bytes, Expected.size()) != 0) {
    const auto Difference = std::mismatch(Expected.begin(), Expected.end(), Bytes);
    ADD_FAILURE() << "first difference at position " << (Difference.first - Expected.begin());
  }
}

TEST(RandomBuffer, FillsTheAskedShareFromTheGeneratorInOrder) {
  struct TCase {
    std::uint32_t KiB;
    std::int32_t Randomness;
    std::size_t RandomBytes;
  };
  const TCase Cases[] = {
      {8192, 100, 8388608},
      {8192, 50, 4194304},
      {8192, 0, 0},
      {8192, 150, 8388608},
      {1, 1, 10},  // 10.24 rounds to 10: the third output gives only its two
                   // low bytes
      {1, -20, 0},
      {1, 3, 31},  // 30.72 -> 31
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(testing::Message() << Case.KiB << " KiB, " << Case.Randomness << " %");
    TRandomBuffer Buffer(Seed);
    ASSERT_TRUE(Buffer.CreateBuffer(Case.KiB));
    ASSERT_EQ(Buffer.GetLength(), static_cast<std::int32_t>(Case.KiB * 1024));
    ASSERT_TRUE(Buffer.FillBuffer(Case.Randomness));
    ExpectFill(Buffer, Case.RandomBytes);
  }
}

TEST(RandomBuffer, RefillOverwritesEarlierRandomBytesWithZero) {
  TRandomBuffer Buffer(Seed);
  ASSERT_TRUE(Buffer.CreateBuffer(4));
  ASSERT_TRUE(Buffer.FillBuffer(100));
  ASSERT_TRUE(Buffer.FillBuffer(0));
  ExpectFill(Buffer, 0);
}

TEST(RandomBuffer, EmptyBufferRefusesToFillAndDrawsNothing) {
  TRandomBuffer Buffer(Seed);
  EXPECT_EQ(Buffer.GetLength(), 0);
  EXPECT_FALSE(Buffer.FillBuffer(100));
  EXPECT_EQ(Buffer.genrand_int32(), TMersenne(Seed).genrand_int32());

  ASSERT_TRUE(Buffer.CreateBuffer(8));
  EXPECT_TRUE(Buffer.DeleteCache());
  EXPECT_EQ(Buffer.GetLength(), 0);
  EXPECT_EQ(Buffer.GetRawBuffer(), nullptr);
  EXPECT_FALSE(Buffer.FillBuffer(100));
}

TEST(RandomBuffer, IsAlignedForUnbufferedWritesAndRefusesLengthsBeyond32Bits) {
  TRandomBuffer Buffer(Seed);
  for (const std::uint32_t KiB : {1U, 3U, 8192U}) {
    ASSERT_TRUE(Buffer.CreateBuffer(KiB));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(Buffer.GetRawBuffer()) % TRandomBuffer::Alignment,
              0U);
  }
  // 2 GiB does not fit the signed 32-bit length.
  EXPECT_FALSE(Buffer.CreateBuffer(2U * 1024 * 1024));
  EXPECT_EQ(Buffer.GetLength(), 0);
}

}  // namespace
