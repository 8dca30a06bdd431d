#include "device/Block.Devices.h"

#include <algorithm>
#include <cstdint>

#include "device/Sysfs.Text.h"

namespace {

constexpr std::uint64_t SectorBytes = 512;  // sysfs counts sizes and starts in 512-byte units
constexpr std::uint64_t MaxSectors = INT64_MAX / SectorBytes;
// Stacks of device-mapper and md are a few levels deep; a loop in a broken tree must end.
constexpr int MaxStackDepth = 8;
constexpr std::size_t MaxExtents = 256;

bool DeviceAt(const std::string& LinkPath, TBlockDevice& Device) {
  const std::string Resolved = Platform::CanonicalPath(LinkPath);
  const std::string Name = BaseName(Resolved);
  if (!IsSafeDeviceName(Name)) {
    return false;
  }
  Device.Name = Name;
  Device.SysPath = Resolved;
  return true;
}

std::int64_t SectorsAttributeInBytes(const std::string& Path) {
  std::uint64_t Sectors = 0;
  if (!ReadDecimalAttribute(Path, Sectors, MaxSectors)) {
    return 0;
  }
  return static_cast<std::int64_t>(Sectors * SectorBytes);
}

bool IsDigitsOnly(const std::string& Text) {
  return !Text.empty() && std::all_of(Text.begin(), Text.end(), [](char Character) {
    return Character >= '0' && Character <= '9';
  });
}

// Kernel enumeration order: "sdb" before "sdaa", "nvme2n1" before "nvme10n1".
bool KernelNameLess(const std::string& Left, const std::string& Right) {
  if (Left.size() != Right.size()) {
    return Left.size() < Right.size();
  }
  return Left < Right;
}

// The devices under a stacked device. md knows each member's slot in the array, so its
// members follow their slots; device-mapper does not say, so kernel name order stands in.
std::vector<std::string> OrderedSlaves(const TBlockDevice& Device) {
  std::vector<std::string> Slaves = Platform::ListFolder(Device.SysPath + "/slaves");
  auto SlotOf = [&](const std::string& Slave) {
    std::uint64_t Slot = UINT64_MAX;
    ReadDecimalAttribute(Device.SysPath + "/md/dev-" + Slave + "/slot", Slot);
    return Slot;
  };
  std::sort(Slaves.begin(), Slaves.end(), [&](const std::string& Left, const std::string& Right) {
    const auto LeftSlot = SlotOf(Left);
    const auto RightSlot = SlotOf(Right);
    return LeftSlot != RightSlot ? LeftSlot < RightSlot : KernelNameLess(Left, Right);
  });
  return Slaves;
}

void CollectExtents(const TBlockDevice& Device, const TDeviceRoots& Roots, int Depth,
                    std::vector<TDiskExtent>& Extents) {
  if (Depth > MaxStackDepth || Extents.size() >= MaxExtents || IsRamBacked(Device.Name)) {
    return;
  }
  const std::vector<std::string> Slaves = OrderedSlaves(Device);
  if (!Slaves.empty()) {
    for (const std::string& Slave : Slaves) {
      TBlockDevice Under;
      if (FindBlockDeviceByName(Slave, Roots, Under)) {
        CollectExtents(Under, Roots, Depth + 1, Extents);
      }
    }
    return;
  }
  if (Platform::PathExists(Device.SysPath + "/partition")) {
    // A partition's folder sits inside its disk's folder.
    TBlockDevice Disk;
    Disk.Name = BaseName(ParentPath(Device.SysPath));
    Disk.SysPath = ParentPath(Device.SysPath);
    if (!IsSafeDeviceName(Disk.Name)) {
      return;
    }
    if (!Platform::ListFolder(Disk.SysPath + "/slaves").empty()) {
      // A partition of an md array or of a device-mapper disk: the disks are further down.
      CollectExtents(Disk, Roots, Depth + 1, Extents);
      return;
    }
    Extents.push_back({Disk.Name, SectorsAttributeInBytes(Device.SysPath + "/start"),
                       SectorsAttributeInBytes(Device.SysPath + "/size")});
    return;
  }
  Extents.push_back({Device.Name, 0, SectorsAttributeInBytes(Device.SysPath + "/size")});
}

}  // namespace

bool FindBlockDevice(const Platform::TDeviceNumber& Number, const TDeviceRoots& Roots,
                     TBlockDevice& Device) {
  return DeviceAt(
      Roots.Sys + "/dev/block/" + std::to_string(Number.Major) + ":" + std::to_string(Number.Minor),
      Device);
}

bool FindBlockDeviceByName(const std::string& Name, const TDeviceRoots& Roots,
                           TBlockDevice& Device) {
  return IsSafeDeviceName(Name) && DeviceAt(Roots.Sys + "/class/block/" + Name, Device);
}

bool FindMountedBlockDevice(const TMountEntry& Mount, const TDeviceRoots& Roots,
                            TBlockDevice& Device) {
  if (Mount.Device.Major != 0) {
    return FindBlockDevice(Mount.Device, Roots, Device);
  }
  // "/dev/mapper/vg-home" is a link to "../dm-3": the node's own name is the kernel name.
  constexpr std::string_view DevPrefix = "/dev/";
  if (Mount.Source.rfind(DevPrefix, 0) != 0) {
    return false;
  }
  const std::string Node =
      Platform::CanonicalPath(Roots.Dev + "/" + Mount.Source.substr(DevPrefix.size()));
  return FindBlockDeviceByName(BaseName(Node), Roots, Device);
}

bool FindVolumeDevice(const Platform::TDeviceNumber& Number, const TDeviceRoots& Roots,
                      TBlockDevice& Device) {
  if (Number.Major != 0) {
    return FindBlockDevice(Number, Roots, Device);
  }
  for (const TMountEntry& Mount : ReadMountTable(Roots)) {
    if (Mount.Device.Major == Number.Major && Mount.Device.Minor == Number.Minor &&
        FindMountedBlockDevice(Mount, Roots, Device)) {
      return true;
    }
  }
  return false;
}

bool IsRamBacked(const std::string& Name) {
  for (const std::string Prefix : {"ram", "zram"}) {
    if (Name.size() > Prefix.size() && Name.rfind(Prefix, 0) == 0 &&
        IsDigitsOnly(Name.substr(Prefix.size()))) {
      return true;
    }
  }
  return false;
}

std::vector<TDiskExtent> DiskExtentsUnder(const TBlockDevice& Device, const TDeviceRoots& Roots) {
  std::vector<TDiskExtent> Extents;
  CollectExtents(Device, Roots, 0, Extents);
  return Extents;
}
