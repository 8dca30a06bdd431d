#include "device/uDiskFunctions.h"

#include <cstdint>
#include <map>
#include <string>

#include "device/Block.Devices.h"
#include "device/Drive.Types.h"
#include "device/Mountinfo.h"
#include "device/Sysfs.Text.h"

namespace {

// Drives are named without a trailing separator; the root stays "/".
std::string WithoutTrailingSeparator(std::string MountPoint) {
  while (MountPoint.size() > 1 && MountPoint.back() == '/') {
    MountPoint.pop_back();
  }
  return MountPoint;
}

bool IsListedType(TDriveType Type) {
  return Type == TDriveType::Fixed || Type == TDriveType::Removable;
}

// One filesystem is one drive however often it is mounted: bind mounts share the device.
std::string FilesystemKey(const TMountEntry& Mount, const TDeviceRoots& Roots) {
  TBlockDevice Device;
  if (FindMountedBlockDevice(Mount, Roots, Device)) {
    return Device.SysPath;
  }
  return std::to_string(Mount.Device.Major) + ":" + std::to_string(Mount.Device.Minor);
}

}  // namespace

void GetDriveLetters(TDriveLetters& DriveLetters, const TDeviceRoots& Roots) {
  struct TListed {
    std::size_t Slot;
    bool WholeFilesystem;  // mounted with its root folder, not a bind mount of a subfolder
  };
  DriveLetters.LetterCount = 0;
  for (std::string& Letter : DriveLetters.Letters) {
    Letter.clear();  // no name from an earlier call stays behind the count
  }
  std::map<std::string, TListed> ListedFilesystems;
  for (const TMountEntry& Mount : ReadMountTable(Roots)) {
    if (Mount.ReadOnly() || Mount.MountPoint.empty() || Mount.MountPoint.front() != '/' ||
        !IsListedType(ClassifyMount(Mount, Roots)) ||
        Platform::IsExistingNonFolder(Mount.MountPoint)) {
      continue;  // a file bind-mounted onto a file (containers do this) is no drive
    }
    const bool WholeFilesystem = Mount.Root == "/";
    const auto [Listed, IsNew] = ListedFilesystems.try_emplace(
        FilesystemKey(Mount, Roots), TListed{DriveLetters.LetterCount, WholeFilesystem});
    if (!IsNew) {
      // A bind mount of a subfolder may come first; the mount of the whole filesystem is
      // the drive, and it takes the earlier place in the list.
      if (WholeFilesystem && !Listed->second.WholeFilesystem) {
        DriveLetters.Letters[Listed->second.Slot] = WithoutTrailingSeparator(Mount.MountPoint);
        Listed->second.WholeFilesystem = true;
      }
      continue;
    }
    if (DriveLetters.LetterCount >= DriveLetters.Letters.size()) {
      ListedFilesystems.erase(Listed);
      break;
    }
    DriveLetters.Letters[DriveLetters.LetterCount++] = WithoutTrailingSeparator(Mount.MountPoint);
  }
}

void GetVolumeExtentsOfDevice(const Platform::TDeviceNumber& Device, TVolumeDiskExtents& Extents,
                              const TDeviceRoots& Roots) {
  Extents.NumberOfDiskExtents = 0;
  Extents.Extents.clear();
  TBlockDevice Volume;
  if (!FindVolumeDevice(Device, Roots, Volume) || IsRamBacked(Volume.Name)) {
    return;
  }
  Extents.Extents = DiskExtentsUnder(Volume, Roots);
  Extents.NumberOfDiskExtents = static_cast<std::uint32_t>(Extents.Extents.size());
}

void GetVolumeExtents(const std::string& Drive, TVolumeDiskExtents& Extents,
                      const TDeviceRoots& Roots) {
  Extents.NumberOfDiskExtents = 0;
  Extents.Extents.clear();
  Platform::TDeviceNumber Device;
  if (!Platform::DeviceOfPath(Drive, Device)) {
    return;
  }
  GetVolumeExtentsOfDevice(Device, Extents, Roots);
}

void GetDiskGeometry(const std::string& Disk, TDiskGeometryEx& Geometry,
                     const TDeviceRoots& Roots) {
  Geometry = {};
  // /sys/block holds whole disks only: a partition's name gives no size here.
  if (!IsSafeDeviceName(Disk)) {
    return;
  }
  const std::string Folder = Roots.Sys + "/block/" + Disk;
  std::uint64_t Sectors = 0;
  if (!ReadDecimalAttribute(Folder + "/size", Sectors, INT64_MAX / 512)) {
    return;
  }
  Geometry.DiskSize = static_cast<std::int64_t>(Sectors * 512);
  std::uint64_t SectorSize = 0;
  if (ReadDecimalAttribute(Folder + "/queue/logical_block_size", SectorSize, UINT32_MAX)) {
    Geometry.BytesPerSector = static_cast<std::uint32_t>(SectorSize);
  }
}

std::int64_t GetDiskSize(const std::string& Disk, const TDeviceRoots& Roots) {
  TDiskGeometryEx Geometry;
  GetDiskGeometry(Disk, Geometry, Roots);
  return Geometry.DiskSize;
}
