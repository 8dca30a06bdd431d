#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How a disk is attached, as far as the system tells.
enum class TDriveBus : std::uint8_t {
  Unknown = 0,  // the system said nothing (no sysfs, no answer)
  Sata,         // ATA through libata (SATA or PATA); on Windows ATA, ATAPI and SATA
  Nvme,
  Usb,     // USB mass storage and UAS, whatever sits behind the bridge
  Mmc,     // SD cards and eMMC
  Virtio,  // a virtual machine's virtio disk (virtio-blk and virtio-scsi)
  Scsi,    // SAS, FC, iSCSI and parallel SCSI
  Loop,    // a file-backed disk: a loop device, a mounted VHD
  Other,   // known to the system, none of the above (xen, nbd, rbd, RAID, Spaces ...)
};

// Lower-case key for machine-readable output: "sata", "nvme", "usb", "mmc", ...
std::string_view BusKey(TDriveBus Bus);
// The bus of a key BusKey gave; Unknown for any other text.
TDriveBus BusFromKey(std::string_view Key);
// For people: "SATA", "NVMe", "USB", "SD/MMC", "virtio", "SCSI", "loop", "other", "unknown".
std::string_view BusLabel(TDriveBus Bus);

// The bus of a whole disk from its kernel name and its sysfs folder with links resolved
// ("/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda"): the
// chain of its parents says how it is attached. Unknown when the folder is empty.
TDriveBus BusOfDisk(std::string_view Name, std::string_view SysPath);
