#include "device/Drive.Identity.Sysfs.h"

#include "device/Block.Devices.h"
#include "device/Mountinfo.h"
#include "device/Sysfs.Identity.h"
#include "device/Sysfs.Text.h"
#include "device/uDiskFunctions.h"

TDriveIdentity DescribeDisk(const std::string& DiskName, const TDeviceRoots& Roots) {
  TDriveIdentity Identity;
  if (!IsSafeDeviceName(DiskName)) {
    return Identity;
  }
  Identity.DiskName = DiskName;
  Identity.Disk = Roots.Dev + "/" + DiskName;
  const std::string Folder = Roots.Sys + "/block/" + DiskName;
  Identity.Bus = BusOfDisk(DiskName, Platform::CanonicalPath(Folder));
  TSysfsIdentity Sysfs = ReadSysfsDiskIdentity(DiskName, Roots);
  Identity.Vendor = std::move(Sysfs.Vendor);
  Identity.Model = std::move(Sysfs.Model);
  Identity.Serial = std::move(Sysfs.Serial);
  Identity.Firmware = std::move(Sysfs.Firmware);
  Identity.Wwid = std::move(Sysfs.Wwid);
  std::uint64_t Flag = 0;
  if (ReadDecimalAttribute(Folder + "/queue/rotational", Flag, 1)) {
    Identity.Rotational = Flag == 1;
  }
  Identity.Removable = ReadDecimalAttribute(Folder + "/removable", Flag, 1) && Flag == 1;
  Identity.SizeInByte = GetDiskSize(DiskName, Roots);
  return Identity;
}

TDriveIdentity IdentifyDriveOfDevice(const Platform::TDeviceNumber& Device,
                                     const TDeviceRoots& Roots, const TDiskRequests& Requests) {
  TBlockDevice Volume;
  if (!FindVolumeDevice(Device, Roots, Volume)) {
    return {};
  }
  // The disks exactly as the report's extents name them, so that both speak of one disk.
  TVolumeDiskExtents Extents;
  GetVolumeExtentsOfDevice(Device, Extents, Roots);
  TDriveIdentity Identity;
  if (!Extents.Extents.empty()) {
    Identity = DescribeDisk(Extents.Extents.front().DiskName, Roots);
    Identity.Disks = DistinctDisks(Extents.Extents);
  }
  if (!Identity.DiskName.empty()) {
    AskDiskItself(Identity, Roots, Requests);
  }
  Identity.Device = Roots.Dev + "/" + Volume.Name;
  return Identity;
}

namespace {

// A mount point this user may not look into (a folder of another user's, mode 0700) is still
// named by the mount table; the last mount on it is the one on top.
bool DeviceOfMountPoint(const std::string& Folder, const TDeviceRoots& Roots,
                        Platform::TDeviceNumber& Device) {
  std::string MountPoint = Folder;
  while (MountPoint.size() > 1 && MountPoint.back() == '/') {
    MountPoint.pop_back();
  }
  bool Found = false;
  for (const TMountEntry& Mount : ReadMountTable(Roots)) {
    if (Mount.MountPoint == MountPoint) {
      Device = Mount.Device;
      Found = true;
    }
  }
  return Found;
}

}  // namespace

TDriveIdentity IdentifyDriveOf(const std::string& Folder, const TDeviceRoots& Roots,
                               const TDiskRequests& Requests) {
  TDriveIdentity Identity;
  Platform::TDeviceNumber Device;
  if (Platform::DeviceOfPath(Folder, Device) || DeviceOfMountPoint(Folder, Roots, Device)) {
    Identity = IdentifyDriveOfDevice(Device, Roots, Requests);
  }
  Identity.Folder = Folder;
  return Identity;
}
