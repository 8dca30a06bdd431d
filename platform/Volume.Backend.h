#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Raw answers about Windows drives, volumes and physical disks, one system call (or one
// open-ask-close) each. Text is UTF-8. Only the Windows build defines these; device/windows
// interprets them.
namespace Platform {

// GetLogicalDriveStringsW into 256 characters: the n characters it wrote, a series of root
// paths each ended by a NUL. Empty when it wrote none.
std::string LogicalDriveStrings();

// GetDriveTypeW of a root path: DRIVE_REMOVABLE (2), DRIVE_FIXED (3), ...
std::uint32_t DriveType(const std::string& Root);

// QueryDosDeviceW of a drive ("C:") into 261 NULs, 260 as its length: the first string of the
// answer, empty when the call failed.
std::string DosDeviceTarget(const std::string& Drive);

struct TDiskExtentAnswer {
  std::uint32_t DiskNumber = 0;
  std::int64_t StartingOffset = 0;
  std::int64_t ExtentLength = 0;
};

// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS into VOLUME_DISK_EXTENTS of 1232 bytes (room for 51
// extents) on a volume opened for reading ("\\.\C:").
struct TVolumeExtentsAnswer {
  bool Opened = false;
  bool Succeeded = false;
  std::vector<TDiskExtentAnswer> Extents;  // as many as the answer counts, at most 51
};
TVolumeExtentsAnswer VolumeDiskExtents(const std::string& VolumePath);

// IOCTL_DISK_GET_DRIVE_GEOMETRY_EX into DISK_GEOMETRY_EX of 40 bytes on a disk opened for
// reading ("\\.\PhysicalDrive0").
struct TDiskGeometryAnswer {
  bool Opened = false;
  bool Succeeded = false;
  std::uint32_t BytesPerSector = 0;
  std::int64_t DiskSize = 0;
};
TDiskGeometryAnswer DiskGeometry(const std::string& DiskPath);

// IOCTL_STORAGE_QUERY_PROPERTY, a standard query of property PropertyId (STORAGE_PROPERTY_ID),
// on a disk opened without asking for access ("\\.\PhysicalDrive0"): the query needs none, so
// any user may ask. Bytes: the answer as the system wrote it, cut to the count it returned.
struct TStoragePropertyAnswer {
  bool Opened = false;
  bool Succeeded = false;
  std::vector<std::uint8_t> Bytes;
};
TStoragePropertyAnswer StorageProperty(const std::string& DiskPath, std::uint32_t PropertyId);

}  // namespace Platform
