#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "device/System.Drive.h"
#include "platform/Platform.SystemPlaces.h"

namespace {

TEST(Win32SystemDrive, TheDriveOfWindowsAndOfTheProfileIsTheSystems) {
  const std::vector<std::string> Folders = Platform::SystemFolders();
  ASSERT_FALSE(Folders.empty());
  for (const std::string& Folder : Folders) {
    EXPECT_FALSE(Platform::FilesystemOf(Folder).empty()) << Folder;
    EXPECT_TRUE(HoldsRunningSystem(Folder)) << Folder;
    EXPECT_TRUE(HoldsRunningSystem(Folder + "\\no such folder\\deeper")) << Folder;
  }
  EXPECT_TRUE(HoldsRunningSystem(""));
  EXPECT_TRUE(Platform::FilesystemOf("Q:\\no such drive").empty());
}

}  // namespace
