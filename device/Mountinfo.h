#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "device/Device.Roots.h"
#include "platform/Device.Backend.h"

// One line of /proc/self/mountinfo, with the kernel's octal escapes (\040 for a space, \011,
// \012, \134 ...) turned back into the bytes they stand for.
struct TMountEntry {
  Platform::TDeviceNumber Device;  // major 0: no block device (tmpfs, proc, btrfs subvolume ...)
  std::string Root;                // folder of the filesystem seen at the mount point
  std::string MountPoint;
  std::string MountOptions;  // per mount: "rw,nosuid,..."
  std::string FsType;
  std::string Source;        // "/dev/sda1", "tmpfs", "server:/export" ...
  std::string SuperOptions;  // per filesystem: "rw,errors=remount-ro"

  // Read-only either for this mount or for the whole filesystem.
  bool ReadOnly() const;
};

// Every well-formed line in order; malformed or truncated lines are skipped.
std::vector<TMountEntry> ParseMountinfo(std::string_view Text);

// "\040" -> " ": a backslash followed by three octal digits is one byte; all else stays.
std::string UnescapeMountField(std::string_view Field);

// The mounts of Roots.Proc/self/mountinfo; empty when it cannot be read.
std::vector<TMountEntry> ReadMountTable(const TDeviceRoots& Roots);
