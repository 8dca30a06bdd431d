#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, removed with all it holds.
class TScratchFolder {
 public:
  TScratchFolder() {
    std::string Pattern = (std::filesystem::temp_directory_path() / "varnell-XXXXXX").string();
    if (mkdtemp(Pattern.data()) != nullptr) {
      FPath = Pattern;
    }
  }
  ~TScratchFolder() {
    if (!FPath.empty()) {
      std::error_code Ignored;
      std::filesystem::remove_all(FPath, Ignored);
    }
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  // With a trailing separator, as a drive path is given.
  std::string DrivePath() const { return FPath.string() + "/"; }
  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

// A filesystem mounted on a scratch folder for one test (root only), unmounted afterwards.
class TMountedVolume {
 public:
  // MountArguments: what goes between "mount" and the folder, e.g. "-t tmpfs -o size=96m tmpfs".
  explicit TMountedVolume(const std::string& MountArguments) {
    if (geteuid() != 0 || FFolder.Path().empty()) {
      return;
    }
    FMounted = Shell("mount " + MountArguments + " '" + FFolder.Path().string() + "'");
  }
  ~TMountedVolume() {
    if (FMounted) {
      Shell("umount '" + FFolder.Path().string() + "'");
    }
  }
  TMountedVolume(const TMountedVolume&) = delete;
  TMountedVolume& operator=(const TMountedVolume&) = delete;

  bool Mounted() const { return FMounted; }
  std::string DrivePath() const { return FFolder.DrivePath(); }
  const std::filesystem::path& Path() const { return FFolder.Path(); }

  static bool Shell(const std::string& Command) {
    return std::system((Command + " >/dev/null 2>&1").c_str()) == 0;
  }

 private:
  TScratchFolder FFolder;
  bool FMounted = false;
};

#define SKIP_UNLESS_MOUNTED(Volume, What)                                                    \
  do {                                                                                       \
    if (geteuid() != 0) {                                                                    \
      GTEST_SKIP() << "needs root to mount " What;                                           \
    }                                                                                        \
    if (!(Volume).Mounted()) {                                                               \
      GTEST_SKIP() << "could not mount " What " here (no mount permission in this system?)"; \
    }                                                                                        \
  } while (false)
