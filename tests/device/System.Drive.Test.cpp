#include "device/System.Drive.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/Scratch.Volume.h"
#include "platform/Platform.SystemPlaces.h"

namespace {

namespace fs = std::filesystem;

TEST(SystemDrive, RootUsrVarAndTheHomeAreTheSystemsEvenWhereAFolderIsMissing) {
  EXPECT_TRUE(HoldsRunningSystem("/"));
  EXPECT_TRUE(HoldsRunningSystem("/usr/"));
  EXPECT_TRUE(HoldsRunningSystem("/var"));
  EXPECT_TRUE(HoldsRunningSystem("/no/such/folder/"));  // it would be made on "/"
  if (const char* Home = std::getenv("HOME"); Home != nullptr && Home[0] != '\0') {
    EXPECT_TRUE(HoldsRunningSystem(Home));
    EXPECT_TRUE(HoldsRunningSystem(std::string(Home) + "/no-such-folder"));
  }
  // Never a guess: an empty folder names nothing.
  EXPECT_TRUE(HoldsRunningSystem(""));
  EXPECT_TRUE(HoldsRunningSystem("", {}));
  // A filesystem of its own that the system does not need.
  EXPECT_FALSE(HoldsRunningSystem("/proc", {"/"}));
}

TEST(SystemDrive, TheHomeOfTheEnvironmentAndOfThePasswdEntryBothCount) {
  // Under sudo $HOME may be the caller's while the passwd entry is root's.
  TMountedVolume Volume("-t tmpfs -o size=1m tmpfs");
  SKIP_UNLESS_MOUNTED(Volume, "a tmpfs");
  const char* Saved = std::getenv("HOME");
  const std::string Before = Saved != nullptr ? Saved : "";
  EXPECT_FALSE(HoldsRunningSystem(Volume.Path().string()));
  setenv("HOME", Volume.Path().c_str(), 1);
  EXPECT_TRUE(HoldsRunningSystem(Volume.Path().string()));
  const std::vector<std::string> Folders = Platform::SystemFolders();
  EXPECT_NE(std::find(Folders.begin(), Folders.end(), Volume.Path().string()), Folders.end());
  EXPECT_GE(Folders.size(), 5u);  // "/", "/usr", "/var", $HOME and the passwd entry's home
  if (Saved != nullptr) {
    setenv("HOME", Before.c_str(), 1);
  } else {
    unsetenv("HOME");
  }
}

TEST(SystemDrive, ATmpfsIsNotTheSystemsWhereverItIsReachedFrom) {
  TMountedVolume Volume("-t tmpfs -o size=1m tmpfs");
  SKIP_UNLESS_MOUNTED(Volume, "a tmpfs");
  const fs::path Mount = Volume.Path();
  fs::create_directory(Mount / "folder");
  const std::vector<std::string> System = {"/"};
  TScratchFolder Links;  // on the system's filesystem
  fs::create_directory_symlink(Mount / "folder", Links.Path() / "to-tmpfs");
  fs::create_directory_symlink("/", Mount / "to-root");

  const fs::path Before = fs::current_path();
  fs::current_path(Mount);
  const struct {
    std::string Folder;
    bool System;
  } Cases[] = {
      {Mount.string(), false},
      {Mount.string() + "/", false},
      {(Mount / "folder").string(), false},
      {(Mount / "missing/deeper/").string(), false},  // judged where it would be made
      {"folder", false},                              // relative, from the current folder
      {"missing/deeper", false},
      {".", false},
      {(Links.Path() / "to-tmpfs").string(), false},  // a link on "/" into the tmpfs
      {(Mount / "to-root").string(), true},           // a link on the tmpfs to "/"
      {(Mount / "to-root/no-such-folder").string(), true},
      {Links.Path().string(), true},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(HoldsRunningSystem(Case.Folder, System), Case.System) << Case.Folder;
  }
  fs::current_path(Before);
}

TEST(SystemDrive, ABindMountOfTheSystemsFilesystemIsTheSystems) {
  TMountedVolume Volume("-t tmpfs -o size=1m tmpfs");
  SKIP_UNLESS_MOUNTED(Volume, "a tmpfs");
  TScratchFolder OnRoot;
  const fs::path Bound = Volume.Path() / "bound";
  fs::create_directory(Bound);
  ASSERT_TRUE(TMountedVolume::Shell("mount --bind '" + OnRoot.Path().string() + "' '" +
                                    Bound.string() + "'"));
  EXPECT_TRUE(HoldsRunningSystem(Bound.string(), {"/"}));
  EXPECT_FALSE(HoldsRunningSystem(Volume.Path().string(), {"/"}));
  TMountedVolume::Shell("umount '" + Bound.string() + "'");
}

}  // namespace
