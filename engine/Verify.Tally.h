#pragma once

#include <cstdint>
#include <optional>

// What one 4 KiB sector read back turned out to be.
enum class TSectorState : std::uint8_t {
  Intact,            // the bytes written, at the place they were written to
  FewBitsChanged,    // in place, but a few bits differ (FewBitsLimit or fewer)
  ManyBytesChanged,  // in place, but more differs: other data, zeros, a stale sector
  Overwritten,       // a sector this pass wrote to another place: the drive wrapped around
  Unreadable,        // the drive gave a read error, or the file ended before it
};

// A sector whose bits differ in at most this many places counts as a few bits changed.
inline constexpr int FewBitsLimit = 8;

// Where a damaged sector lies: its file's number, its offset in that file and its offset from
// the pass's first byte (all the pass's files one after the other), in bytes.
struct TDamagePlace {
  std::int32_t File = 0;
  std::int64_t Offset = 0;
  std::int64_t PassOffset = 0;

  bool operator==(const TDamagePlace&) const = default;
};

// A pass's read-back, counted in sectors as they are checked, in the order written.
struct TVerifyTally {
  std::int64_t WrittenSectors = 0;  // what the pass wrote and is to read back
  std::int64_t IntactSectors = 0;
  std::int64_t FewBitsSectors = 0;
  std::int64_t ManyBytesSectors = 0;
  std::int64_t OverwrittenSectors = 0;
  std::int64_t UnreadableSectors = 0;
  // The first damaged sector in the pass's order; none while everything read is intact.
  std::optional<TDamagePlace> FirstDamage;
  // Time of the timed reads alone, without the checking.
  double ReadSeconds = 0;

  void Add(TSectorState State, const TDamagePlace& Place);
  std::int64_t ReadSectors() const {
    return IntactSectors + FewBitsSectors + ManyBytesSectors + OverwrittenSectors +
           UnreadableSectors;
  }
  std::int64_t DamagedSectors() const { return ReadSectors() - IntactSectors; }
  // Everything written was read back (the read was not cancelled).
  bool Complete() const { return ReadSectors() == WrittenSectors; }
  // The data up to the first damaged sector, or all that was read when nothing was damaged.
  std::int64_t UsableSectors() const;
  // What the drive really stores, where the read-back found data overwritten by other places
  // (a drive that wraps around) or lost (replaced by other bytes, zeros): the distinct intact
  // data, every intact sector being the one written to its place. None when nothing was lost
  // so, or the read-back was not complete.
  std::optional<std::int64_t> StoredSectors() const;

  bool operator==(const TVerifyTally&) const = default;
};
