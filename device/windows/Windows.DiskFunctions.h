#pragma once

#include <cstdint>
#include <string>

#include "device/uDiskFunctions.h"
#include "device/windows/Volume.Requests.h"

// The drive and disk queries of Windows over the system's raw answers. Disks are named
// "PhysicalDrive" + number, the name that the identification opens under "\\.\".

// Drives of type fixed or removable, in the system's order, as a letter and a colon.
void ListDriveLetters(const TVolumeRequests& Requests, TDriveLetters& DriveLetters);

// Drive: "C:" or any path that starts with it ("C:\", "C:\tests\"). No extents for a RAM drive,
// a volume that cannot be opened or asked, or a path without a drive letter.
void QueryVolumeExtents(const TVolumeRequests& Requests, const std::string& Drive,
                        TVolumeDiskExtents& Extents);

// Disk: a disk number ("0") or its name ("PhysicalDrive0"); anything else opens nothing.
void QueryDiskGeometry(const TVolumeRequests& Requests, const std::string& Disk,
                       TDiskGeometryEx& Geometry);

std::string PhysicalDriveName(std::uint32_t DiskNumber);

// "\\.\PhysicalDriveN" for "N" or "PhysicalDriveN"; empty for any other text.
std::string PhysicalDrivePath(const std::string& Disk);

// The drive letter and colon that Path starts with; empty when it starts otherwise.
std::string VolumeOfPath(const std::string& Path);
