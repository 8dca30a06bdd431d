#pragma once

#include <string>

// The short name a drive goes by in the metrics (and in the lines of a run over several
// drives): the last name of the mount point of the filesystem that holds Folder, symbolic links
// followed ("/media/usb0/test" -> "usb0"); "/" for the root; on Windows the drive letter ("E").
// Empty when Folder cannot be reached.
std::string DefaultDriveLabel(const std::string& Folder);

// The mount point of the filesystem that holds Folder, by climbing from its canonical path while
// the folder above is on the same filesystem. Empty when Folder cannot be reached.
std::string MountPointOf(const std::string& Folder);
