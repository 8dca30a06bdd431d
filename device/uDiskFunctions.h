#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/Device.Roots.h"
#include "platform/Device.Backend.h"

// Drives the user may test: one entry per mounted, writable, fixed or removable filesystem,
// its mount point without a trailing separator ("/" stays "/"); on Windows each fixed or
// removable drive as a letter and a colon ("C:").
struct TDriveLetters {
  std::uint8_t LetterCount = 0;
  std::array<std::string, 100> Letters;
  std::array<std::int64_t, 100> StartOffset{};
};

// One piece of a volume on a disk. The disk is named by its kernel name ("sda", "nvme0n1"), on
// Windows by its name in the device namespace ("PhysicalDrive0").
struct TDiskExtent {
  std::string DiskName;
  std::int64_t StartingOffset = 0;
  std::int64_t ExtentLength = 0;
};

// What is known of a disk's layout: its logical sector size and its total size in bytes.
struct TDiskGeometryEx {
  std::uint32_t BytesPerSector = 0;
  std::int64_t DiskSize = 0;
};

struct TVolumeDiskExtents {
  std::uint32_t NumberOfDiskExtents = 0;
  std::vector<TDiskExtent> Extents;
};

// None of these raise or show anything: a failure gives an empty list, no extents or 0.
void GetDriveLetters(TDriveLetters& DriveLetters, const TDeviceRoots& Roots = {});
// Drive: a mount point or any path on the volume (e.g. a DrivePath).
void GetVolumeExtents(const std::string& Drive, TVolumeDiskExtents& Extents,
                      const TDeviceRoots& Roots = {});
// Disk: a disk name as GetVolumeExtents gives it (on Windows also the bare disk number).
// Size in bytes, 0 when unknown.
std::int64_t GetDiskSize(const std::string& Disk, const TDeviceRoots& Roots = {});
// The step behind GetDiskSize; leaves DiskSize at 0 on every failure.
void GetDiskGeometry(const std::string& Disk, TDiskGeometryEx& Geometry,
                     const TDeviceRoots& Roots = {});
// The step behind GetVolumeExtents once the volume's device number is known.
void GetVolumeExtentsOfDevice(const Platform::TDeviceNumber& Device, TVolumeDiskExtents& Extents,
                              const TDeviceRoots& Roots = {});
