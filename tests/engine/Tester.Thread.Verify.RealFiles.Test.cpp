#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "engine/Scratch.Volume.h"
#include "engine/Tester.Thread.RealRun.h"
#include "fakes/Observed.TesterPlatform.h"
#include "simdrive/Sim.Drive.h"

// The read-back on real filesystems and on the simulated flash drive: what a healthy volume, a
// volume that loses data behind the cache and drives with fake capacity or bad sectors give.
namespace {

constexpr std::int64_t MiB = 1024 * 1024;
constexpr std::int64_t SectorsPerMiB = MiB / 4096;

TSetting VerifySetting(const std::string& DrivePath, std::int64_t ToLeftInMiB, bool Cache) {
  TSetting Result = RealSetting(DrivePath, ToLeftInMiB);
  Result.NeedCache = Cache;
  Result.NeedVerify = true;
  Result.NeedDelete = true;
  return Result;
}

// The one tally of a run's one pass.
TVerifyTally OnlyTally(const TRealRun& Run) {
  const auto Tallies = Run.Record->Tallies();
  EXPECT_EQ(Tallies.size(), 1U);
  return Tallies.empty() ? TVerifyTally{} : Tallies.front();
}

TEST(TesterThreadVerifyRealFiles, AHealthyVolumeReadsBackIntactFromTheDrive) {
  TMountedVolume Tmpfs("-t tmpfs -o size=40m tmpfs");
  SKIP_UNLESS_MOUNTED(Tmpfs, "a tmpfs");
  TExt4Volume Ext4("48M");
  SKIP_UNLESS_MOUNTED(Ext4, "an ext4 image");
  for (const bool Cache : {false, true}) {
    for (const std::string& Drive : {Tmpfs.DrivePath(), Ext4.DrivePath()}) {
      SCOPED_TRACE(Drive + (Cache ? " through the cache" : " unbuffered"));
      const auto System = std::make_shared<TObservedTesterPlatform>();
      TRealRun Run;
      Run.Run(VerifySetting(Drive, 8, Cache), System);
      EXPECT_FALSE(Run.Error);
      const TVerifyTally Tally = OnlyTally(Run);
      EXPECT_GT(Tally.WrittenSectors, 16 * SectorsPerMiB);
      EXPECT_TRUE(Tally.Complete());
      EXPECT_EQ(Tally.IntactSectors, Tally.WrittenSectors);
      EXPECT_FALSE(Tally.FirstDamage);
      ASSERT_EQ(System->ReadOpenFlags().size(), 1U);
      EXPECT_EQ((System->ReadOpenFlags()[0] & O_DIRECT) != 0, !Cache);
      EXPECT_TRUE(Names(std::filesystem::path(Drive)).empty());
    }
  }
}

// A drive that accepts more than it holds, made of real parts: a sparse 256 MiB ext4 image on a
// 64 MiB tmpfs, filled through the cache. The loss shows as a failed write back, or in the
// read-back; never as intact data.
TEST(TesterThreadVerifyRealFiles, DataLostBehindTheCacheIsNeverIntact) {
  TMountedVolume Backing("-t tmpfs -o size=64m tmpfs");
  SKIP_UNLESS_MOUNTED(Backing, "a tmpfs");
  TExt4Volume Volume("256M", Backing.Path());
  SKIP_UNLESS_MOUNTED(Volume, "an ext4 image");
  TRealRun Run;
  Run.Run(VerifySetting(Volume.DrivePath(), 0, true), nullptr);
  const auto Tallies = Run.Record->Tallies();
  if (Run.Error) {
    EXPECT_TRUE(Run.Error->Operation == "FlushFileBuffers" || Run.Error->Operation == "WriteFile" ||
                Run.Error->Operation == "ReadFile")
        << Run.Error->Message;
  } else {
    ASSERT_EQ(Tallies.size(), 1U) << "neither a failure nor a read-back";
  }
  for (const TVerifyTally& Tally : Tallies) {
    EXPECT_GT(Tally.DamagedSectors(), 0) << "the lost data read back as intact";
  }
}

// A file's sector whose bits changed between the write and the read: a few bits, found exactly.
class TFlippingPlatform : public TObservedTesterPlatform {
 public:
  TFlippingPlatform(std::string Folder, std::int64_t Free)
      : TObservedTesterPlatform(Free), FFolder(std::move(Folder)) {}
  TOpenedForRead OpenForRead(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    const int File = open((FFolder + Name).c_str(), O_RDWR | O_CLOEXEC);
    for (const std::int64_t At : {8 * MiB + 4096 + 7, 8 * MiB + 4096 + 2000, 8 * MiB + 8191}) {
      unsigned char Byte = 0;
      EXPECT_EQ(pread(File, &Byte, 1, At), 1);
      Byte ^= 0x40;
      EXPECT_EQ(pwrite(File, &Byte, 1, At), 1);
    }
    EXPECT_EQ(fsync(File), 0);
    close(File);
    return TObservedTesterPlatform::OpenForRead(Folder, Name, Unbuffered);
  }

 private:
  std::string FFolder;
};

TEST(TesterThreadVerifyRealFiles, BitsFlippedInOneSectorAreAFewBitsChanged) {
  TScratchFolder Folder;
  ASSERT_FALSE(Folder.Path().empty());
  TRealRun Run;
  Run.Run(VerifySetting(Folder.DrivePath(), 0, true),
          std::make_shared<TFlippingPlatform>(Folder.DrivePath(), 25 * MiB + MiB / 2));
  EXPECT_FALSE(Run.Error);
  const TVerifyTally Tally = OnlyTally(Run);
  EXPECT_EQ(Tally.WrittenSectors, 24 * SectorsPerMiB);
  EXPECT_EQ(Tally.FewBitsSectors, 1);
  EXPECT_EQ(Tally.IntactSectors, 24 * SectorsPerMiB - 1);
  EXPECT_EQ(Tally.FirstDamage, (TDamagePlace{0, 8 * MiB + 4096, 8 * MiB + 4096}));
  EXPECT_EQ(Tally.UsableSectors(), 8 * SectorsPerMiB + 1);
}

// The simulated flash drive reports 64 MiB: the pass writes 56 (one MiB spare, whole 8 MiB
// writes) into Randomfile0, on drive positions 0 to 56 MiB in order.
struct TSimCase {
  const char* What;
  std::optional<std::uint64_t> RealCapacity;
  SimDrive::TFakeMode Mode;
  std::optional<std::uint64_t> ReadErrorBeyond;
  std::int64_t IntactMiB, ManyBytesMiB, OverwrittenMiB, UnreadableMiB, FirstDamageMiB;
};

TEST(TesterThreadVerifyRealFiles, AFlashDriveThatLiesIsCaughtSectorBySector) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  using namespace SimDrive::Literals;
  const TSimCase Cases[] = {
      // It holds 16 MiB and wraps: the last 16 MiB written lie over all the earlier data.
      {"wraps at 16 MiB", 16_MiB, SimDrive::TFakeMode::Wrap, std::nullopt, 16, 0, 40, 0, 0},
      // It holds 16 MiB and drops the rest: zeros where the rest was written.
      {"drops past 16 MiB", 16_MiB, SimDrive::TFakeMode::Drop, std::nullopt, 16, 40, 0, 0, 16},
      {"cannot read past 40 MiB", std::nullopt, SimDrive::TFakeMode::Wrap, 40_MiB, 40, 0, 0, 16,
       40},
  };
  for (const TSimCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    SimDrive::TConfig Config;
    Config.Capacity = 64_MiB;
    Config.RealCapacity = Case.RealCapacity;
    Config.FakeMode = Case.Mode;
    Config.ReadErrorBeyond = Case.ReadErrorBeyond;
    SimDrive::TSimDrive Drive(Config);
    ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
    TRealRun Run;
    Run.Run(VerifySetting(Drive.DrivePath(), 0, false), nullptr);
    EXPECT_FALSE(Run.Error) << Run.Error->Message;
    const TVerifyTally Tally = OnlyTally(Run);
    EXPECT_EQ(Tally.WrittenSectors, 56 * SectorsPerMiB);
    EXPECT_TRUE(Tally.Complete());
    EXPECT_EQ(Tally.IntactSectors, Case.IntactMiB * SectorsPerMiB);
    EXPECT_EQ(Tally.FewBitsSectors, 0);
    EXPECT_EQ(Tally.ManyBytesSectors, Case.ManyBytesMiB * SectorsPerMiB);
    EXPECT_EQ(Tally.OverwrittenSectors, Case.OverwrittenMiB * SectorsPerMiB);
    EXPECT_EQ(Tally.UnreadableSectors, Case.UnreadableMiB * SectorsPerMiB);
    const std::int64_t First = Case.FirstDamageMiB * MiB;
    EXPECT_EQ(Tally.FirstDamage, (TDamagePlace{0, First, First}));
    EXPECT_EQ(Tally.UsableSectors(), Case.FirstDamageMiB * SectorsPerMiB);
    EXPECT_TRUE(Names(Drive.Path()).empty()) << "the files were deleted after the read";
  }
}

}  // namespace
