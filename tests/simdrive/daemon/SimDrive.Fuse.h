#pragma once

#include <fuse_lowlevel.h>

#include "SimDrive.Config.h"
#include "SimDrive.Drive.h"
#include "SimDrive.Stats.h"

// The drive's answers to the kernel's FUSE requests (libfuse's low-level interface, one thread:
// the drive serves one request at a time, as a USB stick does).
namespace SimDrive {

struct TSession {
  TDrive& Drive;
  TStatsFile& Stats;
  const TConfig& Config;
  fuse_session* Session = nullptr;
};

// The operations expect a TSession as the session's user data.
const fuse_lowlevel_ops& Operations();

}  // namespace SimDrive
