#include "device/uSSDInfo.h"

#include <utility>

#include "device/Identify.Parse.h"
#include "device/Sysfs.Identity.h"
#include "device/Sysfs.Text.h"

TSSDInfo::TSSDInfo(TDeviceRoots Roots) : TSSDInfo(std::move(Roots), SystemDiskRequests()) {}

TSSDInfo::TSSDInfo(TDeviceRoots Roots, const TDiskRequests& Requests)
    : FRoots(std::move(Roots)), FRequests(&Requests) {}

void TSSDInfo::SetDeviceName(const std::string& Harddisk) {
  DeviceName = FRoots.Dev + "/" + Harddisk;
  Model.clear();
  Firmware.clear();
  Serial.clear();
  // An empty name (no disk found under the volume) or one with a path in it opens nothing.
  if (!IsSafeDeviceName(Harddisk)) {
    return;
  }
  IdentifyByATA();
  if (!Model.empty()) {
    ATAorSCSI = 1;
    return;
  }
  IdentifyBySCSI();
  if (!Model.empty()) {
    ATAorSCSI = 2;
    return;
  }
  IdentifyBySysfs(Harddisk);
}

// Each step that answers sets all three texts from its own answer, so the firmware and serial
// always belong to the same answer as the model.
void TSSDInfo::IdentifyByATA() {
  const Platform::TPassThroughAnswer Answer = FRequests->IdentifyDevice(DeviceName);
  if (!IsAtaAnswerUsable(Answer)) {
    return;
  }
  TIdentity Identity = ParseIdentifyDevice(Answer.Data);
  Model = std::move(Identity.Model);
  Firmware = std::move(Identity.Firmware);
  Serial = std::move(Identity.Serial);
}

void TSSDInfo::IdentifyBySCSI() {
  const Platform::TPassThroughAnswer Answer = FRequests->Inquiry(DeviceName);
  if (!IsAnswerUsable(Answer)) {
    return;
  }
  TIdentity Identity = ParseInquiry(Answer.Data);
  Model = std::move(Identity.Model);
  Firmware = std::move(Identity.Firmware);
  Serial = std::move(Identity.Serial);
}

void TSSDInfo::IdentifyBySysfs(const std::string& Harddisk) {
  TIdentity Identity = ReadSysfsIdentity(Harddisk, FRoots);
  if (Identity.Model.empty()) {
    return;
  }
  Model = std::move(Identity.Model);
  Firmware = std::move(Identity.Firmware);
  Serial = std::move(Identity.Serial);
}
