#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/Device.Roots.h"
#include "device/Disk.Requests.h"
#include "device/Drive.Bus.h"
#include "device/uDiskFunctions.h"

class TSSDInfo;

// Who the disk under a folder is: where the folder's filesystem lives, and what the disk says
// of itself. Texts are trimmed UTF-8 (bytes above 127 as their Latin-1 characters), empty when
// unknown.
struct TDriveIdentity {
  std::string Folder;  // what was asked about
  // The block device of the folder's filesystem and the first disk under it: "/dev/nvme0n1p2"
  // and "/dev/nvme0n1", "/dev/dm-0" and "/dev/sda"; "\\.\C:" and "\\.\PhysicalDrive0".
  std::string Device;
  std::string Disk;
  std::string DiskName;            // "nvme0n1", "PhysicalDrive0": what GetDiskSize takes
  std::vector<std::string> Disks;  // every disk under the filesystem (md, dm), DiskName first
  std::string Vendor;
  std::string Model;
  std::string Serial;
  std::string Firmware;
  std::string Wwid;
  TDriveBus Bus = TDriveBus::Unknown;
  std::optional<bool> Rotational;  // unknown when the system does not say
  bool Removable = false;
  std::int64_t SizeInByte = 0;  // the whole disk's; 0 when unknown
  // The model as the pass header prints it: the disk's answer to IDENTIFY DEVICE, else to
  // INQUIRY (vendor and product joined, padding inside), else the same from what the system
  // keeps of them. It can differ from Model: behind a USB bridge the disk's own IDENTIFY names
  // the drive inside, while Model is the bridge's.
  std::string ReportModel;

  bool operator==(const TDriveIdentity&) const = default;
};

// The identity of the first disk under the filesystem that holds Folder. Never raises; what
// cannot be learnt stays empty. Sysfs (Linux) or the storage property queries (Windows) answer
// for any user; the ATA IDENTIFY and SCSI INQUIRY requests are sent too, where the user may
// open the disk, and fill what the system did not say. Requests must outlive the call.
TDriveIdentity IdentifyDriveOf(const std::string& Folder, const TDeviceRoots& Roots = {},
                               const TDiskRequests& Requests = SystemDiskRequests());

// Info: a TSSDInfo that has run SetDeviceName on Identity's disk. Sets ReportModel, and fills
// model, firmware and serial where the description of the disk left them empty (only IDENTIFY's
// serial counts: INQUIRY's bytes there are the vendor's own).
void AddAnsweredIdentity(TDriveIdentity& Identity, const TSSDInfo& Info);

// Sends the identification requests to Identity's disk as the report does (TSSDInfo with
// ATAorSCSI 3 and UsedByService), then AddAnsweredIdentity.
void AskDiskItself(TDriveIdentity& Identity, const TDeviceRoots& Roots,
                   const TDiskRequests& Requests);

// The disks of a volume's extents, each once, in the extents' order.
std::vector<std::string> DistinctDisks(const std::vector<TDiskExtent>& Extents);
