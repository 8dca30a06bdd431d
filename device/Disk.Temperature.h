#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device/Device.Roots.h"
#include "platform/Polled.File.h"

// The temperature sensor of a disk, found once (at the start of a pass) and then read between
// writes: each reading is one read of a few bytes from a file kept open, with no allocation.
// Where the kernel offers no sensor (virtio, loop, MMC, a SATA disk without the drivetemp
// driver, Windows for now), or the sensor is gone (the drive was unplugged) or says something
// that is no temperature, a reading is std::nullopt; never an error.
//
// What a reading costs the disk: NVMe answers from its controller (an admin command, beside
// the write queues); drivetemp asks the drive itself with an ATA command that waits for the
// queued writes, so a caller that cares about every write reads it seldom.
class TDiskTemperature {
 public:
  TDiskTemperature() = default;  // no sensor
  // SensorPath: a hwmon temperature input in millidegrees Celsius ("temp1_input").
  explicit TDiskTemperature(const std::string& SensorPath);

  // The sensor of the first disk under the filesystem that holds Folder.
  static TDiskTemperature OfFolder(const std::string& Folder, const TDeviceRoots& Roots = {});

  bool HasSensor() const { return FFile.IsOpen(); }
  const std::string& SensorPath() const { return FPath; }

  // Degrees Celsius now; nullopt without a sensor or a sensible value.
  std::optional<double> ReadCelsius() const;

 private:
  std::string FPath;
  Platform::TPolledFile FFile;
};

// A hwmon temperature input: "41850\n" -> 41850. Decimal digits with an optional minus and
// trailing white space; nullopt for anything else, and for values outside -100..250 degrees
// (a sensor that reports 0 kelvin, or junk).
std::optional<std::int32_t> ParseMillidegrees(std::string_view Text);

// The temp1_input of the hwmon device that the kernel hangs under a whole disk: under the NVMe
// controller of a namespace (nvme0/hwmonN, or nvme0/device/hwmon/hwmonN on older kernels, or
// under any controller of a multipath subsystem), or under a SATA/SAS disk with drivetemp
// (sda/device/hwmon/hwmonN). Empty when there is none.
std::string FindTemperatureSensor(const std::string& DiskName, const TDeviceRoots& Roots);

// For the worker, which reads no device itself: the sensor of the disk under Folder as a reader
// of degrees Celsius, or an empty function when that disk has none.
std::function<std::optional<double>()> DiskTemperatureReaderOf(const std::string& Folder);
