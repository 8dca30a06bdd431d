#include "engine/Verify.Stamp.h"

#include <bit>
#include <cstring>

namespace {

// The finaliser of SplitMix64: every input bit reaches every output bit, so a stamp whose fields
// were changed, or a random sector that merely looks like one, fails the check but for a chance
// of 2^-64.
constexpr std::uint64_t Mix(std::uint64_t Value) {
  Value ^= Value >> 30;
  Value *= 0xbf58476d1ce4e5b9ULL;
  Value ^= Value >> 27;
  Value *= 0x94d049bb133111ebULL;
  return Value ^ (Value >> 31);
}

// The check mixes the fields in turn; its first two rounds depend on the run, the pass and the
// file alone.
std::uint64_t PrefixOf(std::uint64_t Run, std::uint32_t Pass, std::int32_t File) {
  const std::uint64_t PassAndFile = (std::uint64_t{Pass} << 32) | static_cast<std::uint32_t>(File);
  return Mix(Mix(Run ^ 0x5661726e656c6c31ULL) ^ PassAndFile);
}

std::uint64_t CheckOf(std::uint64_t Prefix, std::int64_t Offset) {
  return Mix(Prefix ^ static_cast<std::uint64_t>(Offset));
}

void Put(std::byte* At, std::uint64_t Value, int Bytes) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(At, &Value, static_cast<std::size_t>(Bytes));
  } else {
    for (int Index = 0; Index < Bytes; ++Index) {
      At[Index] = static_cast<std::byte>(Value >> (8 * Index));
    }
  }
}

std::uint64_t Get(const std::byte* At, int Bytes) {
  std::uint64_t Value = 0;
  for (int Index = 0; Index < Bytes; ++Index) {
    Value |= std::uint64_t{std::to_integer<std::uint8_t>(At[Index])} << (8 * Index);
  }
  return Value;
}

}  // namespace

TStamper::TStamper(std::uint64_t Run, std::uint32_t Pass, std::int32_t File)
    : FPrefix(PrefixOf(Run, Pass, File)) {
  Put(FHead, Run, 8);
  Put(FHead + 8, Pass, 4);
  Put(FHead + 12, static_cast<std::uint32_t>(File), 4);
}

void TStamper::Write(std::byte* Sector, std::int64_t Offset) const {
  std::memcpy(Sector, FHead, sizeof FHead);
  Put(Sector + 16, static_cast<std::uint64_t>(Offset), 8);
  Put(Sector + 24, CheckOf(FPrefix, Offset), 8);
}

void WriteStamp(std::byte* Sector, const TSectorStamp& Stamp) {
  TStamper(Stamp.Run, Stamp.Pass, Stamp.File).Write(Sector, Stamp.Offset);
}

std::optional<TSectorStamp> ReadStamp(const std::byte* Sector) {
  TSectorStamp Stamp;
  Stamp.Run = Get(Sector, 8);
  Stamp.Pass = static_cast<std::uint32_t>(Get(Sector + 8, 4));
  Stamp.File = static_cast<std::int32_t>(static_cast<std::uint32_t>(Get(Sector + 12, 4)));
  Stamp.Offset = static_cast<std::int64_t>(Get(Sector + 16, 8));
  if (Get(Sector + 24, 8) != CheckOf(PrefixOf(Stamp.Run, Stamp.Pass, Stamp.File), Stamp.Offset)) {
    return std::nullopt;
  }
  return Stamp;
}

void StampBlock(std::byte* Block, std::size_t Length, std::uint64_t Run, std::uint32_t Pass,
                std::int32_t File, std::int64_t Offset) {
  const TStamper Stamper(Run, Pass, File);
  for (std::size_t At = 0; At + SectorBytes <= Length; At += SectorBytes) {
    Stamper.Write(Block + At, Offset + static_cast<std::int64_t>(At));
  }
}
