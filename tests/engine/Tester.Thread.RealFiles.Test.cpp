#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "engine/Scratch.Volume.h"
#include "engine/Tester.Thread.RealRun.h"
#include "engine/Tester.Thread.h"
#include "fakes/Observed.TesterPlatform.h"

namespace {

constexpr std::int64_t MiB = 1024 * 1024;
constexpr std::size_t BlockBytes = 8 * MiB;

// The file must be whole copies of one random 8 MiB block; returns how many.
std::size_t ExpectCopiesOfOneRandomBlock(const std::filesystem::path& File) {
  std::ifstream In(File, std::ios::binary);
  std::vector<char> First(BlockBytes);
  std::vector<char> Block(BlockBytes);
  std::size_t Count = 0;
  while (In.read(Count == 0 ? First.data() : Block.data(), BlockBytes)) {
    if (Count > 0) {
      EXPECT_EQ(std::memcmp(Block.data(), First.data(), BlockBytes), 0)
          << File << ": block " << Count << " differs from the first";
    }
    ++Count;
  }
  EXPECT_EQ(In.gcount(), 0) << File << " ends with a partial block";
  // Random bytes take every value many times over in 8 MiB; a zero or patterned block does not.
  std::array<bool, 256> Seen{};
  for (std::size_t P = 0; P < 64 * 1024; ++P) {
    Seen[static_cast<unsigned char>(First[P])] = true;
  }
  EXPECT_EQ(std::count(Seen.begin(), Seen.end(), true), 256) << File << " does not look random";
  return Count;
}

TEST(TesterThreadRealFiles, WritesCopiesOfTheBlockNextToOthersAndRemovesOnlyItsOwn) {
  TScratchFolder Folder;
  ASSERT_FALSE(Folder.Path().empty());
  std::ofstream(Folder.Path() / "Randomfile0") << "not ours";
  const auto System = std::make_shared<TObservedTesterPlatform>(25 * MiB + MiB / 2);

  TRealRun Kept;
  Kept.Run(RealSetting(Folder.DrivePath(), 0), System);
  EXPECT_FALSE(Kept.Error);
  EXPECT_EQ(Kept.Writes(), 3U);
  EXPECT_EQ(std::filesystem::file_size(Folder.Path() / "Randomfile1"), 24U * MiB);
  EXPECT_EQ(ExpectCopiesOfOneRandomBlock(Folder.Path() / "Randomfile1"), 3U);

  TSetting Delete = RealSetting(Folder.DrivePath(), 0);
  Delete.NeedDelete = true;
  TRealRun Deleted;
  Deleted.Run(Delete, System);
  EXPECT_FALSE(Deleted.Error);
  EXPECT_EQ(Deleted.Writes(), 3U);
  EXPECT_EQ(Names(Folder.Path()), (std::set<std::string>{"Randomfile0", "Randomfile1"}));
  std::ifstream Theirs(Folder.Path() / "Randomfile0");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Theirs), {}), "not ours");
  for (const int Flags : System->OpenFlags()) {
    EXPECT_EQ(Flags & O_DIRECT, 0) << "cached writes were asked for";
  }
}

// A negative amount to leave asks for more than there is: the volume fills up for real.
TEST(TesterThreadRealFiles, FillsASmallVolumeUntilFullAndLeavesNothing) {
  TMountedVolume Volume("-t tmpfs -o size=96m tmpfs");
  SKIP_UNLESS_MOUNTED(Volume, "a tmpfs");
  TSetting Chosen = RealSetting(Volume.DrivePath(), -1024);
  Chosen.NeedDelete = true;
  TRealRun Run;
  Run.Run(Chosen, nullptr);

  ASSERT_TRUE(Run.Error);
  EXPECT_EQ(Run.Error->Operation, "WriteFile");
  EXPECT_EQ(Run.Error->Message, "WriteFileError: 28");
  EXPECT_EQ(Run.Error->Path, Volume.DrivePath() + "Randomfile0");
  EXPECT_EQ(Run.Writes(), 12U);
  const auto Calls = Run.Record->Calls();
  ASSERT_GE(Calls.size(), 4U);
  EXPECT_EQ(std::vector<std::string>(Calls.end() - 4, Calls.end()),
            (std::vector<std::string>{ErrorCall(*Run.Error), "StartDeleting", "EndDeleting",
                                      "HideButtons"}));
  EXPECT_TRUE(Names(Volume.Path()).empty());
}

TEST(TesterThreadRealFiles, UnbufferedWritesReallyBypassTheCache) {
  TExt4Volume Volume("64M");
  SKIP_UNLESS_MOUNTED(Volume, "an ext4 image");
  const auto System = std::make_shared<TObservedTesterPlatform>();
  TSetting Chosen = RealSetting(Volume.DrivePath(), 16);
  Chosen.NeedCache = false;
  TRealRun Run;
  Run.Run(Chosen, System);

  EXPECT_FALSE(Run.Error);
  ASSERT_EQ(System->OpenFlags().size(), 1U);
  EXPECT_NE(System->OpenFlags()[0] & O_DIRECT, 0) << "the file was not opened with O_DIRECT";
  ASSERT_GT(Run.Writes(), 0U);
  const auto File = Volume.Path() / "Randomfile0";
  EXPECT_EQ(std::filesystem::file_size(File), Run.Writes() * BlockBytes);
  EXPECT_EQ(ExpectCopiesOfOneRandomBlock(File), Run.Writes());
}

// A drive that accepts more than it can hold: a sparse 256 MiB ext4 image on a 64 MiB tmpfs.
// Every cached write succeeds; the data is lost when the kernel writes it back, and only the
// flush at the file's close can tell.
TEST(TesterThreadRealFiles, DataLostAtWriteBackEndsThePassAsAFailedWrite) {
  TMountedVolume Backing("-t tmpfs -o size=64m tmpfs");
  SKIP_UNLESS_MOUNTED(Backing, "a tmpfs");
  TExt4Volume Volume("256M", Backing.Path());
  SKIP_UNLESS_MOUNTED(Volume, "an ext4 image");
  TRealRun Run;
  Run.Run(RealSetting(Volume.DrivePath(), 0), nullptr);

  ASSERT_TRUE(Run.Error) << "data lost at write-back passed as written";
  // Mostly the flush at the close tells; on a busy machine the kernel writes back during the
  // pass, and a later write fails first (the filesystem has seen its device fail).
  EXPECT_TRUE(Run.Error->Operation == "FlushFileBuffers" || Run.Error->Operation == "WriteFile")
      << Run.Error->Message;
  EXPECT_EQ(Run.Error->Path, Volume.DrivePath() + "Randomfile0");
  EXPECT_GT(Run.Writes(), 8U) << "the writes themselves went through the cache";
  EXPECT_TRUE(Run.Record->CallsStartingWith("EndTest").empty()) << "no summary of a failed pass";
  const auto Calls = Run.Record->Calls();
  ASSERT_GE(Calls.size(), 2U);
  EXPECT_EQ(Calls[Calls.size() - 2], ErrorCall(*Run.Error));
  EXPECT_EQ(Calls.back(), "HideButtons");
}

// ramfs has no unbuffered writes: the open fails cleanly and leaves no empty file behind.
TEST(TesterThreadRealFiles, FilesystemWithoutUnbufferedWritesEndsWithCreateFileError) {
  TMountedVolume Volume("-t ramfs ramfs");
  SKIP_UNLESS_MOUNTED(Volume, "a ramfs");
  TSetting Chosen = RealSetting(Volume.DrivePath(), -100);  // ramfs reports no free space
  Chosen.NeedCache = false;
  TRealRun Run;
  Run.Run(Chosen, nullptr);

  const TTesterError Expected{"CreateFile", Volume.DrivePath() + "Randomfile0", EINVAL,
                              "Invalid argument", "CreateFileError: 22"};
  ASSERT_TRUE(Run.Error);
  EXPECT_EQ(*Run.Error, Expected);
  EXPECT_EQ(Run.Record->Calls(),
            (std::vector<std::string>{Header(1, 0, 0, 96), ErrorCall(Expected), "HideButtons"}));
  EXPECT_TRUE(Names(Volume.Path()).empty());
}

}  // namespace
