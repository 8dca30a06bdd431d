#include "report/Tester.DiskQuery.h"

#include "device/Drive.Identity.h"

TDiskIdentity QueryDiskOfVolume(const std::string& DrivePath) {
  const TDriveIdentity Drive = IdentifyDriveOf(DrivePath);
  // No disk under the volume (a RAM disk, a pseudo filesystem, a failed query): no model and
  // no size, rather than some other disk's figures.
  if (Drive.DiskName.empty()) {
    return {};
  }
  return {Drive.ReportModel, Drive.SizeInByte};
}
