#pragma once

#include <string>

#include "device/Device.Roots.h"
#include "device/Identify.Parse.h"

// The identity that sysfs shows any user: SCSI, SATA and USB disks (vendor + model as INQUIRY
// gives them, rev), NVMe (model, firmware_rev, serial) and MMC/SD cards (name, fwrev, serial).
// Empty fields for disks that offer none (virtio, loop).
TIdentity ReadSysfsIdentity(const std::string& Disk, const TDeviceRoots& Roots);
