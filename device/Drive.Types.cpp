#include "device/Drive.Types.h"

#include <array>
#include <string_view>

#include "device/Block.Devices.h"
#include "device/Sysfs.Text.h"

namespace {

bool IsNetworkFilesystem(std::string_view FsType) {
  static constexpr std::array<std::string_view, 17> Network = {
      "nfs",    "nfs4",  "cifs",       "smb3",           "smbfs",      "sshfs",
      "9p",     "ceph",  "afs",        "ncpfs",          "coda",       "glusterfs",
      "lustre", "davfs", "fuse.sshfs", "fuse.glusterfs", "fuse.davfs2"};
  for (const std::string_view Name : Network) {
    if (FsType == Name) {
      return true;
    }
  }
  return false;
}

bool IsOpticalFilesystem(std::string_view FsType) {
  return FsType == "iso9660" || FsType == "udf";
}

bool IsOpticalDrive(const std::string& Name) {
  return Name.rfind("sr", 0) == 0;
}

}  // namespace

TDriveType ClassifyMount(const TMountEntry& Mount, const TDeviceRoots& Roots) {
  if (IsNetworkFilesystem(Mount.FsType)) {
    return TDriveType::Remote;
  }
  if (Mount.FsType == "tmpfs" || Mount.FsType == "ramfs") {
    return TDriveType::RAMDisk;
  }
  TBlockDevice Device;
  if (!FindMountedBlockDevice(Mount, Roots, Device)) {
    // A real device number that sysfs does not show (a container without /sys) is still a
    // disk: it is listed as fixed. Without a device number it is a pseudo filesystem.
    if (Mount.Device.Major != 0) {
      return IsOpticalFilesystem(Mount.FsType) ? TDriveType::CDROM : TDriveType::Fixed;
    }
    return Mount.Source.rfind("/dev/", 0) == 0 ? TDriveType::NoRootDir : TDriveType::Unknown;
  }
  if (IsOpticalFilesystem(Mount.FsType) || IsOpticalDrive(Device.Name)) {
    return TDriveType::CDROM;
  }
  if (IsRamBacked(Device.Name)) {
    return TDriveType::RAMDisk;
  }
  const std::vector<TDiskExtent> Extents = DiskExtentsUnder(Device, Roots);
  if (Extents.empty()) {
    return TDriveType::RAMDisk;  // only memory under it (a device-mapper volume over zram)
  }
  std::uint64_t Removable = 0;
  if (ReadDecimalAttribute(Roots.Sys + "/block/" + Extents.front().DiskName + "/removable",
                           Removable) &&
      Removable == 1) {
    return TDriveType::Removable;
  }
  return TDriveType::Fixed;
}
