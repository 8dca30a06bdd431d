#pragma once

#include <string>
#include <vector>

// True when Folder lies on a filesystem that the running system needs room on: the one mounted
// at "/" or holding /usr, /var or the user's home; on Windows the volume holding the Windows
// folder or the user's profile. Filling such a filesystem can make every other program fail.
// Folder is judged where the files would go: symbolic links followed, a relative folder from
// the current folder, a bind mount as the filesystem it shows. A folder that does not exist
// is judged by the nearest folder above it that does. An empty folder, or one of which no part
// can be reached, counts as the system's: a target is never guessed.
bool HoldsRunningSystem(const std::string& Folder);

// The same, against the given folders of the system.
bool HoldsRunningSystem(const std::string& Folder, const std::vector<std::string>& SystemFolders);
