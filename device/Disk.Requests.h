#pragma once

#include <string>

#include "platform/Device.Backend.h"

// The two identification requests a disk is asked. The system's version sends them through
// SG_IO; tests hand in recorded answers.
class TDiskRequests {
 public:
  virtual ~TDiskRequests() = default;
  virtual Platform::TPassThroughAnswer IdentifyDevice(const std::string& DevicePath) const = 0;
  virtual Platform::TPassThroughAnswer Inquiry(const std::string& DevicePath) const = 0;
};

// SG_IO on the real device.
const TDiskRequests& SystemDiskRequests();
