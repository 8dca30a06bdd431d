#pragma once

#include <cstdint>

#include "device/Device.Roots.h"
#include "device/Mountinfo.h"

// Kinds of drive, numbered as the drive list's callers know them.
enum class TDriveType : std::uint8_t {
  Unknown = 0,    // not a filesystem a user stores files on (proc, sysfs, overlay ...)
  NoRootDir = 1,  // names a block device that cannot be found
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CDROM = 5,
  RAMDisk = 6,
};

TDriveType ClassifyMount(const TMountEntry& Mount, const TDeviceRoots& Roots);
