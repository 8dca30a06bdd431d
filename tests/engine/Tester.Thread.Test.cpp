#include "engine/Tester.Thread.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>

#include "engine/Tester.Thread.Fixture.h"
#include "platform/Platform.Locale.h"

namespace {

using Calls = std::vector<std::string>;

void AppendProgress(Calls& Expected, std::int32_t From, std::int32_t To, std::int32_t Target) {
  for (std::int32_t Written = From; Written <= To; Written += 8) {
    Expected.push_back(Progress(Written, Target, 400));
  }
}

TEST_F(TesterThreadTest, OnePassWritesTimedBlocksAndEndsWithTwoHideButtons) {
  for (const bool NeedCache : {false, true}) {
    SCOPED_TRACE(NeedCache ? "cached" : "unbuffered");
    Record = std::make_shared<TPresenterRecord>();
    const std::int64_t Free = 100 * MiB + MiB / 2;  // 99 MiB to fill, rounded down to 96
    MakeVolume(Free, 200 * MiB);
    TSetting Chosen = Setting(0);
    Chosen.NeedCache = NeedCache;
    Run(Chosen);

    Calls Expected{Header(1, Free, 200 * MiB, 96)};
    AppendProgress(Expected, 8, 96, 96);
    Expected.insert(Expected.end(), {EndTest(0.0, 0), "HideButtons", "HideButtons"});
    EXPECT_EQ(Record->Calls(), Expected);
    EXPECT_EQ(Volume->Files(), (std::map<std::string, std::int64_t>{{File(0), 96 * MiB}}));
    EXPECT_EQ(Volume->Log(),
              (Calls{"create " + File(0) + (NeedCache ? "" : " direct"), "close " + File(0)}));
    EXPECT_FALSE(Thread->Error());
    Thread.reset();
    EXPECT_TRUE(FinishedSeenFinished) << "OnFinished must come after the end is visible";
  }
}

TEST_F(TesterThreadTest, FilesHold4096MiBAndTheLastHoldsTheRest) {
  struct TCase {
    std::int32_t Target;
    std::map<std::string, std::int64_t> Files;
  };
  const TCase Cases[] = {
      {4096, {{File(0), 4096 * MiB}}},
      {4104, {{File(0), 4096 * MiB}, {File(1), 8 * MiB}}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Target);
    Record = std::make_shared<TPresenterRecord>();
    MakeVolume((Case.Target + 1) * MiB);
    Run(Setting(0));
    EXPECT_EQ(Volume->Files(), Case.Files);
    EXPECT_EQ(Record->CallsStartingWith("ApplyProgress").size(),
              static_cast<std::size_t>(Case.Target / 8));
    EXPECT_EQ(Record->Calls().front(),
              Header(1, (Case.Target + 1) * MiB, (Case.Target + 1) * MiB, Case.Target));
    Thread.reset();
  }
}

// Randomfile0 and Randomfile2 were there before; the pass fills the gap at 1 and its
// deletion must not reach 2, although a target of 4096 MiB spans two numbers.
TEST_F(TesterThreadTest, DeletesOnlyTheFilesItCreated) {
  MakeVolume(4097 * MiB);
  Volume->AddFile(File(0), 5);
  Volume->AddFile(File(2), 7);
  TSetting Chosen = Setting(0);
  Chosen.NeedDelete = true;
  Run(Chosen);

  EXPECT_EQ(Volume->Files(), (std::map<std::string, std::int64_t>{{File(0), 5}, {File(2), 7}}));
  EXPECT_EQ(Volume->Log(), (Calls{"create " + File(1), "close " + File(1), "delete " + File(1)}));
  EXPECT_EQ(Record->Calls().back(), "HideButtons");
}

TEST_F(TesterThreadTest, TakenNameEndsThePassWithCreateFileErrorAndNoWriteToIt) {
  MakeVolume(4105 * MiB);
  Volume->AddFile(File(0), 5);
  Volume->AddFile(File(2), 7);
  TSetting Chosen = Setting(0);
  Chosen.NeedDelete = true;
  Run(Chosen);

  const TTesterError Expected{"CreateFile", File(2), EEXIST, Platform::SystemErrorText(EEXIST),
                              "CreateFileError: 17"};
  ASSERT_TRUE(Thread->Error());
  EXPECT_EQ(*Thread->Error(), Expected);
  const Calls Seen = Record->Calls();
  ASSERT_GE(Seen.size(), 3U);
  EXPECT_EQ(Seen[Seen.size() - 3], Progress(4096, 4104, 400));
  EXPECT_EQ(Seen[Seen.size() - 2], ErrorCall(Expected));
  EXPECT_EQ(Seen.back(), "HideButtons");
  EXPECT_TRUE(Record->CallsStartingWith("EndTest").empty());
  EXPECT_EQ(Volume->Files(), (std::map<std::string, std::int64_t>{{File(0), 5}, {File(2), 7}}));
}

// 50 MiB below nothing: the target is larger than the free space, so the volume fills up.
TEST_F(TesterThreadTest, FullVolumeEndsThePassSoundly) {
  for (const bool NeedDelete : {true, false}) {
    SCOPED_TRACE(NeedDelete ? "delete" : "keep");
    Record = std::make_shared<TPresenterRecord>();
    MakeVolume(100 * MiB);
    TSetting Chosen = Setting(-50);
    Chosen.NeedDelete = NeedDelete;
    Run(Chosen);

    const TTesterError Expected{"WriteFile", File(0), ENOSPC, Platform::SystemErrorText(ENOSPC),
                                "WriteFileError: 28"};
    Calls Want{Header(1, 100 * MiB, 100 * MiB, 144)};
    AppendProgress(Want, 8, 96, 144);
    Want.insert(Want.end(), {ErrorCall(Expected), "HideButtons"});
    EXPECT_EQ(Record->Calls(), Want);
    ASSERT_TRUE(Thread->Error());
    EXPECT_EQ(*Thread->Error(), Expected);
    EXPECT_EQ(Volume->OpenFiles(), 0U);
    EXPECT_EQ(Volume->Files().size(), NeedDelete ? 0U : 1U);
    Thread.reset();
  }
}

TEST_F(TesterThreadTest, PassWithoutRoomOrRefusedWritesNothing) {
  struct TCase {
    const char* Why;
    std::int64_t Free;
    std::int64_t ToLeft;
    TLeftUnit Unit;
    std::int64_t Target;
    Calls After;  // what follows the header
  };
  const Calls Ended{EndTest(0.0, 0), "HideButtons", "HideButtons"};
  const TCase Cases[] = {
      {"rounds to 0", 8 * MiB + MiB / 2, 0, TLeftUnit::LeaveByMiB, 0, Ended},
      {"no room", 1023 * MiB + MiB / 2, 1, TLeftUnit::LeaveByGiB, -2, Ended},
      {"huge amount to leave", 10 * 1024 * MiB, 3'000'000, TLeftUnit::LeaveByGiB,
       std::numeric_limits<std::int32_t>::min(), Ended},
      {"free equals the amount to leave",
       1024 * MiB + MiB / 2,
       1,
       TLeftUnit::LeaveByGiB,
       -1,
       {"HideButtons"}},
      {"percent above 100", 1000 * MiB, 101, TLeftUnit::LeaveByPercent, -1, {"HideButtons"}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Why);
    Record = std::make_shared<TPresenterRecord>();
    MakeVolume(Case.Free);
    Volume->AddFile(File(0));  // not this run's: never to be deleted
    TSetting Chosen = Setting(Case.ToLeft, Case.Unit);
    Chosen.NeedDelete = true;
    Run(Chosen);

    Calls Want{Header(1, Case.Free, Case.Free, Case.Target)};
    Want.insert(Want.end(), Case.After.begin(), Case.After.end());
    EXPECT_EQ(Record->Calls(), Want);
    EXPECT_TRUE(Volume->Log().empty()) << "nothing created, so nothing to delete";
    EXPECT_FALSE(Thread->Error());
    Thread.reset();
  }
}

TEST_F(TesterThreadTest, FreeSpaceQueryFailureIsReported) {
  MakeVolume(100 * MiB);
  Volume->SpaceError = ENOENT;
  Run(Setting(0));
  const TTesterError Expected{"GetDiskFreeSpace", Drive, ENOENT, Platform::SystemErrorText(ENOENT),
                              "GetDiskFreeSpaceError: 2"};
  EXPECT_EQ(Record->Calls(), (Calls{ErrorCall(Expected), "HideButtons"}));
  ASSERT_TRUE(Thread->Error());
  EXPECT_EQ(*Thread->Error(), Expected);
}

TEST_F(TesterThreadTest, SpeedIsOneWriteRoundedHalfToEven) {
  struct TCase {
    std::int64_t Ticks;  // nanoseconds of the 8 MiB write
    std::int32_t Speed;
  };
  const TCase Cases[] = {{20'000'000, 400},
                         {12'800'000, 625},
                         {25'600'000, 312},  // 312.5
                         {0, std::numeric_limits<std::int32_t>::max()}};
  for (const auto& Case : Cases) {
    Record = std::make_shared<TPresenterRecord>();
    MakeVolume(9 * MiB);
    Volume->TicksPerWrite = Case.Ticks;
    Run(Setting(0));
    EXPECT_EQ(Record->CallsStartingWith("ApplyProgress"), (Calls{Progress(8, 8, Case.Speed)}))
        << Case.Ticks;
    Thread.reset();
  }
}

TEST_F(TesterThreadTest, RepeatsUntilCancelledWithRunTotals) {
  MakeVolume(16 * MiB + MiB / 2);  // one 8 MiB write per pass
  Record->OnCall = [this](const std::string& Call) {
    if (Call == Progress(8, 8, 400) && Record->CallsStartingWith("ApplyProgress").size() == 3) {
      Worker->Terminate();
    }
  };
  TSetting Chosen = Setting(0);
  Chosen.InfiniteRepetition = true;
  Run(Chosen);

  const std::int64_t Free = 16 * MiB + MiB / 2;
  EXPECT_EQ(
      Record->Calls(),
      (Calls{Header(1, Free, Free, 8), Progress(8, 8, 400), EndTest(45000.5, 8),
             Header(2, Free, Free, 8), Progress(8, 8, 400), EndTest(45000.5, 16),
             Header(3, Free, Free, 8), Progress(8, 8, 400), EndTest(45000.5, 24), "HideButtons"}));
  // Finished passes make room for the next; the cancelled one keeps its file.
  EXPECT_EQ(Volume->Files().size(), 1U);
  EXPECT_EQ(Volume->Log().size(), 3U + 3U + 2U);
}

TEST_F(TesterThreadTest, CancelDuringDeletionFinishesItAndStartsNoFurtherPass) {
  MakeVolume(9 * MiB);
  Volume->OnSleep = [this](std::uint32_t) { Worker->Terminate(); };
  TSetting Chosen = Setting(0);
  Chosen.InfiniteRepetition = true;
  Run(Chosen);

  EXPECT_EQ(Record->Calls(), (Calls{Header(1, 9 * MiB, 9 * MiB, 8), Progress(8, 8, 400),
                                    EndTest(45000.5, 8), "HideButtons"}));
  EXPECT_TRUE(Volume->Files().empty());
}

TEST_F(TesterThreadTest, PauseDuringAWriteWaitsAfterItsProgress) {
  MakeVolume(17 * MiB);
  Volume->OnWrite = [this](int Index) {
    if (Index == 0) {
      Worker->ToggleIdle();
    }
  };
  Volume->OnSleep = [this](std::uint32_t) {
    if (Volume->Sleeps().size() == 3) {
      Worker->ToggleIdle();
    }
  };
  Run(Setting(0));

  EXPECT_EQ(Record->Calls(),
            (Calls{Header(1, 17 * MiB, 17 * MiB, 16), Progress(8, 16, 400), "StartIdle", "EndIdle",
                   Progress(16, 16, 400), EndTest(0.0, 0), "HideButtons", "HideButtons"}));
  EXPECT_EQ(Volume->Sleeps(), (std::vector<std::uint32_t>{100, 100, 100}));
}

TEST_F(TesterThreadTest, CancelWhilePausedEndsThePass) {
  for (const bool NeedDelete : {false, true}) {
    SCOPED_TRACE(NeedDelete ? "delete" : "keep");
    Record = std::make_shared<TPresenterRecord>();
    MakeVolume(17 * MiB);
    Volume->OnWrite = [this](int) { Worker->ToggleIdle(); };
    Volume->OnSleep = [this](std::uint32_t) {
      if (Volume->Sleeps().size() == 2) {
        Worker->Terminate();
      }
    };
    TSetting Chosen = Setting(0);
    Chosen.NeedDelete = NeedDelete;
    Run(Chosen);

    EXPECT_EQ(Record->Calls(),
              (Calls{Header(1, 17 * MiB, 17 * MiB, 16), Progress(8, 16, 400), "StartIdle",
                     "EndIdle", EndTest(0.0, 0), "HideButtons", "HideButtons"}));
    EXPECT_EQ(Volume->Files().size(), NeedDelete ? 0U : 1U);
    Thread.reset();
  }
}

TEST_F(TesterThreadTest, CancelDuringPreparationStillMakesOneWrite) {
  MakeVolume(17 * MiB);
  Volume->OnVolumeSpace = [this] { Worker->Terminate(); };
  TSetting Chosen = Setting(0);
  Chosen.InfiniteRepetition = true;
  Run(Chosen);

  EXPECT_EQ(Record->Calls(), (Calls{Header(1, 17 * MiB, 17 * MiB, 16), Progress(8, 16, 400),
                                    EndTest(45000.5, 8), "HideButtons"}));
}

TEST_F(TesterThreadTest, UndeletableFileIsReportedAfterBoundedRetries) {
  MakeVolume(9 * MiB);
  Volume->Undeletable.insert(File(0));
  TSetting Chosen = Setting(0);
  Chosen.NeedDelete = true;
  Run(Chosen);

  const TTesterError Expected{"DeleteFile", File(0), EACCES, Platform::SystemErrorText(EACCES),
                              "DeleteFileError: 13"};
  EXPECT_EQ(Record->Calls(),
            (Calls{Header(1, 9 * MiB, 9 * MiB, 8), Progress(8, 8, 400), ErrorCall(Expected),
                   EndTest(0.0, 0), "HideButtons", "HideButtons"}));
  std::vector<std::uint32_t> Waits{TTesterThread::DeleteFirstWaitMs};
  Waits.resize(1 + TTesterThread::DeleteRetryLimit, TTesterThread::DeleteRetryMs);
  EXPECT_EQ(Volume->Sleeps(), Waits);
  EXPECT_FALSE(Thread->Error()) << "the pass went on";
}

TEST_F(TesterThreadTest, DestroyingARunningWorkerStopsIt) {
  MakeVolume(1024 * 1024 * MiB);
  Start(Setting(0));
  while (Record->CallsStartingWith("ApplyProgress").empty()) {
    std::this_thread::yield();
  }
  Thread.reset();
  EXPECT_EQ(Record->Calls().back(), "HideButtons");
}

}  // namespace
