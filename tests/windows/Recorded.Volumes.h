#pragma once

#include <map>
#include <string>
#include <vector>

#include "device/windows/Volume.Requests.h"

// Answers recorded from a Windows system, and the requests that were asked of it, in order.
// A volume or disk without a recorded answer cannot be opened.
class TRecordedVolumes final : public TVolumeRequests {
 public:
  std::string DriveStrings;
  std::map<std::string, std::uint32_t> Types;  // by root path; others: DRIVE_NO_ROOT_DIR
  std::map<std::string, std::string> Targets;  // by drive; others: the call fails (empty)
  std::map<std::string, Platform::TVolumeExtentsAnswer> Extents;    // by volume path
  std::map<std::string, Platform::TDiskGeometryAnswer> Geometries;  // by disk path
  // By disk path and STORAGE_PROPERTY_ID.
  std::map<std::pair<std::string, std::uint32_t>, Platform::TStoragePropertyAnswer> Properties;
  mutable std::vector<std::string> Asked;

  std::string LogicalDriveStrings() const override {
    Asked.push_back("drives");
    return DriveStrings;
  }
  std::uint32_t DriveType(const std::string& Root) const override {
    Asked.push_back("type " + Root);
    const auto Found = Types.find(Root);
    return Found == Types.end() ? 1 : Found->second;
  }
  std::string DosDeviceTarget(const std::string& Drive) const override {
    Asked.push_back("target " + Drive);
    const auto Found = Targets.find(Drive);
    return Found == Targets.end() ? std::string() : Found->second;
  }
  Platform::TVolumeExtentsAnswer VolumeDiskExtents(const std::string& VolumePath) const override {
    Asked.push_back("extents " + VolumePath);
    const auto Found = Extents.find(VolumePath);
    return Found == Extents.end() ? Platform::TVolumeExtentsAnswer{} : Found->second;
  }
  Platform::TDiskGeometryAnswer DiskGeometry(const std::string& DiskPath) const override {
    Asked.push_back("geometry " + DiskPath);
    const auto Found = Geometries.find(DiskPath);
    return Found == Geometries.end() ? Platform::TDiskGeometryAnswer{} : Found->second;
  }
  Platform::TStoragePropertyAnswer StorageProperty(const std::string& DiskPath,
                                                   std::uint32_t PropertyId) const override {
    Asked.push_back("property " + std::to_string(PropertyId) + " " + DiskPath);
    const auto Found = Properties.find({DiskPath, PropertyId});
    return Found == Properties.end() ? Platform::TStoragePropertyAnswer{} : Found->second;
  }
};
