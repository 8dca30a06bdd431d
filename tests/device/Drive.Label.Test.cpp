// The label a drive goes by: its mount point's last name, found from any folder on it.
#include "device/Drive.Label.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Scratch.Volume.h"

namespace {

namespace fs = std::filesystem;

TEST(DriveLabel, TheMountPointsLastNameFromAnyFolderOnIt) {
  TScratchFolder Scratch;
  const fs::path MountPoint = Scratch.Path() / "bay 3";
  fs::create_directory(MountPoint);
  TMountedVolume Volume("-t tmpfs -o size=1m tmpfs", MountPoint);
  SKIP_UNLESS_MOUNTED(Volume, "a tmpfs");
  fs::create_directories(MountPoint / "test" / "deep");
  fs::create_directory_symlink(MountPoint / "test", Scratch.Path() / "link");
  const struct {
    fs::path Folder;
    std::string Label;
  } Cases[] = {
      {MountPoint, "bay 3"},
      {MountPoint / "test" / "deep/", "bay 3"},
      {Scratch.Path() / "link", "bay 3"},  // the link leads onto the volume
      {"/", "/"},
      {Scratch.Path() / "missing", ""},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(DefaultDriveLabel(Case.Folder.string()), Case.Label) << Case.Folder;
  }
  EXPECT_EQ(MountPointOf((MountPoint / "test").string()), MountPoint.string());
}

}  // namespace
