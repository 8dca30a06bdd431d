#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The contents of the drive's physical blocks, each distinct 4 KiB content kept once. Memory
// is what the distinct data needs, not what was written: Varnell writes one 8 MiB block over and
// over, so a full 2 GiB drive holds 8 MiB. It also spares most writes the first touch of fresh
// memory, which on a virtual machine can cost more than the copy (150 MiB/s was measured).
namespace SimDrive {

class TStore {
 public:
  static constexpr std::uint32_t NoChunk = 0xFFFFFFFF;

  explicit TStore(std::uint64_t PhysicalBlocks);
  ~TStore();
  TStore(const TStore&) = delete;
  TStore& operator=(const TStore&) = delete;

  std::uint64_t Blocks() const { return FBlocks; }
  // The block's 4 KiB, or nullptr for a block that reads as zeros.
  const std::byte* Read(std::uint64_t Block) const;
  void Write(std::uint64_t Block, const std::byte* Data);
  // Writes part of a block; the rest keeps what the block held, or zeros when Fresh.
  void Patch(std::uint64_t Block, std::size_t Offset, const std::byte* Data, std::size_t Length,
             bool Fresh);
  void Clear(std::uint64_t Block);
  std::uint64_t DistinctBlocks() const { return FRefs.size() - FFreeChunks.size(); }

 private:
  std::byte* Chunk(std::uint32_t Id) const;
  std::uint32_t Intern(const std::byte* Data);
  std::uint32_t Predicted(const std::byte* Data) const;
  std::uint32_t Stored(const std::byte* Data);
  void Drop(std::uint32_t Id);

  std::uint64_t FBlocks;
  // Per physical block, the id of its chunk plus one; 0 reads as zeros. Mapped untouched, so
  // blocks never written cost nothing.
  std::uint32_t* FChunkOf;
  std::vector<std::byte*> FSlabs;
  std::vector<std::uint32_t> FRefs;
  std::vector<std::uint64_t> FHashes;
  std::vector<std::uint32_t> FFreeChunks;
  // The content that followed each chunk the last time it was written, and the last chunk
  // written: a stream that repeats itself is recognised by one comparison a block, without
  // hashing it.
  std::vector<std::uint32_t> FNext;
  std::uint32_t FLast = NoChunk;
  // Distinct contents by hash; a chunk whose hash is taken by other bytes is kept unindexed.
  std::unordered_map<std::uint64_t, std::uint32_t> FByHash;
};

}  // namespace SimDrive
