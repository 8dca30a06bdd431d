#include "device/uSSDInfo.h"

#include <utility>

#include "device/Identify.Parse.h"
#include "device/Sysfs.Text.h"

TSSDInfo::TSSDInfo(TDeviceRoots Roots) : TSSDInfo(std::move(Roots), SystemDiskRequests()) {}

TSSDInfo::TSSDInfo(TDeviceRoots Roots, const TDiskRequests& Requests)
    : FRoots(std::move(Roots)), FRequests(&Requests) {}

void TSSDInfo::SetDeviceName(const std::string& Harddisk) {
  DeviceName = "\\\\.\\" + Harddisk;
  Model.clear();
  Firmware.clear();
  Serial.clear();
  // Only a plain name in the device namespace: no path, no second namespace prefix.
  if (!IsSafeDeviceName(Harddisk) || Harddisk.find_first_of("\\:") != std::string::npos) {
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
  }
}

// Each answer sets all three texts, so firmware and serial belong to the answer that named
// the model.
void TSSDInfo::IdentifyByATA() {
  const Platform::TPassThroughAnswer Answer = FRequests->IdentifyDevice(DeviceName);
  if (!Answer.Opened || !IsAtaAnswerUsable(Answer)) {
    return;
  }
  TIdentity Identity = ParseIdentifyDevice(Answer.Data);
  Model = std::move(Identity.Model);
  Firmware = std::move(Identity.Firmware);
  Serial = std::move(Identity.Serial);
}

void TSSDInfo::IdentifyBySCSI() {
  const Platform::TPassThroughAnswer Answer = FRequests->Inquiry(DeviceName);
  if (!Answer.Opened || !IsAnswerUsable(Answer)) {
    return;
  }
  TIdentity Identity = ParseInquiry(Answer.Data);
  Model = std::move(Identity.Model);
  Firmware = std::move(Identity.Firmware);
  Serial = std::move(Identity.Serial);
}
