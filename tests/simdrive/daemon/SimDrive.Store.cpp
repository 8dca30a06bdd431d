#include "SimDrive.Store.h"

#include <sys/mman.h>

#include <cstring>
#include <new>

#include "SimDrive.Config.h"

namespace SimDrive {

namespace {

constexpr std::size_t ChunksPerSlab = 512;  // 2 MiB slabs
constexpr std::size_t SlabBytes = ChunksPerSlab * BlockBytes;
constexpr std::uint32_t Zero = 0;

std::uint64_t Word(const std::byte* Data) {
  std::uint64_t Value;
  std::memcpy(&Value, Data, sizeof Value);
  return Value;
}

// Four independent lanes keep the multiplier busy; the end mixes them thoroughly. Two
// different blocks with one hash only cost the sharing of one of them.
std::uint64_t HashOf(const std::byte* Block) {
  constexpr std::uint64_t Multiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t Lanes[4] = {0x243F6A8885A308D3ULL, 0x13198A2E03707344ULL, 0xA4093822299F31D0ULL,
                            0x082EFA98EC4E6C89ULL};
  for (std::size_t Offset = 0; Offset < BlockBytes; Offset += 32) {
    for (int Lane = 0; Lane < 4; ++Lane) {
      const std::uint64_t Mixed = (Lanes[Lane] ^ Word(Block + Offset + 8 * Lane)) * Multiplier;
      Lanes[Lane] = Mixed ^ (Mixed >> 31);
    }
  }
  std::uint64_t Hash = Lanes[0];
  for (int Lane = 1; Lane < 4; ++Lane) {
    Hash = (Hash ^ ((Lanes[Lane] << (16 * Lane)) | (Lanes[Lane] >> (64 - 16 * Lane)))) * Multiplier;
  }
  Hash ^= Hash >> 33;
  Hash *= 0xFF51AFD7ED558CCDULL;
  Hash ^= Hash >> 33;
  return Hash;
}

const std::byte ZeroBlock[BlockBytes] = {};

}  // namespace

TStore::TStore(std::uint64_t PhysicalBlocks) : FBlocks(PhysicalBlocks) {
  void* Table = mmap(nullptr, PhysicalBlocks * sizeof(std::uint32_t), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (Table == MAP_FAILED) {
    throw std::bad_alloc();
  }
  FChunkOf = static_cast<std::uint32_t*>(Table);
}

TStore::~TStore() {
  munmap(FChunkOf, FBlocks * sizeof(std::uint32_t));
  for (std::byte* Slab : FSlabs) {
    munmap(Slab, SlabBytes);
  }
}

std::byte* TStore::Chunk(std::uint32_t Id) const {
  return FSlabs[Id / ChunksPerSlab] + (Id % ChunksPerSlab) * BlockBytes;
}

const std::byte* TStore::Read(std::uint64_t Block) const {
  const std::uint32_t Entry = FChunkOf[Block];
  return Entry == Zero ? nullptr : Chunk(Entry - 1);
}

std::uint32_t TStore::Intern(const std::byte* Data) {
  std::uint32_t Id = Predicted(Data);
  if (Id == NoChunk) {
    Id = Stored(Data);
  } else {
    ++FRefs[Id];
  }
  if (FLast != NoChunk) {
    FNext[FLast] = Id;
  }
  FLast = Id;
  return Id;
}

std::uint32_t TStore::Predicted(const std::byte* Data) const {
  if (FLast == NoChunk) {
    return NoChunk;
  }
  const std::uint32_t Next = FNext[FLast];
  // A chunk freed since holds stale bytes and sits on the free list: never bring it back.
  if (Next == NoChunk || FRefs[Next] == 0 || std::memcmp(Chunk(Next), Data, BlockBytes) != 0) {
    return NoChunk;
  }
  return Next;
}

std::uint32_t TStore::Stored(const std::byte* Data) {
  const std::uint64_t Hash = HashOf(Data);
  const auto Found = FByHash.find(Hash);
  if (Found != FByHash.end() && std::memcmp(Chunk(Found->second), Data, BlockBytes) == 0) {
    ++FRefs[Found->second];
    return Found->second;
  }
  std::uint32_t Id;
  if (!FFreeChunks.empty()) {
    Id = FFreeChunks.back();
    FFreeChunks.pop_back();
  } else {
    Id = static_cast<std::uint32_t>(FRefs.size());
    if (Id % ChunksPerSlab == 0) {
      void* Slab = mmap(nullptr, SlabBytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (Slab == MAP_FAILED) {
        throw std::bad_alloc();
      }
      FSlabs.push_back(static_cast<std::byte*>(Slab));
    }
    FRefs.push_back(0);
    FHashes.push_back(0);
    FNext.push_back(NoChunk);
  }
  std::memcpy(Chunk(Id), Data, BlockBytes);
  FRefs[Id] = 1;
  FHashes[Id] = Hash;
  FNext[Id] = NoChunk;
  if (Found == FByHash.end()) {
    FByHash.emplace(Hash, Id);
  }
  return Id;
}

void TStore::Drop(std::uint32_t Id) {
  if (--FRefs[Id] > 0) {
    return;
  }
  if (const auto Found = FByHash.find(FHashes[Id]); Found != FByHash.end() && Found->second == Id) {
    FByHash.erase(Found);
  }
  FFreeChunks.push_back(Id);
}

void TStore::Write(std::uint64_t Block, const std::byte* Data) {
  const std::uint32_t Old = FChunkOf[Block];
  // Zeros are no content at all: a drive written with zeros holds no memory.
  const bool Zeros = std::memcmp(Data, ZeroBlock, BlockBytes) == 0;
  const std::uint32_t New = Zeros ? Zero : Intern(Data) + 1;
  FChunkOf[Block] = New;
  if (Old != Zero) {
    Drop(Old - 1);
  }
}

void TStore::Patch(std::uint64_t Block, std::size_t Offset, const std::byte* Data,
                   std::size_t Length, bool Fresh) {
  alignas(64) std::byte Whole[BlockBytes];
  const std::byte* Before = Fresh ? nullptr : Read(Block);
  std::memcpy(Whole, Before != nullptr ? Before : ZeroBlock, BlockBytes);
  std::memcpy(Whole + Offset, Data, Length);
  Write(Block, Whole);
}

void TStore::Clear(std::uint64_t Block) {
  const std::uint32_t Old = FChunkOf[Block];
  FChunkOf[Block] = Zero;
  if (Old != Zero) {
    Drop(Old - 1);
  }
}

}  // namespace SimDrive
