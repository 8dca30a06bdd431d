#pragma once

#include <string>

#include "device/Device.Roots.h"
#include "device/Disk.Requests.h"
#include "device/Drive.Identity.h"
#include "platform/Device.Backend.h"

// The steps of IdentifyDriveOf on Linux, for callers that know more than a folder.

// What sysfs says of a whole disk ("sda", "nvme0n1"): identity, bus, rotational, removable and
// size. Device, Disks and ReportModel are left to the caller.
TDriveIdentity DescribeDisk(const std::string& DiskName, const TDeviceRoots& Roots);

// The identity of the disk under the filesystem of device number Device (st_dev of a folder).
TDriveIdentity IdentifyDriveOfDevice(const Platform::TDeviceNumber& Device,
                                     const TDeviceRoots& Roots, const TDiskRequests& Requests);
