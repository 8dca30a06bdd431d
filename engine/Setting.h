#pragma once

#include <cstdint>
#include <string>

// Unit of the free space to leave on the volume.
enum class TLeftUnit : std::uint8_t {
  LeaveByGiB = 0,
  LeaveByMiB = 1,
  LeaveByPercent = 2,
};

// Granularity at which the presenter logs the current speed.
enum class TUnitSpeed : std::uint8_t {
  ZeroPointOnePercent = 0,
  OnePercent = 1,
  TenPercent = 2,
};

// Everything the user chose for one test. A plain value: every receiver keeps its own copy.
struct TSetting {
  bool IsSet = false;
  // Root of the volume (or the chosen folder on it) with a trailing separator, e.g. "/mnt/usb/".
  std::string DrivePath;
  std::int64_t ToLeft = 0;
  TLeftUnit ToLeftUnit = TLeftUnit::LeaveByGiB;
  TUnitSpeed UnitSpeed = TUnitSpeed::ZeroPointOnePercent;
  bool NeedCache = false;
  bool InfiniteRepetition = false;
  bool NeedDelete = false;
  std::string RecordPath;
  std::string DetailedRecordPath;
  // After a pass has filled the drive, read back every file it wrote and check every byte. Its
  // writes then carry a stamp in each 4 KiB sector.
  bool NeedVerify = false;
  // The per-write CSV (one line per write, for the analysis); empty: none.
  std::string WritesCsvPath;
  // The run's result as JSON, saved anew after every pass; empty: none.
  std::string ResultJsonPath;

  bool operator==(const TSetting&) const = default;
};
