#include "device/Drive.Identity.h"
#include "device/windows/Windows.Identity.h"

TDriveIdentity IdentifyDriveOf(const std::string& Folder, const TDeviceRoots& Roots,
                               const TDiskRequests& Requests) {
  TDriveIdentity Identity = DescribeWindowsDrive(SystemVolumeRequests(), Folder);
  if (!Identity.DiskName.empty()) {
    AskDiskItself(Identity, Roots, Requests);  // the roots mean nothing to Windows' TSSDInfo
  }
  return Identity;
}
