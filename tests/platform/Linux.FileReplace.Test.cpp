// A file replaced as a whole: a reader sees the old contents or the new, a link at the name is
// replaced rather than followed, and nothing of a failed attempt stays behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/Scratch.Volume.h"
#include "platform/Platform.FileReplace.h"

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Names(const fs::path& Folder) {
  std::vector<std::string> Result;
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    Result.push_back(Entry.path().filename().string());
  }
  std::sort(Result.begin(), Result.end());
  return Result;
}

TEST(LinuxFileReplace, ReplacesTheNameAndLeavesNoTemporaryFile) {
  TScratchFolder Folder;
  const fs::path File = Folder.Path() / "m.prom";
  ASSERT_EQ(Platform::ReplaceFileContents(File.string(), "first\n"), 0);
  EXPECT_EQ(Contents(File), "first\n");
  // A reader that holds the old file keeps reading the old contents whole.
  std::ifstream Reader(File, std::ios::binary);
  ASSERT_EQ(Platform::ReplaceFileContents(File.string(), "second, longer\n"), 0);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Reader), {}), "first\n");
  EXPECT_EQ(Contents(File), "second, longer\n");
  // A link at the name is replaced; what it pointed to is untouched.
  const fs::path Target = Folder.Path() / "target.txt";
  std::ofstream(Target) << "keep";
  fs::remove(File);
  fs::create_symlink(Target, File);
  ASSERT_EQ(Platform::ReplaceFileContents(File.string(), "third\n"), 0);
  EXPECT_FALSE(fs::is_symlink(File));
  EXPECT_EQ(Contents(Target), "keep");
  EXPECT_EQ(Names(Folder.Path()), (std::vector<std::string>{"m.prom", "target.txt"}));
  EXPECT_EQ(Platform::ReplaceFileContents((Folder.Path() / "no/m.prom").string(), "x"), ENOENT);
  EXPECT_EQ(Platform::RemoveFile(File.string()), 0);
  EXPECT_EQ(Platform::RemoveFile(File.string()), ENOENT);
}

TEST(LinuxFileReplace, AFullFolderKeepsTheOldFileAndNoPart) {
  TMountedVolume Small("-t tmpfs -o size=64k tmpfs");
  SKIP_UNLESS_MOUNTED(Small, "a small tmpfs");
  const fs::path File = Small.Path() / "m.prom";
  ASSERT_EQ(Platform::ReplaceFileContents(File.string(), "old\n"), 0);
  EXPECT_EQ(Platform::ReplaceFileContents(File.string(), std::string(1 << 20, 'x')), ENOSPC);
  EXPECT_EQ(Contents(File), "old\n");
  EXPECT_EQ(Names(Small.Path()), std::vector<std::string>{"m.prom"});
}

}  // namespace
