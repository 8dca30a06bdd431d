#include "device/uDiskFunctions.h"

#include "device/windows/Windows.DiskFunctions.h"

// The device roots of the Linux queries mean nothing here; they are accepted and ignored.

void GetDriveLetters(TDriveLetters& DriveLetters, const TDeviceRoots&) {
  ListDriveLetters(SystemVolumeRequests(), DriveLetters);
}

void GetVolumeExtents(const std::string& Drive, TVolumeDiskExtents& Extents, const TDeviceRoots&) {
  QueryVolumeExtents(SystemVolumeRequests(), Drive, Extents);
}

void GetDiskGeometry(const std::string& Disk, TDiskGeometryEx& Geometry, const TDeviceRoots&) {
  QueryDiskGeometry(SystemVolumeRequests(), Disk, Geometry);
}

std::int64_t GetDiskSize(const std::string& Disk, const TDeviceRoots& Roots) {
  TDiskGeometryEx Geometry;
  GetDiskGeometry(Disk, Geometry, Roots);
  return Geometry.DiskSize;
}

void GetVolumeExtentsOfDevice(const Platform::TDeviceNumber&, TVolumeDiskExtents& Extents,
                              const TDeviceRoots&) {
  // Windows volumes have no device numbers.
  Extents.NumberOfDiskExtents = 0;
  Extents.Extents.clear();
}
