#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// One timed write of a pass, as the presenter sees it and as the per-write CSV keeps it. The
// analysis reads only these; 40 bytes each, so a 500,000-write pass costs 20 MiB to keep.
struct TWriteRecord {
  std::int32_t WrittenInMiB = 0;        // MiB written so far in the pass, this write included
  std::int32_t SpeedInMiB = 0;          // the write's speed as shown: whole MiB/s
  double Seconds = 0.0;                 // how long the write took
  double RemainPercent = 0.0;           // share of the disk still free after the write, x 100
  std::optional<float> TemperatureInC;  // the drive's last temperature read, when one was
  // How long the close that followed the write waited (the flush, then the close): 0 but for
  // the last write of a file. The drive may take a buffered file's data only then.
  double CloseSeconds = 0.0;

  bool operator==(const TWriteRecord&) const = default;
};

// The writes of one pass, in order, and the pass's number (from 1); with verification, the
// timed reads of the read-back too (WrittenInMiB: the MiB read so far; no temperature).
struct TPassWrites {
  std::int32_t Pass = 0;
  std::vector<TWriteRecord> Writes;
  std::vector<TWriteRecord> Reads;

  bool operator==(const TPassWrites&) const = default;
};
