#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// With verification on, every 4 KiB sector a pass writes begins with a stamp that names its own
// place: the run, the pass, the file and the offset in it, and a check over them. The rest of the
// sector is the random block's, unchanged. A sector read back from elsewhere on the drive, or left
// over from an earlier pass or run, then says so.
//
// The stamp's bytes, little-endian whatever the host:
//    0  8  run number (random, drawn once per run)
//    8  4  pass number within the run
//   12  4  file number (Randomfile<number>)
//   16  8  offset of the sector in its file, in bytes
//   24  8  check over the four fields above
inline constexpr std::size_t SectorBytes = 4096;
inline constexpr std::size_t StampBytes = 32;

struct TSectorStamp {
  std::uint64_t Run = 0;
  std::uint32_t Pass = 0;
  std::int32_t File = 0;
  std::int64_t Offset = 0;

  bool operator==(const TSectorStamp&) const = default;
};

// Makes the stamps of one file of one pass: what they share is prepared once, so that each
// sector costs a few stores and one round of mixing.
class TStamper {
 public:
  TStamper(std::uint64_t Run, std::uint32_t Pass, std::int32_t File);
  // Writes the stamp of the sector at Offset into the first StampBytes of Sector.
  void Write(std::byte* Sector, std::int64_t Offset) const;

 private:
  std::byte FHead[16];  // run, pass and file, as they stand in every stamp
  std::uint64_t FPrefix;
};

// Writes the stamp into the first StampBytes of Sector.
void WriteStamp(std::byte* Sector, const TSectorStamp& Stamp);
// The stamp at the start of Sector, or nothing when its check does not match its fields (not a
// stamp, or a damaged one).
std::optional<TSectorStamp> ReadStamp(const std::byte* Sector);

// Stamps every sector of Block (Length bytes, whole sectors), the first as the sector at Offset of
// File, the next at Offset + SectorBytes, and so on. Only the stamps' bytes change.
void StampBlock(std::byte* Block, std::size_t Length, std::uint64_t Run, std::uint32_t Pass,
                std::int32_t File, std::int64_t Offset);
