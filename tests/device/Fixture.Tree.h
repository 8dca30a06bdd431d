#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "device/Device.Roots.h"

// A fake /proc, /sys and /dev in a temporary folder, shaped like the kernel's: block devices
// live under sys/devices/..., and sys/dev/block/MAJ:MIN, sys/class/block/NAME and
// sys/block/NAME (disks only) are links to them.
class TFixtureTree {
 public:
  TFixtureTree();
  ~TFixtureTree();
  TFixtureTree(const TFixtureTree&) = delete;
  TFixtureTree& operator=(const TFixtureTree&) = delete;

  TDeviceRoots Roots() const;
  const std::filesystem::path& Top() const { return FTop; }

  void WriteFile(const std::string& RelativePath, const std::string& Contents);
  void Link(const std::string& RelativePath, const std::string& Target);
  void SetMountinfo(const std::string& Text) { WriteFile("proc/self/mountinfo", Text); }

  // Parent: folder under sys/devices that holds the disk, e.g. "pci0000:00/ata1".
  // Returns the disk's folder relative to the top ("sys/devices/.../block/sda").
  std::string AddDisk(const std::string& Name, unsigned Major, unsigned Minor,
                      std::uint64_t Sectors, bool Removable = false,
                      const std::string& Parent = "pci0000:00/host0");
  // A disk whose folder is sys/devices/Folder: the chain of its parents as the kernel lays it
  // out ("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda"). Its "device" is a
  // link to sys/devices/Device when given. Returns the disk's folder relative to the top.
  std::string AddDiskAt(const std::string& Folder, const std::string& Name, unsigned Major,
                        unsigned Minor, std::uint64_t Sectors, const std::string& Device = "");
  // A SCSI disk (SATA through libata, USB, SAS) under the SCSI device folder Device, with the
  // INQUIRY texts the SCSI layer keeps, padded as INQUIRY pads them.
  std::string AddScsiDisk(const std::string& Device, const std::string& Name, unsigned Major,
                          unsigned Minor, std::uint64_t Sectors, const std::string& Vendor,
                          const std::string& Model, const std::string& Revision);
  std::string AddPartition(const std::string& Disk, const std::string& Name, unsigned Major,
                           unsigned Minor, std::uint64_t StartSector, std::uint64_t Sectors);
  // A device-mapper or md device with the given devices under it.
  std::string AddStacked(const std::string& Name, unsigned Major, unsigned Minor,
                         std::uint64_t Sectors, std::initializer_list<std::string> Slaves);

  // Folder of a block device added before, relative to the top.
  std::string FolderOf(const std::string& Name) const;

 private:
  void Register(const std::string& Name, const std::string& Folder, unsigned Major, unsigned Minor,
                bool IsDisk);

  std::filesystem::path FTop;
};
