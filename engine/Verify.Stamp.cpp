#include "engine/Verify.Stamp.h"

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

std::uint64_t CheckOf(const TSectorStamp& Stamp) {
  const std::uint64_t PassAndFile =
      (std::uint64_t{Stamp.Pass} << 32) | static_cast<std::uint32_t>(Stamp.File);
  return Mix(Mix(Mix(Stamp.Run ^ 0x5661726e656c6c31ULL) ^ PassAndFile) ^
             static_cast<std::uint64_t>(Stamp.Offset));
}

void Put(std::byte* At, std::uint64_t Value, int Bytes) {
  for (int Index = 0; Index < Bytes; ++Index) {
    At[Index] = static_cast<std::byte>(Value >> (8 * Index));
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

void WriteStamp(std::byte* Sector, const TSectorStamp& Stamp) {
  Put(Sector, Stamp.Run, 8);
  Put(Sector + 8, Stamp.Pass, 4);
  Put(Sector + 12, static_cast<std::uint32_t>(Stamp.File), 4);
  Put(Sector + 16, static_cast<std::uint64_t>(Stamp.Offset), 8);
  Put(Sector + 24, CheckOf(Stamp), 8);
}

std::optional<TSectorStamp> ReadStamp(const std::byte* Sector) {
  TSectorStamp Stamp;
  Stamp.Run = Get(Sector, 8);
  Stamp.Pass = static_cast<std::uint32_t>(Get(Sector + 8, 4));
  Stamp.File = static_cast<std::int32_t>(static_cast<std::uint32_t>(Get(Sector + 12, 4)));
  Stamp.Offset = static_cast<std::int64_t>(Get(Sector + 16, 8));
  if (Get(Sector + 24, 8) != CheckOf(Stamp)) {
    return std::nullopt;
  }
  return Stamp;
}

void StampBlock(std::byte* Block, std::size_t Length, std::uint64_t Run, std::uint32_t Pass,
                std::int32_t File, std::int64_t Offset) {
  TSectorStamp Stamp{Run, Pass, File, Offset};
  for (std::size_t At = 0; At + SectorBytes <= Length; At += SectorBytes) {
    WriteStamp(Block + At, Stamp);
    Stamp.Offset += static_cast<std::int64_t>(SectorBytes);
  }
}
