#include "device/Disk.Requests.h"

namespace {

class TSystemDiskRequests final : public TDiskRequests {
 public:
  Platform::TPassThroughAnswer IdentifyDevice(const std::string& DevicePath) const override {
    return Platform::AtaIdentifyDevice(DevicePath);
  }
  Platform::TPassThroughAnswer Inquiry(const std::string& DevicePath) const override {
    return Platform::ScsiInquiry(DevicePath);
  }
};

}  // namespace

const TDiskRequests& SystemDiskRequests() {
  static const TSystemDiskRequests Requests;
  return Requests;
}
