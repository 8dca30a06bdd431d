#pragma once

#include <string>
#include <vector>

namespace Platform {

// Folders that the running system needs room on: "/", "/usr", "/var" and the user's home
// ($HOME and the home of the user's passwd entry); on Windows the Windows folder and the
// user's profile. Whatever cannot be found is left out.
std::vector<std::string> SystemFolders();

// What tells filesystems apart: the device (st_dev) of the filesystem that holds Path, symbolic
// links followed, as "major:minor"; on Windows the serial number of the volume that holds it.
// Empty when Path cannot be reached.
std::string FilesystemOf(const std::string& Path);

}  // namespace Platform
