#pragma once

#include <cstdint>
#include <map>

// The drive's positions (4 KiB blocks) as the filesystem hands them out: always the lowest free
// block first, so that on an empty drive positions follow the order of writes across all files
// (as a flash translation layer fills its pages), and a deleted file's blocks are handed out
// again before the drive grows further.
namespace SimDrive {

class TBlockPool {
 public:
  explicit TBlockPool(std::uint32_t Blocks);

  std::uint64_t FreeBlocks() const { return FFreeCount; }
  std::uint64_t Blocks() const { return FBlocks; }
  // The lowest free block; only called while FreeBlocks() > 0.
  std::uint32_t Allocate();
  void Free(std::uint32_t First, std::uint32_t Count);

 private:
  // Free runs keyed by their end (one past the last block), holding their first block: taking
  // a run's first block then never changes its key.
  std::map<std::uint32_t, std::uint32_t> FFreeRuns;
  std::uint64_t FBlocks;
  std::uint64_t FFreeCount;
};

}  // namespace SimDrive
