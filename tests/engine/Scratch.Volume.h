#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

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

// A filesystem mounted for one test (root only), unmounted afterwards: on a scratch folder of
// its own, or on a folder the test owns (whose files the mount then hides).
class TMountedVolume {
 public:
  // MountArguments: what goes between "mount" and the folder, e.g. "-t tmpfs -o size=96m tmpfs".
  explicit TMountedVolume(const std::string& MountArguments) : FPath(FOwnFolder.Path()) {
    Mount(MountArguments);
  }
  TMountedVolume(const std::string& MountArguments, std::filesystem::path OnFolder)
      : FPath(std::move(OnFolder)) {
    Mount(MountArguments);
  }
  ~TMountedVolume() {
    if (FMounted) {
      Shell("umount '" + FPath.string() + "'");
    }
  }
  TMountedVolume(const TMountedVolume&) = delete;
  TMountedVolume& operator=(const TMountedVolume&) = delete;

  bool Mounted() const { return FMounted; }
  std::string DrivePath() const { return FPath.string() + "/"; }
  const std::filesystem::path& Path() const { return FPath; }
  // Detaches the filesystem from its folder at once; it lives on while files in it are open.
  bool LazyUnmount() {
    FMounted = FMounted && !Shell("umount -l '" + FPath.string() + "'");
    return !FMounted;
  }

  static bool Shell(const std::string& Command) {
    return std::system((Command + " >/dev/null 2>&1").c_str()) == 0;
  }

 private:
  void Mount(const std::string& MountArguments) {
    if (geteuid() != 0 || FPath.empty()) {
      return;
    }
    FMounted = Shell("mount " + MountArguments + " '" + FPath.string() + "'");
  }

  TScratchFolder FOwnFolder;
  std::filesystem::path FPath;
  bool FMounted = false;
};

// A loop-mounted ext4 image of Size (e.g. "64M") for one test (root only), starting empty (no
// lost+found). The image lies in ImageFolder, or in a scratch folder of its own.
class TExt4Volume {
 public:
  explicit TExt4Volume(const std::string& Size, const std::filesystem::path& ImageFolder = {})
      : FImage((ImageFolder.empty() ? FOwnFolder.Path() : ImageFolder) / "volume.ext4"),
        FMade(geteuid() == 0 &&
              TMountedVolume::Shell("truncate -s " + Size + " '" + FImage.string() +
                                    "' && mkfs.ext4 -q -F '" + FImage.string() + "'")),
        FVolume("-o loop '" + FImage.string() + "'") {
    if (FVolume.Mounted()) {
      std::error_code Ignored;
      std::filesystem::remove_all(FVolume.Path() / "lost+found", Ignored);
    }
  }

  bool Mounted() const { return FMade && FVolume.Mounted(); }
  std::string DrivePath() const { return FVolume.DrivePath(); }
  const std::filesystem::path& Path() const { return FVolume.Path(); }

 private:
  TScratchFolder FOwnFolder;
  std::filesystem::path FImage;
  bool FMade;
  TMountedVolume FVolume;
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
