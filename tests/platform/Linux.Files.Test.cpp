// The Linux realisation of the worker's files where a filesystem's habits matter.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/Scratch.Volume.h"
#include "platform/Platform.Files.h"

namespace {

// ext4 hands the inode number of a deleted file to the next file it creates: device and inode
// alone would take that newcomer for the deleted file.
TEST(LinuxFiles, ANewcomerWithTheFreedInodeNumberIsAnotherFile) {
  TExt4Volume Volume("16M");
  SKIP_UNLESS_MOUNTED(Volume, "an ext4 image");
  const auto System = Platform::MakeTesterPlatform();
  const TOpenedFolder Folder = System->OpenFolder(Volume.DrivePath());
  ASSERT_NE(Folder.Handle, NoFolder);
  const TCreatedFile Ours = System->CreateNewFile(Folder.Handle, "Randomfile0", false);
  ASSERT_NE(Ours.Handle, NoFile);
  System->CloseFile(Ours.Handle);
  const std::filesystem::path Name = Volume.Path() / "Randomfile0";
  ASSERT_TRUE(std::filesystem::remove(Name));
  std::ofstream(Name) << "theirs";
  struct stat Theirs {};
  ASSERT_EQ(stat(Name.c_str(), &Theirs), 0);
  ASSERT_EQ(Theirs.st_ino, Ours.Identity.File) << "ext4 no longer reuses the number at once";

  EXPECT_NE(System->LookUp(Folder.Handle, "Randomfile0").Identity, Ours.Identity);
  EXPECT_EQ(System->DeleteOwnFile(Folder.Handle, "Randomfile0", Ours.Identity).Outcome,
            TDeleteOutcome::Replaced);
  EXPECT_TRUE(std::filesystem::exists(Name));
  System->CloseFolder(Folder.Handle);
}

}  // namespace
