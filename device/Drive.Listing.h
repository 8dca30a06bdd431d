#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/Text.Table.h"

#include <nlohmann/json_fwd.hpp>

#include "device/Device.Roots.h"
#include "device/Disk.Requests.h"
#include "device/Drive.Identity.h"

// What varnell-drives shows: each drive the tool offers, with the identity and the temperature
// of the disk under it.
struct TDriveListing {
  std::string MountPoint;  // as the drive list names it: "/", "/mnt/usb", "C:"
  TDriveIdentity Identity;
  std::optional<double> Celsius;
};

// The drives of GetDriveLetters, in its order.
std::vector<TDriveListing> ListDrives(const TDeviceRoots& Roots = {},
                                      const TDiskRequests& Requests = SystemDiskRequests());

// {"drives": [identity object (DriveIdentityToJson) + "mount_point" + "temperature_celsius"]}.
nlohmann::json DriveListingJson(const std::vector<TDriveListing>& Drives);

// One line a drive under a line of column titles, columns as wide as their widest cell; "-"
// where nothing is known. Control characters show as "?".
std::string DriveListingTable(const std::vector<TDriveListing>& Drives);
