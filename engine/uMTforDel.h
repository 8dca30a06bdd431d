#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The 32-bit Mersenne Twister MT19937 with the reference seeding by one integer and the
// reference 32-bit output. Not thread-safe: its state changes with every output.
class TMersenne {
 public:
  static constexpr int N = 624;
  static constexpr int M = 397;
  static constexpr std::uint32_t DefaultSeed = 5489U;

  // Unseeded: the first output seeds with DefaultSeed, as the reference code does.
  TMersenne() = default;
  explicit TMersenne(std::uint32_t Seed) { init_genrand(Seed); }
  virtual ~TMersenne() = default;

  void init_genrand(std::uint32_t Seed);
  std::uint32_t genrand_int32();

  // Count outputs of genrand_int32, in order, without the per-call index test.
  void Generate(std::uint32_t* Out, std::size_t Count);

 private:
  void Regenerate();
  static std::uint32_t Temper(std::uint32_t Word);

  std::array<std::uint32_t, N> mt{};
  // N + 1 means "not seeded yet"; N means "regenerate before the next output".
  int mti = N + 1;
};
