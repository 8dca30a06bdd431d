#pragma once

#include <cstdint>
#include <string>

#include "device/Device.Roots.h"
#include "device/Disk.Requests.h"

// Identification of one disk: model, firmware and serial, asked first by ATA IDENTIFY
// DEVICE, then by SCSI INQUIRY, then (when neither is permitted) read from sysfs.
class TSSDInfo {
 public:
  explicit TSSDInfo(TDeviceRoots Roots = {});
  // Requests: where the two requests go; it must outlive the object.
  TSSDInfo(TDeviceRoots Roots, const TDiskRequests& Requests);

  // Harddisk: kernel disk name such as "sda"; DeviceName becomes "/dev/sda". On Windows a name
  // such as "PhysicalDrive0", and DeviceName "\\.\PhysicalDrive0" (no sysfs step there).
  void SetDeviceName(const std::string& Harddisk);

  std::string Model;
  std::string Firmware;
  std::string Serial;
  std::string DeviceName;
  std::uint8_t ATAorSCSI = 0;
  bool USBMode = false;
  bool UsedByService = false;
  std::uint8_t SupportedDevice = 0;
  std::uint64_t HostWrites = 0;
  std::uint64_t EraseError = 0;
  std::uint64_t UserSize = 0;
  std::uint64_t ReplacedSectors = 0;

 private:
  void IdentifyByATA();
  void IdentifyBySCSI();
  void IdentifyBySysfs(const std::string& Harddisk);

  TDeviceRoots FRoots;
  const TDiskRequests* FRequests;
};
