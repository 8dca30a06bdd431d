#pragma once

#include <string>

#include "device/Device.Roots.h"
#include "device/Identify.Parse.h"

// What sysfs shows any user of a disk's identity, each text trimmed; empty where it shows none.
struct TSysfsIdentity {
  // SCSI's vendor field: the USB bridge's or the array's maker. Empty for NVMe and MMC, and for
  // a disk on libata, whose "ATA" says nothing.
  std::string Vendor;
  std::string Model;
  std::string Firmware;
  std::string Serial;
  std::string Wwid;  // world-wide name: "naa.5002538e...", "eui.0025388b...", "t10.ATA ..."
  // The model as the identification requests would answer: IDENTIFY's model for a disk on
  // libata, INQUIRY's vendor and product joined (the vendor's padding inside) for other SCSI
  // disks, else the model.
  std::string AnsweredModel;
};

// Disk: a whole disk's kernel name ("sda", "nvme0n1", "mmcblk0", "vda").
//   SCSI, SATA, USB: device/{vendor,model,rev,wwid}, serial from vpd_pg80; a disk on libata is
//                    named by the IDENTIFY data libata keeps (full model, serial, firmware).
//   NVMe:            device/{model,serial,firmware_rev}, wwid of the namespace.
//   MMC/SD:          device/{name,serial,fwrev}.
//   virtio:          the disk's serial only.
TSysfsIdentity ReadSysfsDiskIdentity(const std::string& Disk, const TDeviceRoots& Roots);

// The same as the requests' answer would set the three texts: model, firmware and serial.
TIdentity ReadSysfsIdentity(const std::string& Disk, const TDeviceRoots& Roots);
