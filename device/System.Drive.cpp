#include "device/System.Drive.h"

#include "platform/Platform.SystemPlaces.h"

namespace {

bool IsSeparator(char C) {
#ifdef _WIN32
  return C == '/' || C == '\\';
#else
  return C == '/';
#endif
}

// The folder above Path, by its text: "a/b/" -> "a", "/a" -> "/", "a" -> ".", "C:\a" -> "C:\".
// Empty when there is nothing above ("/", "C:\", ".").
std::string ParentFolder(std::string Path) {
  while (Path.size() > 1 && IsSeparator(Path.back())) {
    Path.pop_back();
  }
  std::size_t Last = Path.size();
  while (Last > 0 && !IsSeparator(Path[Last - 1])) {
    --Last;
  }
  if (Last == 0) {
    const bool Root =
        Path.empty() || Path == "." || IsSeparator(Path[0]) || (Path.size() == 2 && Path[1] == ':');
    return Root ? std::string() : std::string(".");
  }
  if (Last == Path.size()) {
    return {};  // the root itself
  }
  std::string Parent = Path.substr(0, Last);  // with its separator
  while (Parent.size() > 1 && IsSeparator(Parent.back()) &&
         !(Parent.size() == 3 && Parent[1] == ':')) {
    Parent.pop_back();
  }
  return Parent;
}

}  // namespace

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
