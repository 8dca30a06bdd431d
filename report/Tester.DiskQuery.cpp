#include "report/Tester.DiskQuery.h"

#include "device/uDiskFunctions.h"
#include "device/uSSDInfo.h"

TDiskIdentity QueryDiskOfVolume(const std::string& DrivePath) {
  TVolumeDiskExtents Extents;
  GetVolumeExtents(DrivePath, Extents);
  // No extents (a RAM disk, a pseudo filesystem, a failed query): no disk, rather than
  // some other disk's figures.
  if (Extents.NumberOfDiskExtents == 0 || Extents.Extents.empty()) {
    return {};
  }
  const std::string& DiskName = Extents.Extents.front().DiskName;
  TSSDInfo Info;
  Info.ATAorSCSI = 3;
  Info.UsedByService = true;
  Info.SetDeviceName(DiskName);
  return {Info.Model, GetDiskSize(DiskName)};
}
