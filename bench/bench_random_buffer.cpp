// Filling the 8 MiB test block against drawing as many outputs from std::mt19937: the fill
// should cost at most twice the bare draws.
#include <benchmark/benchmark.h>

#include <random>

#include "engine/RandomBuffer.h"

namespace {

constexpr std::uint32_t BlockKiB = 8192;
constexpr std::size_t OutputsPerBlock = BlockKiB * 1024 / 4;  // 2,097,152

void BM_FillBuffer100(benchmark::State& State) {
  TRandomBuffer Buffer(12345);
  if (!Buffer.CreateBuffer(BlockKiB)) {
    State.SkipWithError("no memory for the buffer");
    return;
  }
  for (auto _ : State) {
    benchmark::DoNotOptimize(Buffer.FillBuffer(100));
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * Buffer.GetLength());
}
BENCHMARK(BM_FillBuffer100)->Unit(benchmark::kMillisecond);

void BM_StdMt19937Draws(benchmark::State& State) {
  std::mt19937 Generator(12345);
  for (auto _ : State) {
    std::uint32_t Sum = 0;
    for (std::size_t I = 0; I < OutputsPerBlock; ++I) {
      Sum ^= Generator();
    }
    benchmark::DoNotOptimize(Sum);
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * OutputsPerBlock * 4));
}
BENCHMARK(BM_StdMt19937Draws)->Unit(benchmark::kMillisecond);

void BM_TMersenneDraws(benchmark::State& State) {
  TMersenne Generator(12345);
  for (auto _ : State) {
    std::uint32_t Sum = 0;
    for (std::size_t I = 0; I < OutputsPerBlock; ++I) {
      Sum ^= Generator.genrand_int32();
    }
    benchmark::DoNotOptimize(Sum);
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * OutputsPerBlock * 4));
}
BENCHMARK(BM_TMersenneDraws)->Unit(benchmark::kMillisecond);

}  // namespace
