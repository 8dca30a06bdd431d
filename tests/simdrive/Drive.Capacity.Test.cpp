#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Drive.Io.h"
#include "Sim.Drive.h"

// The drive's size as statvfs tells it, and what happens when it is full.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;
using namespace DriveIo;

struct TSpace {
  std::uint64_t Total = 0;
  std::uint64_t Free = 0;
};

TSpace SpaceOf(const TSimDrive& Drive) {
  struct statvfs Info {};
  if (statvfs(Drive.Path().c_str(), &Info) != 0) {
    ADD_FAILURE() << "statvfs: " << std::strerror(errno);
  }
  return {Info.f_blocks * Info.f_frsize, Info.f_bavail * Info.f_frsize};
}

std::string Output(const std::string& Command) {
  std::string Text;
  if (FILE* Pipe = popen((Command + " 2>&1").c_str(), "r")) {
    char Chunk[256];
    while (std::fgets(Chunk, sizeof Chunk, Pipe) != nullptr) {
      Text += Chunk;
    }
    if (pclose(Pipe) != 0) {
      Text += "(failed)";
    }
  }
  return Text;
}

class SimDriveCapacity : public testing::TestWithParam<bool> {};

// 100.5 MiB, as a drive whose size is no whole number of writes: twelve 8 MiB writes fit, the
// thirteenth writes what fits (a short write) and the retry of the rest finds no room.
TEST_P(SimDriveCapacity, FillsToTheLastBlockThenFailsWithNoSpaceAndDeletingFreesIt) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  const bool Direct = GetParam();
  TConfig Config;
  Config.Capacity = 100_MiB + 512_KiB;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const TSpace Empty = SpaceOf(Drive);
  EXPECT_EQ(Empty.Total, Config.Capacity);
  EXPECT_EQ(Empty.Free, Config.Capacity);

  TBuffer Data;
  Stamp(Data.Data(), Data.Size(), 3, 0);
  for (int Round = 0; Round < 2; ++Round) {
    SCOPED_TRACE(Round == 0 ? "empty drive" : "after deleting");
    const std::string Path = Drive.DrivePath() + "Randomfile0";
    TFd File = CreateNew(Path, Direct);
    ASSERT_TRUE(File.Valid()) << std::strerror(errno);
    for (int Index = 0; Index < 12; ++Index) {
      ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0) << "write " << Index;
    }
    EXPECT_EQ(SpaceOf(Drive).Free, 4_MiB + 512_KiB);
    const TWrite Last = TimedWrite(File.Get(), Data.Data(), Data.Size());
    EXPECT_EQ(Last.Error, ENOSPC);
    EXPECT_EQ(Last.Written, 4_MiB + 512_KiB);
    EXPECT_EQ(SpaceOf(Drive).Free, 0u);
    EXPECT_EQ(TimedWrite(File.Get(), Data.Data(), 4096).Error, ENOSPC);
    EXPECT_EQ(fsync(File.Get()), 0);
    EXPECT_EQ(File.Reset(), 0);
    ASSERT_EQ(unlink(Path.c_str()), 0);
    EXPECT_EQ(SpaceOf(Drive).Free, Config.Capacity);
  }
}

INSTANTIATE_TEST_SUITE_P(UnbufferedAndBuffered, SimDriveCapacity, testing::Bool(),
                         [](const auto& Info) { return Info.param ? "Direct" : "Cached"; });

TEST(SimDriveSpace, AnUnlinkedFileKeepsItsSpaceUntilItIsClosed) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TSimDrive Drive;
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Path = Drive.DrivePath() + "held";
  TFd File = CreateNew(Path, true);
  TBuffer Data;
  ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
  ASSERT_EQ(unlink(Path.c_str()), 0);
  EXPECT_EQ(SpaceOf(Drive).Free, 256_MiB - WriteBytes);
  ASSERT_EQ(File.Reset(), 0);
  EXPECT_EQ(SpaceOf(Drive).Free, 256_MiB);
}

TEST(SimDriveSpace, TheUsualToolsWorkOnIt) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.Capacity = 64_MiB;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Folder = Drive.Path().string();
  EXPECT_THAT(Output("df -B1 --output=source,size,avail " + Folder),
              testing::ContainsRegex("simdrive +67108864 +67108864\n"));
  EXPECT_EQ(Output("dd if=/dev/zero of=" + Folder + "/dd bs=1M count=4 oflag=direct status=none"),
            "");
  EXPECT_EQ(Output("dd if=" + Folder + "/dd bs=1M iflag=direct status=none | wc -c"), "4194304\n");
  EXPECT_EQ(Output("sync -f " + Folder + "/dd && ls " + Folder), "dd\n");
  EXPECT_EQ(Output("mv " + Folder + "/dd " + Folder + "/moved && rm " + Folder +
                   "/moved && ls -A " + Folder),
            "");
}

}  // namespace
