#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>

#include "Drive.Io.h"
#include "Sim.Drive.h"

// What Varnell, ls, dd and the coming read-back need of a filesystem, on the simulated drive.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;
using namespace DriveIo;

std::set<std::string> Names(const std::string& Folder) {
  std::set<std::string> Result;
  if (DIR* Listing = opendir(Folder.c_str())) {
    while (const dirent* Entry = readdir(Listing)) {
      Result.insert(Entry->d_name);
    }
    closedir(Listing);
  }
  return Result;
}

TEST(SimDrivePosix, UnbufferedWritesAndReadsReachTheDriveAsDirectRequestsOfOneMiB) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TSimDrive Drive;
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Path = Drive.DrivePath() + "Randomfile0";
  TBuffer Data(2 * WriteBytes);
  Stamp(Data.Data(), Data.Size(), 1, 0);
  {
    TFd File = CreateNew(Path, true);
    ASSERT_TRUE(File.Valid()) << "O_DIRECT after open: " << std::strerror(errno);
    for (std::size_t Half = 0; Half < 2; ++Half) {
      const TWrite Done = TimedWrite(File.Get(), Data.Data() + Half * WriteBytes, WriteBytes);
      ASSERT_EQ(Done.Error, 0) << std::strerror(Done.Error);
    }
    ASSERT_EQ(File.Reset(), 0);
  }
  // Read back unbuffered, O_DIRECT given at open this time; the page cache never took part.
  TFd Reader(open(Path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
  ASSERT_TRUE(Reader.Valid()) << std::strerror(errno);
  TBuffer Back(2 * WriteBytes);
  ASSERT_EQ(ReadAll(Reader.Get(), Back.Data(), Back.Size(), 0), 0);
  EXPECT_EQ(std::memcmp(Back.Data(), Data.Data(), Data.Size()), 0);

  const TStats Stats = Drive.Stats();
  EXPECT_EQ(Stats.WriteRequests, 16u) << "8 MiB writes arrive as requests of max_write";
  EXPECT_EQ(Stats.DirectWriteRequests, Stats.WriteRequests);
  EXPECT_EQ(Stats.CacheWriteRequests, 0u);
  EXPECT_EQ(Stats.LargestWrite, 1_MiB);
  EXPECT_EQ(Stats.DirectReadRequests, Stats.ReadRequests);
  EXPECT_EQ(Stats.BytesRead, 16_MiB);
}

TEST(SimDrivePosix, ABufferedReadBackReachesTheDriveOnlyOnceThePageCacheIsDropped) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TSimDrive Drive;
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Path = Drive.DrivePath() + "Randomfile0";
  TBuffer Data;
  Stamp(Data.Data(), Data.Size(), 7, 0);
  TFd File = CreateNew(Path, false);
  ASSERT_TRUE(File.Valid()) << std::strerror(errno);
  ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
  ASSERT_EQ(fsync(File.Get()), 0);
  EXPECT_EQ(Drive.Stats().Fsyncs, 1u);

  // As on a real drive, the written pages stay cached, also across a new open...
  TBuffer Back;
  TFd Reader(open(Path.c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(ReadAll(Reader.Get(), Back.Data(), Back.Size(), 0), 0);
  // (the kernel may still drop a few pages of it meanwhile, on a machine short of memory or
  // when FUSE revalidates the file: those few are read from the drive)...
  const std::uint64_t ReadFromCache = Drive.Stats().BytesRead;
  EXPECT_LT(ReadFromCache, WriteBytes / 8) << "the page cache should have answered";
  // ...and a read-back that means to check the drive drops them first: all of it comes from
  // the drive.
  ASSERT_EQ(posix_fadvise(Reader.Get(), 0, 0, POSIX_FADV_DONTNEED), 0);
  std::memset(Back.Data(), 0, Back.Size());
  ASSERT_EQ(ReadAll(Reader.Get(), Back.Data(), Back.Size(), 0), 0);
  EXPECT_EQ(std::memcmp(Back.Data(), Data.Data(), Data.Size()), 0);
  EXPECT_EQ(Drive.Stats().BytesRead - ReadFromCache, WriteBytes);
}

// The two other ways a drive can meet the page cache: the kernel keeps dirty pages and writes
// them back later (writeback), or every open bypasses the cache (FUSE's direct_io).
TEST(SimDrivePosix, WithWritebackTheKernelWritesCachedPagesBackLater) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.WritebackCache = true;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Path = Drive.DrivePath() + "Randomfile0";
  TBuffer Data;
  Stamp(Data.Data(), Data.Size(), 9, 0);
  TFd File = CreateNew(Path, false);
  ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
  ASSERT_EQ(fsync(File.Get()), 0);
  const TStats Stats = Drive.Stats();
  EXPECT_EQ(Stats.BytesWritten, WriteBytes);
  EXPECT_GT(Stats.CacheWriteRequests, 0u);
  EXPECT_EQ(Stats.CacheWriteRequests, Stats.WriteRequests);

  ASSERT_EQ(posix_fadvise(File.Get(), 0, 0, POSIX_FADV_DONTNEED), 0);
  TBuffer Back;
  ASSERT_EQ(ReadAll(File.Get(), Back.Data(), Back.Size(), 0), 0);
  EXPECT_EQ(std::memcmp(Back.Data(), Data.Data(), Data.Size()), 0);
  EXPECT_GT(Drive.Stats().BytesRead, 0u);
}

TEST(SimDrivePosix, WithDirectIoEveryReadReachesTheDrive) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.DirectIo = true;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  TBuffer Data;
  Stamp(Data.Data(), Data.Size(), 10, 0);
  TFd File = CreateNew(Drive.DrivePath() + "Randomfile0", false);
  ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
  TBuffer Back;
  for (int Round = 1; Round <= 2; ++Round) {
    ASSERT_EQ(ReadAll(File.Get(), Back.Data(), Back.Size(), 0), 0);
    EXPECT_EQ(std::memcmp(Back.Data(), Data.Data(), Data.Size()), 0);
    EXPECT_EQ(Drive.Stats().BytesRead, Round * WriteBytes) << "read " << Round;
  }
}

TEST(SimDrivePosix, NamesBehaveAsOnALocalFilesystemAlsoRelativeToAFolderHandle) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TSimDrive Drive;
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Root = Drive.DrivePath();
  ASSERT_EQ(mkdir((Root + "test").c_str(), 0755), 0);
  TFd Folder(open((Root + "test").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_TRUE(Folder.Valid());

  TFd First(openat(Folder.Get(), "Randomfile0", O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  ASSERT_TRUE(First.Valid()) << std::strerror(errno);
  ASSERT_EQ(write(First.Get(), "abc", 3), 3);
  EXPECT_EQ(openat(Folder.Get(), "Randomfile0", O_RDWR | O_CREAT | O_EXCL, 0644), -1);
  EXPECT_EQ(errno, EEXIST);
  struct stat Info {};
  ASSERT_EQ(fstatat(Folder.Get(), "Randomfile0", &Info, 0), 0);
  EXPECT_EQ(Info.st_size, 3);
  EXPECT_TRUE(S_ISREG(Info.st_mode));

  TFd Second(openat(Folder.Get(), "Randomfile1", O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  ASSERT_TRUE(Second.Valid());
  EXPECT_EQ(Names(Root + "test"), (std::set<std::string>{".", "..", "Randomfile0", "Randomfile1"}));
  // A rename replaces its target; the replaced name's file stays readable while open.
  ASSERT_EQ(renameat(Folder.Get(), "Randomfile1", Folder.Get(), "Randomfile0"), 0);
  EXPECT_EQ(Names(Root + "test"), (std::set<std::string>{".", "..", "Randomfile0"}));
  char Text[4] = {};
  EXPECT_EQ(pread(First.Get(), Text, 3, 0), 3);
  EXPECT_STREQ(Text, "abc");

  EXPECT_EQ(rmdir((Root + "test").c_str()), -1);
  EXPECT_EQ(errno, ENOTEMPTY);
  ASSERT_EQ(unlinkat(Folder.Get(), "Randomfile0", 0), 0);
  EXPECT_EQ(fstatat(Folder.Get(), "Randomfile0", &Info, 0), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(rmdir((Root + "test").c_str()), 0);
}

TEST(SimDrivePosix, TruncateAndTimesChangeWhatTheyShould) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TSimDrive Drive;
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Path = Drive.DrivePath() + "file";
  TFd File(open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  ASSERT_TRUE(File.Valid());
  const std::string Ones(8192, '1');
  ASSERT_EQ(write(File.Get(), Ones.data(), Ones.size()), 8192);
  // Shrinking in the middle of a block and growing again: the cut part reads as zeros.
  ASSERT_EQ(ftruncate(File.Get(), 5000), 0);
  ASSERT_EQ(ftruncate(File.Get(), 9000), 0);
  ASSERT_EQ(posix_fadvise(File.Get(), 0, 0, POSIX_FADV_DONTNEED), 0);
  std::string Back(9000, 'x');
  ASSERT_EQ(pread(File.Get(), Back.data(), Back.size(), 0), 9000);
  EXPECT_EQ(Back, std::string(5000, '1') + std::string(4000, '\0'));

  const timespec Times[2] = {{1'000'000'000, 5}, {1'100'000'000, 7}};
  ASSERT_EQ(utimensat(AT_FDCWD, Path.c_str(), Times, 0), 0);
  struct stat Info {};
  ASSERT_EQ(stat(Path.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_atim.tv_sec, 1'000'000'000);
  EXPECT_EQ(Info.st_mtim.tv_sec, 1'100'000'000);
  EXPECT_EQ(Info.st_mtim.tv_nsec, 7);
  EXPECT_EQ(Info.st_size, 9000);
  EXPECT_EQ(Info.st_blocks, 16) << "5000 bytes keep two 4 KiB blocks; what grew is a hole";
}

TEST(SimDrivePosix, AFolderLockIsExclusiveBetweenOpenFilesAsTheKernelKeepsIt) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TSimDrive Drive;
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  TFd Holder(open(Drive.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  TFd Other(open(Drive.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_EQ(flock(Holder.Get(), LOCK_EX | LOCK_NB), 0) << std::strerror(errno);
  EXPECT_EQ(flock(Other.Get(), LOCK_EX | LOCK_NB), -1);
  EXPECT_EQ(errno, EWOULDBLOCK);
  ASSERT_EQ(Holder.Reset(), 0);
  EXPECT_EQ(flock(Other.Get(), LOCK_EX | LOCK_NB), 0) << "closing released the lock";
}

}  // namespace
