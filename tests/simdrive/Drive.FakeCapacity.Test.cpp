#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "Drive.Io.h"
#include "Sim.Drive.h"

// A fake drive reports 64 MiB and holds 16. Eight files of 8 MiB fill it in order, file F on
// drive positions F * 8 MiB and up; every 4 KiB block is stamped with its file and index, so
// each block read back says exactly which write it came from.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;
using namespace DriveIo;

constexpr int Files = 8;
constexpr std::uint64_t BlocksPerFile = WriteBytes / BlockBytes;

enum class TReadBack { Direct, DroppedPageCache };

struct TFakeCase {
  TFakeMode Mode;
  TReadBack How;
};

void PrintTo(const TFakeCase& Case, std::ostream* Out) {
  *Out << (Case.Mode == TFakeMode::Wrap ? "wrap" : "drop") << ", read "
       << (Case.How == TReadBack::Direct ? "with O_DIRECT" : "after dropping the page cache");
}

class SimDriveFake : public testing::TestWithParam<TFakeCase> {};

void FillWithStampedFiles(const TSimDrive& Drive, bool Direct) {
  TBuffer Data;
  for (int Index = 0; Index < Files; ++Index) {
    Stamp(Data.Data(), Data.Size(), static_cast<std::uint32_t>(Index), 0);
    TFd File = CreateNew(Drive.DrivePath() + "Randomfile" + std::to_string(Index), Direct);
    ASSERT_EQ(TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0) << "file " << Index;
    ASSERT_EQ(fsync(File.Get()), 0);
  }
}

// The file whose data a block of file Index holds after all eight were written, or -1 for
// zeros. Wrap: the last writer of the physical block (position modulo 16 MiB): file 6 for even
// files, 7 for odd ones. Drop: only what fell below 16 MiB, files 0 and 1, was kept.
int ExpectedSource(TFakeMode Mode, int Index) {
  if (Mode == TFakeMode::Wrap) {
    return 6 + Index % 2;
  }
  return Index < 2 ? Index : -1;
}

TEST_P(SimDriveFake, EachBlockReadsBackWhatTheFakeDriveReallyHolds) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.Capacity = 64_MiB;
  Config.RealCapacity = 16_MiB;
  Config.FakeMode = GetParam().Mode;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const bool Direct = GetParam().How == TReadBack::Direct;
  FillWithStampedFiles(Drive, Direct);
  struct statvfs Space {};
  ASSERT_EQ(statvfs(Drive.Path().c_str(), &Space), 0);
  EXPECT_EQ(Space.f_bavail, 0u) << "it takes all 64 MiB it claims";

  TBuffer Back;
  std::vector<std::byte> Expected(BlockBytes);
  for (int Index = 0; Index < Files; ++Index) {
    SCOPED_TRACE("Randomfile" + std::to_string(Index));
    TFd File(open((Drive.DrivePath() + "Randomfile" + std::to_string(Index)).c_str(),
                  O_RDONLY | O_CLOEXEC | (Direct ? O_DIRECT : 0)));
    ASSERT_TRUE(File.Valid());
    if (!Direct) {
      ASSERT_EQ(posix_fadvise(File.Get(), 0, 0, POSIX_FADV_DONTNEED), 0);
    }
    ASSERT_EQ(ReadAll(File.Get(), Back.Data(), Back.Size(), 0), 0);
    const int Source = ExpectedSource(GetParam().Mode, Index);
    int Wrong = 0;
    for (std::uint64_t Block = 0; Block < BlocksPerFile; ++Block) {
      if (Source < 0) {
        std::fill(Expected.begin(), Expected.end(), std::byte{0});
      } else {
        StampBlock(Expected.data(), static_cast<std::uint32_t>(Source), Block);
      }
      Wrong += std::memcmp(Back.Data() + Block * BlockBytes, Expected.data(), BlockBytes) != 0;
    }
    EXPECT_EQ(Wrong, 0) << "blocks differ from file " << Source << "'s";
  }
}

INSTANTIATE_TEST_SUITE_P(ModesAndReadBacks, SimDriveFake,
                         testing::Values(TFakeCase{TFakeMode::Wrap, TReadBack::Direct},
                                         TFakeCase{TFakeMode::Wrap, TReadBack::DroppedPageCache},
                                         TFakeCase{TFakeMode::Drop, TReadBack::Direct},
                                         TFakeCase{TFakeMode::Drop, TReadBack::DroppedPageCache}),
                         [](const auto& Info) {
                           return std::string(Info.param.Mode == TFakeMode::Wrap ? "Wrap"
                                                                                 : "Drop") +
                                  (Info.param.How == TReadBack::Direct ? "Direct" : "Cached");
                         });

// Deleting frees the space the drive reports, as the filesystem of a real fake stick does; the
// next file takes the lowest free positions and wraps onto whatever lives there.
TEST(SimDriveFakeSpace, DeletedSpaceIsReportedFreeAndReusedFromTheLowestPosition) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Config;
  Config.Capacity = 64_MiB;
  Config.RealCapacity = 16_MiB;
  TSimDrive Drive(Config);
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  FillWithStampedFiles(Drive, true);
  ASSERT_EQ(unlink((Drive.DrivePath() + "Randomfile2").c_str()), 0);  // positions 16 to 24 MiB
  struct statvfs Space {};
  ASSERT_EQ(statvfs(Drive.Path().c_str(), &Space), 0);
  EXPECT_EQ(Space.f_bavail * Space.f_frsize, 8_MiB);

  TBuffer Data;
  Stamp(Data.Data(), Data.Size(), 42, 0);
  TFd New = CreateNew(Drive.DrivePath() + "new", true);
  ASSERT_EQ(TimedWrite(New.Get(), Data.Data(), Data.Size()).Error, 0);
  // Position 16 MiB is physical 0: file 0's blocks, once file 6's, are now the new file's.
  TFd First(open((Drive.DrivePath() + "Randomfile0").c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
  TBuffer Back;
  ASSERT_EQ(ReadAll(First.Get(), Back.Data(), Back.Size(), 0), 0);
  EXPECT_EQ(std::memcmp(Back.Data(), Data.Data(), Data.Size()), 0);
}

}  // namespace
