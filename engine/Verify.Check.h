#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Verify.Stamp.h"
#include "engine/Verify.Tally.h"

// What a pass wrote with verification on: the random block whose sectors, past their stamps,
// every write carries (a file's offsets are whole blocks apart, so the sector at offset O holds
// the block's sector at O modulo its length), and the stamps' run and pass.
struct TWrittenData {
  const std::byte* Block = nullptr;
  std::size_t BlockLength = 0;  // whole sectors
  std::uint64_t Run = 0;
  std::uint32_t Pass = 0;
};

// What the sector read back from Offset of File is, compared with what was written there.
TSectorState ClassifySector(const std::byte* Sector, const TWrittenData& Written, std::int32_t File,
                            std::int64_t Offset);

// Checks Length bytes (whole sectors) read from Offset of File into Tally; PassOffset is where
// Offset lies from the pass's first byte.
void CheckSectors(const std::byte* Data, std::size_t Length, const TWrittenData& Written,
                  std::int32_t File, std::int64_t Offset, std::int64_t PassOffset,
                  TVerifyTally& Tally);
