#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/RandomBuffer.h"
#include "engine/Verify.Check.h"
#include "engine/Verify.Stamp.h"
#include "engine/Verify.Tally.h"

namespace {

constexpr std::uint64_t TheRun = 0x0123456789abcdefULL;
constexpr std::uint32_t Pass = 3;
constexpr std::size_t BlockSectors = 4;

// A small pass: a random block of four sectors, and files made of stamped copies of it.
struct TSmallPass {
  TRandomBuffer Random{77};
  TWrittenData Written;

  TSmallPass() {
    EXPECT_TRUE(Random.CreateBuffer(BlockSectors * SectorBytes / 1024));
    EXPECT_TRUE(Random.FillBuffer(100));
    Written = {Random.GetRawBuffer(), BlockSectors * SectorBytes, TheRun, Pass};
  }
  // The bytes the pass wrote to File from Offset on, Sectors long.
  std::vector<std::byte> Data(std::int32_t File, std::int64_t Offset, std::size_t Sectors,
                              std::uint32_t OfPass = Pass, std::uint64_t OfRun = TheRun) const {
    std::vector<std::byte> Bytes(Sectors * SectorBytes);
    for (std::size_t At = 0; At < Bytes.size(); At += SectorBytes) {
      const auto InBlock = (static_cast<std::size_t>(Offset) + At) % Written.BlockLength;
      std::memcpy(Bytes.data() + At, Written.Block + InBlock, SectorBytes);
    }
    StampBlock(Bytes.data(), Bytes.size(), OfRun, OfPass, File, Offset);
    return Bytes;
  }
};

void FlipBits(std::vector<std::byte>& Sector, std::size_t From, int Count) {
  for (int Bit = 0; Bit < Count; ++Bit) {
    Sector[From + static_cast<std::size_t>(Bit) * 97 % (SectorBytes - From)] ^= std::byte{0x10};
  }
}

TEST(VerifyStamp, RoundTripsInAFixedByteOrderAndRefusesAnythingElse) {
  std::byte Sector[SectorBytes] = {};
  const TSectorStamp Stamp{TheRun, 0x11223344U, -2, 0x0000000100002000LL};
  WriteStamp(Sector, Stamp);
  EXPECT_EQ(ReadStamp(Sector), Stamp);
  // Little-endian fields at fixed places: a drive read on another host still checks.
  EXPECT_EQ(Sector[0], std::byte{0xef});
  EXPECT_EQ(Sector[7], std::byte{0x01});
  EXPECT_EQ(Sector[8], std::byte{0x44});
  EXPECT_EQ(Sector[12], std::byte{0xfe});
  EXPECT_EQ(Sector[17], std::byte{0x20});
  EXPECT_EQ(Sector[20], std::byte{0x01});
  for (std::size_t Byte = 0; Byte < StampBytes; ++Byte) {
    std::byte Changed[SectorBytes];
    std::memcpy(Changed, Sector, SectorBytes);
    Changed[Byte] ^= std::byte{0x01};
    EXPECT_FALSE(ReadStamp(Changed)) << "a changed bit in byte " << Byte << " passed the check";
  }
  const std::byte Zeros[SectorBytes] = {};
  EXPECT_FALSE(ReadStamp(Zeros));
  TRandomBuffer Random(5);
  ASSERT_TRUE(Random.CreateBuffer(64) && Random.FillBuffer(100));
  for (std::size_t At = 0; At < 64 * 1024; At += SectorBytes) {
    EXPECT_FALSE(ReadStamp(Random.GetRawBuffer() + At));
  }
}

TEST(VerifyStamp, StampingChangesOnlyTheFirstBytesOfEachSector) {
  const TSmallPass Small;
  const std::vector<std::byte> Data = Small.Data(7, 8 * SectorBytes, BlockSectors);
  for (std::size_t Sector = 0; Sector < BlockSectors; ++Sector) {
    const std::byte* At = Data.data() + Sector * SectorBytes;
    EXPECT_EQ(ReadStamp(At), (TSectorStamp{TheRun, Pass, 7,
                                           static_cast<std::int64_t>((8 + Sector) * SectorBytes)}));
    EXPECT_EQ(std::memcmp(At + StampBytes, Small.Written.Block + Sector * SectorBytes + StampBytes,
                          SectorBytes - StampBytes),
              0);
  }
}

TEST(VerifyCheck, ClassifiesEachKindOfSector) {
  const TSmallPass Small;
  const std::int32_t File = 2;
  const std::int64_t Offset = 5 * SectorBytes;  // the block's second sector
  const auto Written = [&] { return Small.Data(File, Offset, 1); };
  struct TCase {
    const char* What;
    std::vector<std::byte> Sector;
    TSectorState Expected;
  };
  std::vector<TCase> Cases;
  Cases.push_back({"as written", Written(), TSectorState::Intact});
  for (const int Bits : {1, FewBitsLimit, FewBitsLimit + 1}) {
    auto Sector = Written();
    FlipBits(Sector, StampBytes, Bits);
    Cases.push_back(
        {"bits flipped in the body", Sector,
         Bits <= FewBitsLimit ? TSectorState::FewBitsChanged : TSectorState::ManyBytesChanged});
  }
  auto InStamp = Written();
  InStamp[13] ^= std::byte{0x04};  // the file number: no longer a sound stamp
  Cases.push_back({"a bit flipped in the stamp", InStamp, TSectorState::FewBitsChanged});
  Cases.push_back({"zeros", std::vector<std::byte>(SectorBytes), TSectorState::ManyBytesChanged});
  Cases.push_back({"another offset of the file", Small.Data(File, Offset + 7 * SectorBytes, 1),
                   TSectorState::Overwritten});
  Cases.push_back({"the same offset of another file", Small.Data(File - 1, Offset, 1),
                   TSectorState::Overwritten});
  auto ElsewhereFlipped = Small.Data(0, 0, 1);
  FlipBits(ElsewhereFlipped, StampBytes, 1);
  Cases.push_back({"from elsewhere and changed", ElsewhereFlipped, TSectorState::ManyBytesChanged});
  Cases.push_back({"this place in an earlier pass", Small.Data(File, Offset, 1, Pass - 1),
                   TSectorState::ManyBytesChanged});
  Cases.push_back({"this place in another run", Small.Data(File, Offset, 1, Pass, TheRun + 1),
                   TSectorState::ManyBytesChanged});
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    EXPECT_EQ(ClassifySector(Case.Sector.data(), Small.Written, File, Offset), Case.Expected);
  }
}

TEST(VerifyCheck, TalliesSectorsInOrderWithTheFirstDamage) {
  const TSmallPass Small;
  // Two files of two blocks each; the second file's third sector holds the first file's first,
  // its sixth a flipped bit.
  const std::int64_t FileBytes = 2 * BlockSectors * SectorBytes;
  TVerifyTally Tally;
  Tally.WrittenSectors = 4 * BlockSectors + 1;
  CheckSectors(Small.Data(0, 0, 2 * BlockSectors).data(), FileBytes, Small.Written, 0, 0, 0, Tally);
  EXPECT_FALSE(Tally.FirstDamage);
  EXPECT_EQ(Tally.UsableSectors(), 2 * static_cast<std::int64_t>(BlockSectors));
  std::vector<std::byte> Second = Small.Data(1, 0, 2 * BlockSectors);
  const std::vector<std::byte> Wrapped = Small.Data(0, 0, 1);
  std::memcpy(Second.data() + 2 * SectorBytes, Wrapped.data(), SectorBytes);
  Second[5 * SectorBytes + 100] ^= std::byte{0x80};
  CheckSectors(Second.data(), Second.size(), Small.Written, 1, 0, FileBytes, Tally);
  Tally.Add(TSectorState::Unreadable, {1, FileBytes, 2 * FileBytes});

  EXPECT_EQ(Tally.IntactSectors, 4 * static_cast<std::int64_t>(BlockSectors) - 2);
  EXPECT_EQ(Tally.OverwrittenSectors, 1);
  EXPECT_EQ(Tally.FewBitsSectors, 1);
  EXPECT_EQ(Tally.ManyBytesSectors, 0);
  EXPECT_EQ(Tally.UnreadableSectors, 1);
  EXPECT_EQ(Tally.DamagedSectors(), 3);
  EXPECT_TRUE(Tally.Complete());
  const std::int64_t Third = 2 * SectorBytes;
  EXPECT_EQ(Tally.FirstDamage, (TDamagePlace{1, Third, FileBytes + Third}));
  EXPECT_EQ(Tally.UsableSectors(), static_cast<std::int64_t>(2 * BlockSectors + 2));
  // A sector overwritten from another place: what the drive really stores is the intact data.
  EXPECT_EQ(Tally.StoredSectors(), std::optional<std::int64_t>(Tally.IntactSectors));
}

// Stored data is told only where data was overwritten or lost, over a whole read-back.
TEST(VerifyTally, StoredDataOnlyForOverwrittenOrLostData) {
  const struct {
    const char* What;
    std::vector<TSectorState> States;
    std::int64_t Written;
    std::optional<std::int64_t> Stored;
  } Cases[] = {
      {"intact", {TSectorState::Intact, TSectorState::Intact}, 2, std::nullopt},
      {"wrapped", {TSectorState::Intact, TSectorState::Overwritten}, 2, 1},
      {"dropped (zeros)", {TSectorState::Intact, TSectorState::ManyBytesChanged}, 2, 1},
      {"a few bits only", {TSectorState::Intact, TSectorState::FewBitsChanged}, 2, std::nullopt},
      {"unreadable only", {TSectorState::Intact, TSectorState::Unreadable}, 2, std::nullopt},
      {"cut short", {TSectorState::Intact, TSectorState::Overwritten}, 3, std::nullopt},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    TVerifyTally Tally;
    Tally.WrittenSectors = Case.Written;
    std::int64_t Offset = 0;
    for (const TSectorState State : Case.States) {
      Tally.Add(State, {0, Offset, Offset});
      Offset += SectorBytes;
    }
    EXPECT_EQ(Tally.StoredSectors(), Case.Stored);
  }
}

}  // namespace
