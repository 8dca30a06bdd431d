#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>

#include "Drive.Io.h"
#include "Sim.Drive.h"

// A drive that wears out, has unreadable sectors, or is pulled out.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;
using namespace DriveIo;
using namespace std::chrono_literals;

TEST(SimDriveFaults, WritesFailWithEioOnceTheDriveHasTakenItsShareAndItsDataStaysReadable) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.WriteErrorAfter = 24_MiB;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  TBuffer Data;
  Stamp(Data.Data(), Data.Size(), 5, 0);
  const std::string Path = Drive.DrivePath() + "Randomfile0";
  TFd File = CreateNew(Path, true);
  for (int Index = 0; Index < 3; ++Index) {
    ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0) << "write " << Index;
  }
  const TWrite Failed = TimedWrite(File.Get(), Data.Data(), Data.Size());
  EXPECT_EQ(Failed.Error, EIO);
  EXPECT_EQ(Failed.Written, 0u);
  EXPECT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, EIO) << "and stays failed";
  TFd Another = CreateNew(Drive.DrivePath() + "Randomfile1", true);
  ASSERT_TRUE(Another.Valid()) << "names still work: " << std::strerror(errno);
  EXPECT_EQ(TimedWrite(Another.Get(), Data.Data(), 4096).Error, EIO);

  TFd Reader(open(Path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
  TBuffer Back;
  ASSERT_EQ(ReadAll(Reader.Get(), Back.Data(), Back.Size(), 16_MiB), 0);
  EXPECT_EQ(std::memcmp(Back.Data(), Data.Data(), Data.Size()), 0);
  EXPECT_EQ(Drive.Stats().BytesWritten, 24_MiB);
  EXPECT_EQ(Drive.Stats().WriteErrors, 3u);
}

// Unreadable sectors sit at drive positions, not at file offsets: a file reads badly where
// its data landed on the drive.
TEST(SimDriveFaults, ReadsOfDataStoredAtOrPastTheBadPositionFailWithEio) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.ReadErrorBeyond = 16_MiB;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  TBuffer Data;
  const auto WriteFile = [&](const std::string& Name, int Writes) {
    TFd File = CreateNew(Drive.DrivePath() + Name, true);
    for (int Index = 0; Index < Writes; ++Index) {
      ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
    }
  };
  WriteFile("first", 4);  // drive positions 0 to 32 MiB

  TFd Reader(open((Drive.DrivePath() + "first").c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
  TBuffer Back;
  const auto Read = [&](off_t Offset) { return pread(Reader.Get(), Back.Data(), 8_MiB, Offset); };
  EXPECT_EQ(Read(0), static_cast<ssize_t>(8_MiB));
  EXPECT_EQ(Read(8_MiB), static_cast<ssize_t>(8_MiB));
  EXPECT_EQ(Read(12_MiB), static_cast<ssize_t>(4_MiB)) << "up to the bad position, then short";
  EXPECT_EQ(Read(16_MiB), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(Read(24_MiB), -1);
  EXPECT_EQ(errno, EIO);
  // The same through the page cache once it is dropped.
  TFd Cached(open((Drive.DrivePath() + "first").c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(posix_fadvise(Cached.Get(), 0, 0, POSIX_FADV_DONTNEED), 0);
  EXPECT_EQ(ReadAll(Cached.Get(), Back.Data(), 4096, 20_MiB), EIO);

  // Deleting the file frees positions 0 to 32 MiB; a new file lands at 0 and reads well.
  Reader.Reset();
  Cached.Reset();
  ASSERT_EQ(unlink((Drive.DrivePath() + "first").c_str()), 0);
  WriteFile("second", 1);
  TFd Second(open((Drive.DrivePath() + "second").c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
  EXPECT_EQ(ReadAll(Second.Get(), Back.Data(), 8_MiB, 0), 0);
  EXPECT_GE(Drive.Stats().ReadErrors, 3u);
}

// The program sees ECONNABORTED for the write under which the drive vanished and ENOTCONN for
// everything after, whether through a file it holds open or through a path.
TEST(SimDriveFaults, AnUnpluggedDriveFailsEveryAccessAndIsCleanedUpAfterwards) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  std::filesystem::path MountPoint;
  {
    TConfig Config;
    Config.UnplugAfter = 16_MiB;
    TSimDrive Drive(Config);
    ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
    MountPoint = Drive.Path();
    TBuffer Data;
    const std::string Path = Drive.DrivePath() + "Randomfile0";
    TFd File = CreateNew(Path, true);
    ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
    ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
    EXPECT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, ECONNABORTED);
    EXPECT_TRUE(Drive.WaitForDaemonExit(10s));
    EXPECT_EQ(Drive.Stats().Unplugged, 1u);
    EXPECT_EQ(Drive.Stats().BytesWritten, 16_MiB);

    EXPECT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, ENOTCONN);
    EXPECT_EQ(fsync(File.Get()), -1);
    EXPECT_EQ(errno, ENOTCONN);
    EXPECT_EQ(File.Reset(), ENOTCONN) << "close reports the failed flush";
    struct stat Info {};
    EXPECT_EQ(stat(Path.c_str(), &Info), -1);
    EXPECT_EQ(errno, ENOTCONN);
    struct statvfs Space {};
    EXPECT_EQ(statvfs(Drive.Path().c_str(), &Space), -1);
    EXPECT_EQ(errno, ENOTCONN);
    EXPECT_FALSE(CreateNew(Drive.DrivePath() + "Randomfile1", true).Valid());
    EXPECT_EQ(errno, ENOTCONN);
    EXPECT_EQ(unlink(Path.c_str()), -1);
    EXPECT_EQ(errno, ENOTCONN);
    EXPECT_EQ(opendir(Drive.Path().c_str()), nullptr);
    EXPECT_EQ(errno, ENOTCONN);
  }
  EXPECT_FALSE(std::filesystem::exists(MountPoint.parent_path())) << "left behind";
}

TEST(SimDriveFaults, PullingItOutUnderAWriteEndsTheWriteAndNothingHangs) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  std::filesystem::path MountPoint;
  {
    TConfig Config;
    Config.Speed = 20;  // 400 ms a write: the pull comes in the middle of one
    TFd File;           // still open on the dead mount while the drive is taken down
    TSimDrive Drive(Config);
    ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
    MountPoint = Drive.Path();
    File = CreateNew(Drive.DrivePath() + "Randomfile0", true);
    ASSERT_TRUE(File.Valid());
    auto Writer = std::async(std::launch::async, [&File] {
      TBuffer Data;
      TWrite Done;
      while ((Done = TimedWrite(File.Get(), Data.Data(), Data.Size())).Error == 0) {
      }
      return Done;
    });
    std::this_thread::sleep_for(600ms);
    Drive.Unplug();
    ASSERT_EQ(Writer.wait_for(10s), std::future_status::ready) << "the write never ended";
    const TWrite Failed = Writer.get();
    // Pulled under the first request of a write: that write fails; under a later one: it
    // comes back short and its retry finds the drive gone.
    EXPECT_TRUE(Failed.Error == ECONNABORTED || Failed.Error == ENOTCONN)
        << std::strerror(Failed.Error);
  }
  EXPECT_FALSE(std::filesystem::exists(MountPoint.parent_path())) << "left behind";
}

}  // namespace
