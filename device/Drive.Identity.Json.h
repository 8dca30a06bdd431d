#pragma once

#include <nlohmann/json_fwd.hpp>

#include "device/Drive.Identity.h"

// The identity as a JSON object, snake_case keys, every key always present: "folder",
// "device", "disk", "disk_name", "disks", "vendor", "model", "serial", "firmware", "wwid",
// "bus" (BusKey), "rotational", "removable", "size_bytes", "report_model". Unknown texts and an
// unknown rotational are null.
nlohmann::json DriveIdentityToJson(const TDriveIdentity& Identity);

// The identity from such an object, for reading a saved result back. Throws
// nlohmann::json::exception when a key is missing or holds the wrong type.
TDriveIdentity DriveIdentityFromJson(const nlohmann::json& Object);
