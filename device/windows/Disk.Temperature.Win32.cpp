#include "device/Disk.Temperature.h"

// Windows keeps a disk's temperature behind a storage property that the system's headers here
// do not describe yet: no sensor, so every reading is nullopt.

std::string FindTemperatureSensor(const std::string&, const TDeviceRoots&) {
  return {};
}

TDiskTemperature TDiskTemperature::OfFolder(const std::string&, const TDeviceRoots&) {
  return {};
}
