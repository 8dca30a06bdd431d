#pragma once

#include <sys/statvfs.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "device/System.Drive.h"
#include "engine/Scratch.Volume.h"

inline std::int64_t FreeMiB(const std::filesystem::path& Folder) {
  struct statvfs Info {};
  statvfs(Folder.c_str(), &Info);
  return static_cast<std::int64_t>(Info.f_bavail) * Info.f_frsize / 1048576;
}

// Where a fill goes: a tmpfs of its own when root, so that other tests writing at the same
// time cannot change its free space; otherwise a folder on the temporary folder's volume, when
// that is not the running system's (a test never fills that).
class FillTarget {
 public:
  FillTarget() : FVolume("-t tmpfs -o size=64m tmpfs") {}
  bool Usable() const { return FVolume.Mounted() || !HoldsRunningSystem(FFallback.Path()); }
  std::filesystem::path Path() const {
    return FVolume.Mounted() ? FVolume.Path() : FFallback.Path();
  }
  std::string DrivePath() const { return Path().string() + "/"; }
  // Leaves all but 39 MiB of the free space: four writes of 8 MiB.
  std::string LeaveForFourWrites() const { return std::to_string(FreeMiB(Path()) - 40) + "MiB"; }
  bool Exact() const { return FVolume.Mounted(); }

 private:
  TMountedVolume FVolume;
  TScratchFolder FFallback;
};

#define SKIP_UNLESS_USABLE(Fill)                                                           \
  do {                                                                                     \
    if (!(Fill).Usable()) {                                                                \
      GTEST_SKIP() << "no tmpfs can be mounted (not root) and the temporary folder is on " \
                      "the running system's filesystem";                                   \
    }                                                                                      \
  } while (false)
