#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Drive.Io.h"
#include "daemon/SimDrive.Store.h"

// The drive keeps each distinct 4 KiB content once: whatever it shares, every block must read
// back exactly what was last written to it.
namespace {

using namespace SimDrive;

std::vector<std::byte> Stamped(std::uint32_t Tag, std::uint64_t Index) {
  std::vector<std::byte> Block(BlockBytes);
  DriveIo::StampBlock(Block.data(), Tag, Index);
  return Block;
}

void ExpectHolds(const TStore& Store, std::uint64_t Block, const std::vector<std::byte>& Data) {
  const std::byte* Stored = Store.Read(Block);
  ASSERT_NE(Stored, nullptr) << "block " << Block << " reads as zeros";
  EXPECT_EQ(std::memcmp(Stored, Data.data(), BlockBytes), 0) << "block " << Block;
}

TEST(SimDriveStore, ARepeatedStreamIsKeptOnceAndEveryBlockReadsBackItsOwnData) {
  TStore Store(64);
  // Eight blocks written four times over (Varnell's pattern): eight contents in memory.
  for (std::uint64_t Block = 0; Block < 32; ++Block) {
    Store.Write(Block, Stamped(1, Block % 8).data());
  }
  EXPECT_EQ(Store.DistinctBlocks(), 8u);
  // Overwriting blocks breaks the stream: what the stream predicted must not be taken blindly.
  Store.Write(9, Stamped(2, 0).data());
  Store.Write(10, Stamped(1, 2).data());
  Store.Write(11, Stamped(1, 7).data());
  for (std::uint64_t Block = 0; Block < 32; ++Block) {
    const auto Expected = Block == 9    ? Stamped(2, 0)
                          : Block == 11 ? Stamped(1, 7)
                                        : Stamped(1, Block % 8);
    ExpectHolds(Store, Block, Expected);
  }
  EXPECT_EQ(Store.Read(40), nullptr) << "a block never written reads as zeros";
}

TEST(SimDriveStore, AFreedContentIsNeverRevivedByTheStream) {
  TStore Store(8);
  const auto A = Stamped(1, 0);
  const auto B = Stamped(1, 1);
  const auto C = Stamped(3, 3);
  Store.Write(0, A.data());
  Store.Write(1, B.data());
  Store.Clear(1);  // B's memory is free now, though the stream still says B follows A
  Store.Write(2, A.data());
  Store.Write(3, B.data());  // B again: reviving the freed memory...
  Store.Write(4, C.data());  // ...would let the next new content overwrite it
  ExpectHolds(Store, 0, A);
  ExpectHolds(Store, 3, B);
  ExpectHolds(Store, 4, C);
  EXPECT_EQ(Store.DistinctBlocks(), 3u);
}

TEST(SimDriveStore, PartsOfBlocksAndZerosKeepTheRestOfTheBlock) {
  TStore Store(4);
  const auto Full = Stamped(5, 0);
  Store.Write(0, Full.data());
  const std::byte Part[100] = {std::byte{0xAB}};
  // Into a block that holds data: the rest stays; into a fresh one: the rest is zeros.
  Store.Patch(0, 1000, Part, sizeof Part, false);
  Store.Patch(1, 1000, Part, sizeof Part, true);
  auto Expected = Full;
  std::memcpy(Expected.data() + 1000, Part, sizeof Part);
  ExpectHolds(Store, 0, Expected);
  std::vector<std::byte> Fresh(BlockBytes);
  std::memcpy(Fresh.data() + 1000, Part, sizeof Part);
  ExpectHolds(Store, 1, Fresh);
  // Zeros take no memory: the block simply reads as zeros again.
  const std::vector<std::byte> Zeros(BlockBytes);
  Store.Write(1, Zeros.data());
  EXPECT_EQ(Store.Read(1), nullptr);
  EXPECT_EQ(Store.DistinctBlocks(), 1u);
}

}  // namespace
