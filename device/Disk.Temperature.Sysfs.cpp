#include <algorithm>
#include <vector>

#include "device/Disk.Temperature.h"
#include "device/Sysfs.Text.h"
#include "device/uDiskFunctions.h"
#include "platform/Device.Backend.h"

namespace {

bool IsNumberedName(const std::string& Name, std::string_view Word) {
  return Name.size() > Word.size() && Name.compare(0, Word.size(), Word) == 0 &&
         Name.find_first_not_of("0123456789", Word.size()) == std::string::npos;
}

// "hwmon2" before "hwmon10": the first one registered is the disk's own.
std::vector<std::string> NumberedEntries(const std::string& Folder, std::string_view Word) {
  std::vector<std::string> Names = Platform::ListFolder(Folder);
  std::erase_if(Names, [&](const std::string& Name) { return !IsNumberedName(Name, Word); });
  std::sort(Names.begin(), Names.end(), [](const std::string& Left, const std::string& Right) {
    return Left.size() != Right.size() ? Left.size() < Right.size() : Left < Right;
  });
  return Names;
}

// A hwmon device hangs directly in a class device's folder (nvme0/hwmon1) and in a "hwmon"
// folder under any other device (sda/device/hwmon/hwmon1).
std::string SensorIn(const std::string& Folder) {
  for (const std::string& Hwmons : {Folder, Folder + "/hwmon"}) {
    for (const std::string& Hwmon : NumberedEntries(Hwmons, "hwmon")) {
      const std::string Input = Hwmons + "/" + Hwmon + "/temp1_input";
      if (Platform::IsExistingNonFolder(Input)) {
        return Input;
      }
    }
  }
  return {};
}

}  // namespace

std::string FindTemperatureSensor(const std::string& DiskName, const TDeviceRoots& Roots) {
  if (!IsSafeDeviceName(DiskName)) {
    return {};
  }
  // The disk's device: an NVMe controller (or a multipath subsystem), a SCSI device.
  const std::string Device = Platform::CanonicalPath(Roots.Sys + "/block/" + DiskName + "/device");
  if (Device.empty()) {
    return {};
  }
  std::vector<std::string> Candidates = {Device, Device + "/device"};
  for (const std::string& Controller : NumberedEntries(Device, "nvme")) {
    Candidates.push_back(Device + "/" + Controller);
    Candidates.push_back(Device + "/" + Controller + "/device");
  }
  for (const std::string& Candidate : Candidates) {
    std::string Sensor = SensorIn(Candidate);
    if (!Sensor.empty()) {
      return Sensor;
    }
  }
  return {};
}

TDiskTemperature TDiskTemperature::OfFolder(const std::string& Folder, const TDeviceRoots& Roots) {
  TVolumeDiskExtents Extents;
  GetVolumeExtents(Folder, Extents, Roots);
  if (Extents.Extents.empty()) {
    return {};
  }
  const std::string Sensor = FindTemperatureSensor(Extents.Extents.front().DiskName, Roots);
  return Sensor.empty() ? TDiskTemperature() : TDiskTemperature(Sensor);
}
