#include "engine/Verify.Check.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::size_t BodyBytes = SectorBytes - StampBytes;

// The sector of the block that a file's sector at Offset carries past its stamp.
const std::byte* BodyAt(const TWrittenData& Written, std::int64_t Offset) {
  const auto InBlock = static_cast<std::size_t>(Offset) % Written.BlockLength;
  return Written.Block + InBlock + StampBytes;
}

int DifferingBits(const std::byte* A, const std::byte* B, std::size_t Length, int Enough) {
  int Bits = 0;
  for (std::size_t Index = 0; Index < Length && Bits <= Enough; ++Index) {
    Bits += std::popcount(std::to_integer<unsigned>(A[Index] ^ B[Index]));
  }
  return Bits;
}

// A sector of this pass that belongs elsewhere, whole: its stamp is sound and names another
// place of the pass, and past the stamp it is the block as that place had it.
bool IsFromElsewhere(const std::byte* Sector, const TWrittenData& Written, std::int32_t File,
                     std::int64_t Offset) {
  const auto Stamp = ReadStamp(Sector);
  if (!Stamp || Stamp->Run != Written.Run || Stamp->Pass != Written.Pass) {
    return false;
  }
  if ((Stamp->File == File && Stamp->Offset == Offset) || Stamp->Offset < 0 ||
      Stamp->Offset % static_cast<std::int64_t>(SectorBytes) != 0) {
    return false;
  }
  return std::memcmp(Sector + StampBytes, BodyAt(Written, Stamp->Offset), BodyBytes) == 0;
}

TSectorState Classify(const std::byte* Sector, const TWrittenData& Written, const TStamper& Stamper,
                      std::int32_t File, std::int64_t Offset) {
  std::byte Expected[StampBytes];
  Stamper.Write(Expected, Offset);
  const std::byte* Body = BodyAt(Written, Offset);
  if (std::memcmp(Sector, Expected, StampBytes) == 0 &&
      std::memcmp(Sector + StampBytes, Body, BodyBytes) == 0) {
    return TSectorState::Intact;
  }
  if (IsFromElsewhere(Sector, Written, File, Offset)) {
    return TSectorState::Overwritten;
  }
  const int Bits = DifferingBits(Sector, Expected, StampBytes, FewBitsLimit) +
                   DifferingBits(Sector + StampBytes, Body, BodyBytes, FewBitsLimit);
  return Bits <= FewBitsLimit ? TSectorState::FewBitsChanged : TSectorState::ManyBytesChanged;
}

}  // namespace

TSectorState ClassifySector(const std::byte* Sector, const TWrittenData& Written, std::int32_t File,
                            std::int64_t Offset) {
  return Classify(Sector, Written, TStamper(Written.Run, Written.Pass, File), File, Offset);
}

void CheckSectors(const std::byte* Data, std::size_t Length, const TWrittenData& Written,
                  std::int32_t File, std::int64_t Offset, std::int64_t PassOffset,
                  TVerifyTally& Tally) {
  const TStamper Stamper(Written.Run, Written.Pass, File);
  for (std::size_t At = 0; At + SectorBytes <= Length; At += SectorBytes) {
    const auto Step = static_cast<std::int64_t>(At);
    Tally.Add(Classify(Data + At, Written, Stamper, File, Offset + Step),
              {File, Offset + Step, PassOffset + Step});
  }
}
