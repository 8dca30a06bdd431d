#pragma once

#include <fuse_lowlevel.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SimDrive.Config.h"
#include "SimDrive.Drive.h"
#include "SimDrive.Stats.h"

// The drive's answers to the kernel's FUSE requests (libfuse's low-level interface, one thread:
// the drive serves one request at a time, as a USB stick does).
namespace SimDrive {

// A folder is read from the entries it had when it was opened, whatever changes meanwhile.
struct TFolderListing {
  struct TEntry {
    std::string Name;
    struct stat Attributes;
  };
  std::vector<TEntry> Entries;
};

struct TSession {
  TDrive& Drive;
  TStatsFile& Stats;
  const TConfig& Config;
  fuse_session* Session = nullptr;
  // The open folders' listings by handle. The session owns them: the kernel may still owe a
  // folder's release when the daemon is stopped.
  std::map<std::uint64_t, std::unique_ptr<TFolderListing>> OpenFolders{};
  std::uint64_t NextFolder = 1;
};

// The operations expect a TSession as the session's user data.
const fuse_lowlevel_ops& Operations();

}  // namespace SimDrive
