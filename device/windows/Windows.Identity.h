#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/Drive.Identity.h"
#include "device/windows/Volume.Requests.h"

// What Windows says of a disk to any user, through IOCTL_STORAGE_QUERY_PROPERTY.

// STORAGE_PROPERTY_ID values asked for.
inline constexpr std::uint32_t StorageDevicePropertyId = 0;
inline constexpr std::uint32_t StorageDeviceSeekPenaltyPropertyId = 7;

// STORAGE_DEVICE_DESCRIPTOR: the strings it points to (trimmed), its bus type and whether the
// medium is removable.
struct TStorageDeviceDescription {
  std::string Vendor;
  std::string Product;
  std::string Revision;
  std::string Serial;
  std::uint32_t BusType = 0;  // STORAGE_BUS_TYPE
  bool RemovableMedia = false;
};

// nullopt when the answer is too short to be a descriptor. A string whose offset is 0 or points
// outside the answer is empty; one without its NUL ends with the answer.
std::optional<TStorageDeviceDescription> ParseStorageDeviceDescriptor(
    const std::vector<std::uint8_t>& Bytes);

// DEVICE_SEEK_PENALTY_DESCRIPTOR's IncursSeekPenalty: a disk that pays for seeking rotates.
std::optional<bool> ParseIncursSeekPenalty(const std::vector<std::uint8_t>& Bytes);

TDriveBus BusOfStorageBusType(std::uint32_t BusType);

// Everything but the identification requests' part (ReportModel): the volume of Folder's drive
// letter, the first disk under it, its size and what the storage queries say of it.
TDriveIdentity DescribeWindowsDrive(const TVolumeRequests& Requests, const std::string& Folder);
