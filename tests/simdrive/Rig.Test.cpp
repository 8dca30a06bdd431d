#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "Drive.Io.h"
#include "Sim.Drive.h"

// The helper itself: drives come up, stay apart, and go away without leaving mounts behind,
// also when the test that mounted one dies without its destructors.
namespace {

using namespace SimDrive;
using namespace SimDrive::Literals;
using namespace std::chrono_literals;

bool Mounted(const std::filesystem::path& Folder) {
  std::ifstream Mounts("/proc/self/mountinfo");
  std::string Id, Parent, Device, Root, Point, Rest;
  while (Mounts >> Id >> Parent >> Device >> Root >> Point && std::getline(Mounts, Rest)) {
    if (Point == Folder.string()) {
      return true;
    }
  }
  return false;
}

bool UnmountedWithin(const std::filesystem::path& Folder, std::chrono::seconds Limit) {
  const auto Until = std::chrono::steady_clock::now() + Limit;
  while (Mounted(Folder)) {
    if (std::chrono::steady_clock::now() > Until) {
      return false;
    }
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(SimDriveRig, ADriveThatCannotBeIsRefusedWithoutMountingAnything) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  std::filesystem::path Folder;
  {
    TConfig Config;
    Config.Capacity = 1000;
    TSimDrive Drive(Config);
    EXPECT_FALSE(Drive.Mounted());
    EXPECT_NE(Drive.Error().find("--capacity"), std::string::npos) << Drive.Error();
    Folder = Drive.Path().parent_path();
  }
  EXPECT_FALSE(std::filesystem::exists(Folder));
}

TEST(SimDriveRig, TwoDrivesAtOnceAreApart) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  TConfig Small;
  Small.Capacity = 64_MiB;
  TSimDrive First(Small);
  TSimDrive Second;
  ASSERT_TRUE(First.Mounted()) << First.Error();
  ASSERT_TRUE(Second.Mounted()) << Second.Error();
  DriveIo::TBuffer Data;
  DriveIo::TFd File = DriveIo::CreateNew(First.DrivePath() + "Randomfile0", true);
  ASSERT_EQ(DriveIo::TimedWrite(File.Get(), Data.Data(), Data.Size()).Error, 0);
  struct statvfs One {
  }, Two{};
  ASSERT_EQ(statvfs(First.Path().c_str(), &One), 0);
  ASSERT_EQ(statvfs(Second.Path().c_str(), &Two), 0);
  EXPECT_EQ(One.f_bavail * One.f_frsize, 56_MiB);
  EXPECT_EQ(Two.f_bavail * Two.f_frsize, 256_MiB);
  EXPECT_FALSE(std::filesystem::exists(Second.Path() / "Randomfile0"));
}

// A test process killed outright: alone (its daemon notices and unmounts), or together with its
// daemon, as a time-out kills a test's whole process tree (the mount stays, dead). Either way
// the next drive any test mounts clears what is left.
struct TKill {
  const char* Name;
  bool DaemonToo;
};

void PrintTo(const TKill& Kill, std::ostream* Out) {
  *Out << Kill.Name;
}

class SimDriveRigKilled : public testing::TestWithParam<TKill> {};

TEST_P(SimDriveRigKilled, TheNextDriveClearsWhatAKilledTestLeft) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  int Channel[2];
  ASSERT_EQ(pipe(Channel), 0);
  const pid_t Test = fork();
  if (Test == 0) {
    close(Channel[0]);
    setpgid(0, 0);  // its own group, so that killing the group spares this process
    TSimDrive Drive;
    const std::string Path = Drive.Mounted() ? Drive.Path().string() : std::string();
    [[maybe_unused]] const auto Written = write(Channel[1], Path.data(), Path.size());
    close(Channel[1]);
    kill(GetParam().DaemonToo ? 0 : getpid(), SIGKILL);
    _exit(1);
  }
  ASSERT_GT(Test, 0);
  close(Channel[1]);
  char Text[4096];
  const ssize_t Length = read(Channel[0], Text, sizeof Text);
  close(Channel[0]);
  waitpid(Test, nullptr, 0);
  ASSERT_GT(Length, 0) << "the killed test could not mount its drive";
  const std::filesystem::path MountPoint(std::string(Text, static_cast<std::size_t>(Length)));

  if (!GetParam().DaemonToo) {
    EXPECT_TRUE(UnmountedWithin(MountPoint, 10s)) << "the orphaned daemon kept its mount";
  } else {
    EXPECT_TRUE(Mounted(MountPoint));
  }
  {
    TSimDrive Next;
    ASSERT_TRUE(Next.Mounted()) << Next.Error();
    EXPECT_FALSE(Mounted(MountPoint));
    EXPECT_FALSE(std::filesystem::exists(MountPoint.parent_path()));
  }
}

INSTANTIATE_TEST_SUITE_P(AloneOrWithItsDaemon, SimDriveRigKilled,
                         testing::Values(TKill{"Alone", false}, TKill{"WithItsDaemon", true}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
