#include "device/windows/Volume.Requests.h"

namespace {

class TSystemVolumeRequests final : public TVolumeRequests {
 public:
  std::string LogicalDriveStrings() const override { return Platform::LogicalDriveStrings(); }
  std::uint32_t DriveType(const std::string& Root) const override {
    return Platform::DriveType(Root);
  }
  std::string DosDeviceTarget(const std::string& Drive) const override {
    return Platform::DosDeviceTarget(Drive);
  }
  Platform::TVolumeExtentsAnswer VolumeDiskExtents(const std::string& VolumePath) const override {
    return Platform::VolumeDiskExtents(VolumePath);
  }
  Platform::TDiskGeometryAnswer DiskGeometry(const std::string& DiskPath) const override {
    return Platform::DiskGeometry(DiskPath);
  }
  Platform::TStoragePropertyAnswer StorageProperty(const std::string& DiskPath,
                                                   std::uint32_t PropertyId) const override {
    return Platform::StorageProperty(DiskPath, PropertyId);
  }
};

}  // namespace

const TVolumeRequests& SystemVolumeRequests() {
  static const TSystemVolumeRequests Requests;
  return Requests;
}
