#include "engine/uMTforDel.h"

namespace {

constexpr std::uint32_t MatrixA = 0x9908B0DFU;
constexpr std::uint32_t UpperMask = 0x80000000U;
constexpr std::uint32_t LowerMask = 0x7FFFFFFFU;

constexpr std::uint32_t Twist(std::uint32_t Upper, std::uint32_t Lower, std::uint32_t Far) {
  const std::uint32_t Y = (Upper & UpperMask) | (Lower & LowerMask);
  return Far ^ (Y >> 1) ^ ((Y & 1U) != 0 ? MatrixA : 0U);
}

}  // namespace

void TMersenne::init_genrand(std::uint32_t Seed) {
  mt[0] = Seed;
  for (int I = 1; I < N; ++I) {
    mt[I] = 1812433253U * (mt[I - 1] ^ (mt[I - 1] >> 30)) + static_cast<std::uint32_t>(I);
  }
  mti = N;
}

void TMersenne::Regenerate() {
  if (mti == N + 1) {
    init_genrand(DefaultSeed);
  }
  int K = 0;
  for (; K < N - M; ++K) {
    mt[K] = Twist(mt[K], mt[K + 1], mt[K + M]);
  }
  for (; K < N - 1; ++K) {
    mt[K] = Twist(mt[K], mt[K + 1], mt[K + M - N]);
  }
  mt[N - 1] = Twist(mt[N - 1], mt[0], mt[M - 1]);
  mti = 0;
}

std::uint32_t TMersenne::Temper(std::uint32_t Y) {
  Y ^= Y >> 11;
  Y ^= (Y << 7) & 0x9D2C5680U;
  Y ^= (Y << 15) & 0xEFC60000U;
  Y ^= Y >> 18;
  return Y;
}

std::uint32_t TMersenne::genrand_int32() {
  if (mti >= N) {
    Regenerate();
  }
  return Temper(mt[mti++]);
}

void TMersenne::Generate(std::uint32_t* Out, std::size_t Count) {
  while (Count > 0) {
    if (mti >= N) {
      Regenerate();
    }
    // Temper a whole run of ready state words in one tight loop.
    std::size_t Ready = static_cast<std::size_t>(N - mti);
    if (Ready > Count) {
      Ready = Count;
    }
    const std::uint32_t* State = mt.data() + mti;
    for (std::size_t I = 0; I < Ready; ++I) {
      Out[I] = Temper(State[I]);
    }
    mti += static_cast<int>(Ready);
    Out += Ready;
    Count -= Ready;
  }
}
