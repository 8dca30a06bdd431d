#include "device/Drive.Identity.h"

#include <algorithm>

#include "device/uSSDInfo.h"

namespace {

constexpr std::uint8_t AnsweredByAta = 1;
constexpr std::uint8_t AnsweredByScsi = 2;

void FillIfEmpty(std::string& Field, const std::string& Answer) {
  if (Field.empty()) {
    Field = Answer;
  }
}

}  // namespace

void AddAnsweredIdentity(TDriveIdentity& Identity, const TSSDInfo& Info) {
  Identity.ReportModel = Info.Model;
  if (Info.Model.empty() || (Info.ATAorSCSI != AnsweredByAta && Info.ATAorSCSI != AnsweredByScsi)) {
    return;  // no request answered: the description already holds what the system keeps
  }
  FillIfEmpty(Identity.Model, Info.Model);
  FillIfEmpty(Identity.Firmware, Info.Firmware);
  if (Info.ATAorSCSI == AnsweredByAta) {
    FillIfEmpty(Identity.Serial, Info.Serial);
  }
}

void AskDiskItself(TDriveIdentity& Identity, const TDeviceRoots& Roots,
                   const TDiskRequests& Requests) {
  TSSDInfo Info(Roots, Requests);
  Info.ATAorSCSI = 3;
  Info.UsedByService = true;
  Info.SetDeviceName(Identity.DiskName);
  AddAnsweredIdentity(Identity, Info);
}

std::vector<std::string> DistinctDisks(const std::vector<TDiskExtent>& Extents) {
  std::vector<std::string> Disks;
  for (const TDiskExtent& Extent : Extents) {
    if (std::find(Disks.begin(), Disks.end(), Extent.DiskName) == Disks.end()) {
      Disks.push_back(Extent.DiskName);
    }
  }
  return Disks;
}
