#include "platform/Platform.SystemPlaces.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>

namespace Platform {

std::vector<std::string> SystemFolders() {
  std::vector<std::string> Folders = {"/", "/usr", "/var"};
  // Both homes: under sudo $HOME may be the caller's while the passwd entry is root's.
  if (const char* Home = std::getenv("HOME"); Home != nullptr && Home[0] != '\0') {
    Folders.emplace_back(Home);
  }
  long Size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string Buffer(Size > 0 ? static_cast<std::size_t>(Size) : 16384, '\0');
  passwd Entry{};
  passwd* Found = nullptr;
  if (getpwuid_r(getuid(), &Entry, Buffer.data(), Buffer.size(), &Found) == 0 && Found != nullptr &&
      Found->pw_dir != nullptr && Found->pw_dir[0] != '\0') {
    Folders.emplace_back(Found->pw_dir);
  }
  return Folders;
}

std::string FilesystemOf(const std::string& Path) {
  struct stat Status {};
  if (Path.empty() || stat(Path.c_str(), &Status) != 0) {
    return {};
  }
  return std::to_string(major(Status.st_dev)) + ":" + std::to_string(minor(Status.st_dev));
}

}  // namespace Platform
