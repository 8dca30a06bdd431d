#include "device/Drive.Label.h"

#include "device/Path.Text.h"
#include "platform/Device.Backend.h"
#include "platform/Platform.SystemPlaces.h"

namespace {

// Where the last name of Path begins; Path.size() for a root ("/", "C:\").
std::size_t LastNameStart(const std::string& Path) {
  std::size_t End = Path.size();
  while (End > 0 && IsPathSeparator(Path[End - 1])) {
    --End;
  }
  std::size_t Start = End;
  while (Start > 0 && !IsPathSeparator(Path[Start - 1])) {
    --Start;
  }
  return End == 0 ? Path.size() : Start;
}

}  // namespace

std::string MountPointOf(const std::string& Folder) {
  std::string Path = Platform::CanonicalPath(Folder);
  if (Path.empty()) {
    return {};
  }
  const std::string Filesystem = Platform::FilesystemOf(Path);
  if (Filesystem.empty()) {
    return {};
  }
  for (std::string Parent = ParentFolder(Path);
       !Parent.empty() && Platform::FilesystemOf(Parent) == Filesystem;
       Parent = ParentFolder(Parent)) {
    Path = Parent;
  }
  return Path;
}

std::string DefaultDriveLabel(const std::string& Folder) {
  std::string MountPoint = MountPointOf(Folder);
  const std::size_t Start = LastNameStart(MountPoint);
  if (Start >= MountPoint.size()) {
    // A root: "/" as it is, "C:\" as its letter.
    return MountPoint.size() >= 2 && MountPoint[1] == ':' ? MountPoint.substr(0, 1) : MountPoint;
  }
  std::size_t End = MountPoint.size();
  while (End > Start && IsPathSeparator(MountPoint[End - 1])) {
    --End;
  }
  return MountPoint.substr(Start, End - Start);
}
