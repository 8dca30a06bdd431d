#include "SimDrive.BlockPool.h"

#include <cassert>

namespace SimDrive {

TBlockPool::TBlockPool(std::uint32_t Blocks) : FBlocks(Blocks), FFreeCount(Blocks) {
  if (Blocks > 0) {
    FFreeRuns.emplace(Blocks, 0);
  }
}

std::uint32_t TBlockPool::Allocate() {
  assert(FFreeCount > 0);
  const auto Lowest = FFreeRuns.begin();
  const std::uint32_t Block = Lowest->second++;
  if (Lowest->second == Lowest->first) {
    FFreeRuns.erase(Lowest);
  }
  --FFreeCount;
  return Block;
}

void TBlockPool::Free(std::uint32_t First, std::uint32_t Count) {
  if (Count == 0) {
    return;
  }
  std::uint32_t Start = First;
  std::uint32_t End = First + Count;
  // A run ending right where this one starts joins it.
  if (const auto Before = FFreeRuns.find(Start); Before != FFreeRuns.end()) {
    Start = Before->second;
    FFreeRuns.erase(Before);
  }
  // So does the run starting right at its end: the first run ending after that end.
  if (const auto After = FFreeRuns.upper_bound(End);
      After != FFreeRuns.end() && After->second == End) {
    End = After->first;
    FFreeRuns.erase(After);
  }
  FFreeRuns.emplace(End, Start);
  FFreeCount += Count;
}

}  // namespace SimDrive
