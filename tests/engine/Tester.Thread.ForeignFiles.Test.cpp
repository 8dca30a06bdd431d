// Deleting reaches only the files this run created, whatever their names come to mean during
// the pass: the target unmounted or replaced under the run, a program that re-creates a name
// at once, a second run on the same folder.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

#include "engine/Scratch.Volume.h"
#include "engine/Tester.Thread.RealRun.h"
#include "engine/Tester.Thread.h"
#include "fakes/Observed.TesterPlatform.h"

namespace {

namespace fs = std::filesystem;
constexpr std::int64_t MiB = 1024 * 1024;

void WriteText(const fs::path& File, const std::string& Text) {
  std::ofstream(File, std::ios::binary) << Text;
}

std::string ReadText(const fs::path& File) {
  std::ifstream In(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), {}};
}

TSetting Deleting(const std::string& DrivePath) {
  TSetting Result = RealSetting(DrivePath, 0);
  Result.NeedDelete = true;
  return Result;
}

// 25.5 MiB "free": a pass of three writes into Randomfile0.
std::shared_ptr<TObservedTesterPlatform> ThreeWrites() {
  return std::make_shared<TObservedTesterPlatform>(25 * MiB + MiB / 2);
}

// Names of test files taken by what is not a file of ours (a folder, a FIFO, a link to a
// folder): the pass numbers its files past them, and they stay as they were.
TEST(TesterThreadForeignFiles, NamesTakenByOtherKindsAreSteppedPast) {
  TScratchFolder Target;
  ASSERT_FALSE(Target.Path().empty());
  fs::create_directory(Target.Path() / "Randomfile0");
  WriteText(Target.Path() / "Randomfile0" / "inside", "theirs");
  ASSERT_EQ(mkfifo((Target.Path() / "Randomfile1").c_str(), 0600), 0);
  fs::create_directory_symlink(Target.Path() / "Randomfile0", Target.Path() / "Randomfile2");
  TRealRun Run;
  Run.Run(Deleting(Target.Path().string() + "/"), ThreeWrites());

  EXPECT_FALSE(Run.Error) << Run.Error->Message;
  EXPECT_EQ(Run.Writes(), 3U);
  EXPECT_EQ(Names(Target.Path()),
            (std::set<std::string>{"Randomfile0", "Randomfile1", "Randomfile2"}));
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(Target.Path() / "Randomfile0")));
  EXPECT_TRUE(fs::is_fifo(Target.Path() / "Randomfile1"));
  EXPECT_EQ(ReadText(Target.Path() / "Randomfile0" / "inside"), "theirs");
}

TEST(TesterThreadForeignFiles, LazyUnmountMidPassNeverReachesTheFolderUnderneath) {
  TScratchFolder Under;
  ASSERT_FALSE(Under.Path().empty());
  WriteText(Under.Path() / "Randomfile0", "theirs, under the mount");
  TMountedVolume Volume("-t tmpfs -o size=64m tmpfs", Under.Path());
  SKIP_UNLESS_MOUNTED(Volume, "a tmpfs");
  const auto System = ThreeWrites();
  System->BeforeWrite = [&Volume](int Index) {
    if (Index == 1) {
      EXPECT_TRUE(Volume.LazyUnmount());
    }
  };
  TRealRun Run;
  Run.Run(Deleting(Volume.DrivePath()), System);

  EXPECT_FALSE(Run.Error);
  EXPECT_EQ(Run.Writes(), 3U);
  EXPECT_EQ(ReadText(Under.Path() / "Randomfile0"), "theirs, under the mount");
  EXPECT_EQ(Names(Under.Path()), (std::set<std::string>{"Randomfile0"}));
}

TEST(TesterThreadForeignFiles, FolderReplacedMidPassKeepsTheNewcomersFile) {
  TScratchFolder Root;
  ASSERT_FALSE(Root.Path().empty());
  const fs::path Target = Root.Path() / "target";
  const fs::path Moved = Root.Path() / "moved";
  fs::create_directory(Target);
  const auto System = ThreeWrites();
  System->BeforeWrite = [&](int Index) {
    if (Index == 1) {
      fs::rename(Target, Moved);
      fs::create_directory(Target);
      WriteText(Target / "Randomfile0", "theirs, in the new folder");
    }
  };
  TRealRun Run;
  Run.Run(Deleting(Target.string() + "/"), System);

  EXPECT_FALSE(Run.Error);
  EXPECT_EQ(Run.Writes(), 3U);
  EXPECT_EQ(ReadText(Target / "Randomfile0"), "theirs, in the new folder");
  EXPECT_TRUE(fs::is_empty(Moved)) << "the run's own file, in the moved folder, was left";
}

// Re-creates Randomfile0 whenever it is deleted, as a program that keeps a file in place
// would, and counts the deletions it saw.
class TRecreatingWatcher {
 public:
  explicit TRecreatingWatcher(const fs::path& Folder) : FFolder(Folder) {
    FNotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (FNotify >= 0 && inotify_add_watch(FNotify, Folder.c_str(), IN_DELETE) >= 0) {
      FThread = std::thread([this] { Watch(); });
    }
  }
  ~TRecreatingWatcher() {
    FStop = true;
    if (FThread.joinable()) {
      FThread.join();
    }
    if (FNotify >= 0) {
      close(FNotify);
    }
  }
  TRecreatingWatcher(const TRecreatingWatcher&) = delete;
  TRecreatingWatcher& operator=(const TRecreatingWatcher&) = delete;

  bool Watching() const { return FThread.joinable(); }
  int Recreated() const {
    std::lock_guard Lock(FMutex);
    return FRecreated;
  }
  // Waits (boundedly) until the watcher has answered Deletions deletions.
  void WaitForAnswers(int Deletions) {
    std::unique_lock Lock(FMutex);
    FChanged.wait_for(Lock, std::chrono::seconds(20), [&] { return FRecreated >= Deletions; });
  }

 private:
  void Watch() {
    alignas(inotify_event) char Buffer[4096];
    while (!FStop) {
      pollfd Wait{FNotify, POLLIN, 0};
      if (poll(&Wait, 1, 20) <= 0) {
        continue;
      }
      const ssize_t Length = read(FNotify, Buffer, sizeof Buffer);
      for (ssize_t At = 0; At < Length;) {
        const auto* Event = reinterpret_cast<const inotify_event*>(Buffer + At);
        if (Event->len > 0 && std::strcmp(Event->name, "Randomfile0") == 0) {
          WriteText(FFolder / "Randomfile0", "theirs, re-created");
          {
            std::lock_guard Lock(FMutex);
            ++FRecreated;
          }
          FChanged.notify_all();
        }
        At += static_cast<ssize_t>(sizeof(inotify_event) + Event->len);
      }
    }
  }

  fs::path FFolder;
  int FNotify = -1;
  std::atomic<bool> FStop{false};
  mutable std::mutex FMutex;
  std::condition_variable FChanged;
  int FRecreated = 0;
  std::thread FThread;
};

// Every wait of the worker lets the watcher answer the deletions so far first, so that the
// worker meets the re-created file whatever the machine's load.
class TWaitingForTheWatcher final : public TObservedTesterPlatform {
 public:
  TWaitingForTheWatcher(std::int64_t FreeBytes, TRecreatingWatcher& Watcher)
      : TObservedTesterPlatform(FreeBytes), FWatcher(Watcher) {}

  TDeleteResult DeleteOwnFile(TFolderHandle Folder, const std::string& Name,
                              const TFileIdentity& Identity) override {
    const TDeleteResult Result = FReal->DeleteOwnFile(Folder, Name, Identity);
    FDeleted += Result.Outcome == TDeleteOutcome::Deleted ? 1 : 0;
    return Result;
  }
  void SleepMs(std::uint32_t Milliseconds) override {
    FWatcher.WaitForAnswers(FDeleted);
    FReal->SleepMs(Milliseconds);
  }

 private:
  TRecreatingWatcher& FWatcher;
  int FDeleted = 0;  // the worker's thread only
};

TEST(TesterThreadForeignFiles, ANameRecreatedRightAfterTheDeleteIsLeftAlone) {
  TScratchFolder Folder;
  ASSERT_FALSE(Folder.Path().empty());
  TRecreatingWatcher Watcher(Folder.Path());
  ASSERT_TRUE(Watcher.Watching());
  TRealRun Run;
  Run.Run(Deleting(Folder.DrivePath()),
          std::make_shared<TWaitingForTheWatcher>(9 * MiB + MiB / 2, Watcher));

  EXPECT_FALSE(Run.Error);
  EXPECT_EQ(Run.Writes(), 1U);
  Watcher.WaitForAnswers(1);
  EXPECT_EQ(Watcher.Recreated(), 1) << "the run deleted a file it had not created";
  EXPECT_EQ(ReadText(Folder.Path() / "Randomfile0"), "theirs, re-created");
  EXPECT_TRUE(Run.Record->CallsStartingWith("PrintError").empty());
}

TEST(TesterThreadForeignFiles, ASecondRunOnAFolderInUseIsRefusedAndTheFirstGoesOn) {
  TScratchFolder Folder;
  ASSERT_FALSE(Folder.Path().empty());
  TSetting Repeating = Deleting(Folder.DrivePath());
  Repeating.InfiniteRepetition = true;
  const auto First = std::make_shared<TPresenterRecord>();
  TTesterThread FirstRun(Repeating, std::make_unique<TRecordingPresenter>(First),
                         std::make_shared<TObservedTesterPlatform>(17 * MiB + MiB / 2));
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (First->CallsStartingWith("EndTest").size() < 2 &&
         std::chrono::steady_clock::now() < Deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_FALSE(FirstRun.IsFinished());

  TRealRun Second;
  Second.Run(Deleting(Folder.DrivePath()), ThreeWrites());
  ASSERT_TRUE(Second.Error);
  EXPECT_EQ(Second.Error->Operation, "LockFolder");
  EXPECT_EQ(Second.Error->Path, Folder.DrivePath());
  EXPECT_EQ(Second.Record->Calls(),
            (std::vector<std::string>{ErrorCall(*Second.Error), "HideButtons"}));

  const std::size_t PassesBefore = First->CallsStartingWith("EndTest").size();
  while (First->CallsStartingWith("EndTest").size() < PassesBefore + 2 &&
         std::chrono::steady_clock::now() < Deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  FirstRun.Terminate();
  ASSERT_TRUE(FirstRun.WaitFor(std::chrono::seconds(60)));
  EXPECT_FALSE(FirstRun.Error());
  EXPECT_TRUE(First->CallsStartingWith("PrintError").empty());
  EXPECT_TRUE(fs::is_empty(Folder.Path()));

  // The hold ends with the run.
  TRealRun Third;
  Third.Run(Deleting(Folder.DrivePath()), ThreeWrites());
  EXPECT_FALSE(Third.Error);
  EXPECT_EQ(Third.Writes(), 3U);
}

}  // namespace
