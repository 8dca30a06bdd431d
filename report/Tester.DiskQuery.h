#pragma once

#include <cstdint>
#include <functional>
#include <string>

// What the report header needs to know of the disk under a volume.
struct TDiskIdentity {
  std::string Model;            // empty when the disk is unknown or did not identify itself
  std::int64_t SizeInByte = 0;  // 0 when unknown
};

using TDiskQuery = std::function<TDiskIdentity(const std::string& DrivePath)>;

// The device subsystem's answer: the first disk under the volume of DrivePath, its model and
// size. Lives in its own file so that whoever hands in another query does not link the
// device subsystem.
TDiskIdentity QueryDiskOfVolume(const std::string& DrivePath);
