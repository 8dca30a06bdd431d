#include "device/System.Drive.h"

#include "device/Path.Text.h"
#include "platform/Platform.SystemPlaces.h"

bool HoldsRunningSystem(const std::string& Folder, const std::vector<std::string>& SystemFolders) {
  std::string Filesystem;
  for (std::string Path = Folder; !Path.empty() && Filesystem.empty(); Path = ParentFolder(Path)) {
    Filesystem = Platform::FilesystemOf(Path);
  }
  if (Filesystem.empty()) {
    return true;
  }
  for (const std::string& SystemFolder : SystemFolders) {
    if (Platform::FilesystemOf(SystemFolder) == Filesystem) {
      return true;
    }
  }
  return false;
}

bool HoldsRunningSystem(const std::string& Folder) {
  return HoldsRunningSystem(Folder, Platform::SystemFolders());
}
