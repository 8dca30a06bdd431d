// The Linux realisation of the worker's files where a filesystem's habits matter.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/Scratch.Volume.h"
#include "platform/Platform.Files.h"
#include "platform/Platform.LogFile.h"

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

std::string ReadText(const std::filesystem::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(File), {});
}

std::vector<std::string> Names(const std::filesystem::path& Folder) {
  std::vector<std::string> Names;
  for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
    Names.push_back(Entry.path().filename().string());
  }
  std::sort(Names.begin(), Names.end());
  return Names;
}

// A result file saved again on a full volume keeps the previous document whole, and nothing
// half-written lies beside it; with room again, the new one replaces it whole and is held as
// the previous one was.
TEST(LinuxLogFile, AFailedReplaceKeepsThePreviousDocumentWhole) {
  TMountedVolume Small("-t tmpfs -o size=1m tmpfs");
  if (!Small.Mounted()) {
    GTEST_SKIP() << "needs a small tmpfs (root)";
  }
  const std::filesystem::path Path = Small.Path() / "result.json";
  const std::string Previous(300 * 1024, 'p');
  std::ofstream(Path, std::ios::binary) << Previous;
  Platform::TLogFile File;
  ASSERT_EQ(File.Open(Path.string()), 0);
  {
    std::ofstream Filler(Small.Path() / "filler", std::ios::binary);
    const std::string Block(4096, 'f');
    while (Filler.write(Block.data(), Block.size()) && Filler.flush()) {
    }
  }
  const std::string Next(400 * 1024, 'n');
  EXPECT_FALSE(File.Replace(Next.data(), Next.size()));
  EXPECT_EQ(File.WriteError(), ENOSPC);
  EXPECT_EQ(ReadText(Path), Previous);
  EXPECT_EQ(Names(Small.Path()), (std::vector<std::string>{"filler", "result.json"}));

  std::filesystem::remove(Small.Path() / "filler");
  EXPECT_TRUE(File.Replace(Next.data(), Next.size()));
  EXPECT_EQ(ReadText(Path), Next);
  Platform::TLogFile Second;
  EXPECT_EQ(Second.Open(Path.string()), Platform::TLogFile::InUse);
}

// Through a link the file it names is replaced, with its permissions; the link stays a link.
TEST(LinuxLogFile, AReplaceThroughALinkReplacesTheFileItNames) {
  const TScratchFolder Folder;
  const std::filesystem::path Target = Folder.Path() / "result.json";
  const std::filesystem::path Link = Folder.Path() / "latest.json";
  std::ofstream(Target, std::ios::binary) << "{}\n";
  ASSERT_EQ(chmod(Target.c_str(), 0600), 0);
  std::filesystem::create_symlink(Target, Link);
  Platform::TLogFile File;
  ASSERT_EQ(File.Open(Link.string()), 0);
  const std::string Next = "{\"passes\": []}\n";
  ASSERT_TRUE(File.Replace(Next.data(), Next.size()));
  EXPECT_TRUE(std::filesystem::is_symlink(Link));
  EXPECT_EQ(ReadText(Target), Next);
  struct stat Status {};
  ASSERT_EQ(stat(Target.c_str(), &Status), 0);
  EXPECT_EQ(Status.st_mode & 07777, 0600u);
  EXPECT_EQ(Names(Folder.Path()), (std::vector<std::string>{"latest.json", "result.json"}));
}

}  // namespace
