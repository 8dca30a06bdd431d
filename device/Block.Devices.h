#pragma once

#include <string>
#include <vector>

#include "device/Device.Roots.h"
#include "device/Mountinfo.h"
#include "device/uDiskFunctions.h"
#include "platform/Device.Backend.h"

// A block device as sysfs shows it: kernel name and its folder with links resolved.
struct TBlockDevice {
  std::string Name;     // "sda1", "dm-0", "loop0"
  std::string SysPath;  // ".../devices/pci0000:00/.../block/sda/sda1"
};

// /sys/dev/block/MAJ:MIN.
bool FindBlockDevice(const Platform::TDeviceNumber& Number, const TDeviceRoots& Roots,
                     TBlockDevice& Device);

// /sys/class/block/NAME.
bool FindBlockDeviceByName(const std::string& Name, const TDeviceRoots& Roots,
                           TBlockDevice& Device);

// The block device behind a mounted filesystem. Most filesystems name it by their device
// number; those with an anonymous number (btrfs) are found through their /dev source.
bool FindMountedBlockDevice(const TMountEntry& Mount, const TDeviceRoots& Roots,
                            TBlockDevice& Device);

// The block device that a filesystem of device number Number is on. An anonymous number (btrfs)
// is found through the mount that carries it.
bool FindVolumeDevice(const Platform::TDeviceNumber& Number, const TDeviceRoots& Roots,
                      TBlockDevice& Device);

// Memory-backed block devices (brd's ram0, zram0): there is no disk under them.
bool IsRamBacked(const std::string& Name);

// The disk extents that hold Device: a partition's range on its parent disk, a whole disk
// itself, and for device-mapper and md the extents of the devices under them, in order.
// RAM-backed devices contribute nothing.
std::vector<TDiskExtent> DiskExtentsUnder(const TBlockDevice& Device, const TDeviceRoots& Roots);
