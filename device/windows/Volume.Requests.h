#pragma once

#include <cstdint>
#include <string>

#include "platform/Volume.Backend.h"

// The questions the Windows drive queries ask the system. The system's version forwards to the
// Win32 backend; tests hand in recorded answers, so the logic runs on any system.
class TVolumeRequests {
 public:
  virtual ~TVolumeRequests() = default;
  virtual std::string LogicalDriveStrings() const = 0;
  virtual std::uint32_t DriveType(const std::string& Root) const = 0;
  virtual std::string DosDeviceTarget(const std::string& Drive) const = 0;
  virtual Platform::TVolumeExtentsAnswer VolumeDiskExtents(const std::string& VolumePath) const = 0;
  virtual Platform::TDiskGeometryAnswer DiskGeometry(const std::string& DiskPath) const = 0;
  virtual Platform::TStoragePropertyAnswer StorageProperty(const std::string& DiskPath,
                                                           std::uint32_t PropertyId) const = 0;
};

// The Win32 calls themselves (Windows builds only).
const TVolumeRequests& SystemVolumeRequests();
