#pragma once

#include <cstdint>
#include <string>

// The live figures of the running pass, as the terminal's status line shows them.
struct TPassStatus {
  std::int32_t WrittenInMiB = 0;
  std::int32_t TargetInMiB = 0;
  std::int32_t SpeedInMiB = 0;
  double ElapsedSeconds = 0;
  // The pass's files are being read back: the figures are of the reads.
  bool Reading = false;
};

// "[#########-----------]  45%  12.50/100.00 GiB  512 MiB/s  00:01:23 elapsed  00:01:41 left",
// fitted to Width columns (none when Width is 0 or less): a narrower bar first, then without
// the elapsed time, the bar, the sizes and the speed, in that order; the percentage and the
// time left stay. The time left follows from the average rate of the pass so far. While the
// files are read back the line begins with "verify ".
std::string FormatStatusLine(const TPassStatus& Status, int Width);

// "hh:mm:ss", hours growing past 24 as needed.
std::string FormatClock(double Seconds);
