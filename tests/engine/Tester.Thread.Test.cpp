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
    // The file is flushed before it is closed, through the cache or not: the drive's own cache
    // may hold the last writes either way.
    const Calls Cached{"create " + File(0), "flush " + File(0), "close " + File(0)};
    const Calls Direct{"create " + File(0) + " direct", "flush " + File(0), "close " + File(0)};
    EXPECT_EQ(Volume->Log(), NeedCache ? Cached : Direct);
    EXPECT_EQ(Record->CloseTimes().size(), 1U) << "the pass end's close is timed";
    EXPECT_EQ(Volume->OpenFolders(), 0U) << "the folder is held for the run only";
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
  EXPECT_EQ(Volume->Log(), (Calls{"create " + File(1), "flush " + File(1), "close " + File(1),
                                  "delete " + File(1)}));
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
  ASSERT_GE(Seen.size(), 5U);
  EXPECT_EQ(Calls(Seen.end() - 5, Seen.end()),
            (Calls{Progress(4096, 4104, 400), ErrorCall(Expected), "StartDeleting", "EndDeleting",
                   "HideButtons"}));
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
    // The write error first, then the deletion it leads to.
    Want.push_back(ErrorCall(Expected));
    if (NeedDelete) {
      Want.insert(Want.end(), {"StartDeleting", "EndDeleting"});
    }
    Want.push_back("HideButtons");
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
  // The file already there is named after the header, never deleted.
  const Calls Ended{"PrintLeftoverFiles 1 0", EndTest(0.0, 0), "HideButtons", "HideButtons"};
  const Calls Refused{"PrintLeftoverFiles 1 0", "HideButtons"};
  const TCase Cases[] = {
      {"rounds to 0", 8 * MiB + MiB / 2, 0, TLeftUnit::LeaveByMiB, 0, Ended},
      {"no room", 1023 * MiB + MiB / 2, 1, TLeftUnit::LeaveByGiB, -2, Ended},
      // The header gets the target itself (10239 - 3,072,000,000 MiB), not the 32-bit clamp.
      {"huge amount to leave", 10 * 1024 * MiB, 3'000'000, TLeftUnit::LeaveByGiB, -3'071'989'761,
       Ended},
      {"free equals the amount to leave", 1024 * MiB + MiB / 2, 1, TLeftUnit::LeaveByGiB, -1,
       Refused},
      {"percent above 100", 1000 * MiB, 101, TLeftUnit::LeaveByPercent, -1, Refused},
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

TEST_F(TesterThreadTest, SpeedIsOneWriteRoundedHalfToEvenAndItsExactTimeGoesAlong) {
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
    // The seconds unrounded, and no temperature: the drive has no sensor, which is no error.
    const auto Times = Record->WriteTimes();
    ASSERT_EQ(Times.size(), 1u);
    EXPECT_DOUBLE_EQ(Times[0].Seconds, static_cast<double>(Case.Ticks) / 1e9);
    EXPECT_FALSE(Times[0].TemperatureInC);
    EXPECT_FALSE(Thread->Error());
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
  EXPECT_EQ(Record->Calls(),
            (Calls{Header(1, Free, Free, 8), Progress(8, 8, 400), "StartDeleting", "EndDeleting",
                   EndTest(45000.5, 8), Header(2, Free, Free, 8), Progress(8, 8, 400),
                   "StartDeleting", "EndDeleting", EndTest(45000.5, 16), Header(3, Free, Free, 8),
                   Progress(8, 8, 400), EndTest(45000.5, 24), "HideButtons"}));
  // Finished passes make room for the next; the cancelled one keeps its file.
  EXPECT_EQ(Volume->Files().size(), 1U);
  EXPECT_EQ(Volume->Log().size(), 4U + 4U + 3U);
  EXPECT_TRUE(Volume->StoppableSleeps().empty()) << "passes with room follow at once";
}

TEST_F(TesterThreadTest, CancelDuringDeletionFinishesItAndStartsNoFurtherPass) {
  MakeVolume(9 * MiB);
  Volume->OnSleep = [this](std::uint32_t) { Worker->Terminate(); };
  TSetting Chosen = Setting(0);
  Chosen.InfiniteRepetition = true;
  Run(Chosen);

  EXPECT_EQ(Record->Calls(),
            (Calls{Header(1, 9 * MiB, 9 * MiB, 8), Progress(8, 8, 400), "StartDeleting",
                   "EndDeleting", EndTest(45000.5, 8), "HideButtons"}));
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

    // Cut short of its 16 MiB: a cancelled pass.
    Calls Want{Header(1, 17 * MiB, 17 * MiB, 16), Progress(8, 16, 400), "StartIdle", "EndIdle",
               "PassCancelled"};
    if (NeedDelete) {
      Want.insert(Want.end(), {"StartDeleting", "EndDeleting"});
    }
    Want.insert(Want.end(), {EndTest(0.0, 0), "HideButtons", "HideButtons"});
    EXPECT_EQ(Record->Calls(), Want);
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
                                    "PassCancelled", EndTest(45000.5, 8), "HideButtons"}));
}

TEST_F(TesterThreadTest, UndeletableFileIsReportedAfterBoundedRetries) {
  MakeVolume(9 * MiB);
  Volume->Undeletable.insert(File(0));
  TSetting Chosen = Setting(0);
  Chosen.NeedDelete = true;
  Run(Chosen);

  const TTesterError Expected{"DeleteFile", File(0), EACCES, Platform::SystemErrorText(EACCES),
                              "DeleteFileError: 13"};
  EXPECT_EQ(Record->Calls(), (Calls{Header(1, 9 * MiB, 9 * MiB, 8), Progress(8, 8, 400),
                                    "StartDeleting", ErrorCall(Expected), "EndDeleting",
                                    EndTest(0.0, 0), "HideButtons", "HideButtons"}));
  std::vector<std::uint32_t> Waits{TTesterThread::DeleteFirstWaitMs};
  Waits.resize(1 + TTesterThread::DeleteRetryLimit, TTesterThread::DeleteRetryMs);
  EXPECT_EQ(Volume->Sleeps(), Waits);
  EXPECT_FALSE(Thread->Error()) << "the pass went on";
  // The owner can tell that files were left behind.
  EXPECT_EQ(Thread->DeleteErrors(), std::vector<TTesterError>{Expected});
}

// An exception that is no system error (here from the platform, then also from the presenter
// while it is told) ends the run as a failed write: told, files deleted, buttons hidden.
TEST_F(TesterThreadTest, AnUnexpectedExceptionEndsTheRunAsAFailedWrite) {
  for (const bool PresenterFailsToo : {false, true}) {
    SCOPED_TRACE(PresenterFailsToo ? "presenter fails too" : "platform fails");
    Record = std::make_shared<TPresenterRecord>();
    MakeVolume(100 * MiB);
    Volume->OnWrite = [](int Index) {
      if (Index == 2) {
        throw std::runtime_error("injected fault");
      }
    };
    if (PresenterFailsToo) {
      Record->OnCall = [](const std::string& Call) {
        if (Call.rfind("PrintError", 0) == 0 || Call == "StartDeleting") {
          throw std::logic_error("presenter fault");
        }
      };
    }
    TSetting Chosen = Setting(0);
    Chosen.NeedDelete = true;
    Run(Chosen);

    const TTesterError Expected{"Run", "", 0, "injected fault", "RunError: injected fault"};
    ASSERT_TRUE(Thread->Error());
    EXPECT_EQ(*Thread->Error(), Expected);
    const Calls Seen = Record->Calls();
    ASSERT_GE(Seen.size(), 4U);
    EXPECT_EQ(Calls(Seen.end() - 4, Seen.end()),
              (Calls{ErrorCall(Expected), "StartDeleting", "EndDeleting", "HideButtons"}));
    EXPECT_TRUE(Volume->Files().empty());
    EXPECT_EQ(Volume->OpenFiles(), 0U);
    Thread.reset();
  }
}

// Two files, 4096 and 8 MiB: the first is flushed when the second opens.
TEST_F(TesterThreadTest, AFailedFlushEndsThePassAsAFailedWriteAndNoWriteTimesIt) {
  MakeVolume(4105 * MiB);
  Volume->TicksPerFlush = 60 * TFakeTesterPlatform::Frequency;  // a minute of write-back
  Run(Setting(0));
  EXPECT_FALSE(Thread->Error());
  const Calls Speeds = Record->CallsStartingWith("ApplyProgress");
  ASSERT_EQ(Speeds.size(), 513U);
  EXPECT_EQ(Speeds[512], Progress(4104, 4104, 400)) << "the flush was timed with a write";
  // Each close is timed on its own: the first file's minute of write-back, then the last's.
  EXPECT_EQ(Record->CloseTimes(), (std::vector<double>{60.0, 60.0}));
  EXPECT_EQ(Volume->Log(), (Calls{"create " + File(0), "flush " + File(0), "close " + File(0),
                                  "create " + File(1), "flush " + File(1), "close " + File(1)}));
  Thread.reset();

  Record = std::make_shared<TPresenterRecord>();
  MakeVolume(4105 * MiB);
  Volume->FlushError = EIO;
  Run(Setting(0));
  const TTesterError Expected{"FlushFileBuffers", File(0), EIO, Platform::SystemErrorText(EIO),
                              "FlushFileBuffersError: 5"};
  ASSERT_TRUE(Thread->Error());
  EXPECT_EQ(*Thread->Error(), Expected);
  const Calls Seen = Record->Calls();
  ASSERT_GE(Seen.size(), 3U);
  EXPECT_EQ(Calls(Seen.end() - 3, Seen.end()),
            (Calls{Progress(4096, 4104, 400), ErrorCall(Expected), "HideButtons"}));
  EXPECT_EQ(Volume->Files().size(), 1U) << "the failed pass opened no further file";
}

// The free space comes and goes: no room, no room, room, no room; cancelled in the last wait.
TEST_F(TesterThreadTest, PassesWithoutRoomSpeakOnceAWhileTheyLastAndWaitBetween) {
  const std::int64_t NoRoom = 8 * MiB + MiB / 2;
  const std::int64_t Room = 16 * MiB + MiB / 2;
  MakeVolume(NoRoom);
  bool StopSeen = false;
  Volume->OnStoppableSleep = [&](std::uint32_t, const std::stop_token& Stop) {
    const std::size_t Waits = Volume->StoppableSleeps().size();
    if (Waits == 3) {
      Volume->SetFreeBytes(Room);
    } else if (Waits == 4) {
      Worker->Terminate();
      StopSeen = Stop.stop_requested();  // the worker's own cancel reaches the wait
    }
  };
  Record->OnCall = [&](const std::string& Call) {
    if (Call == EndTest(45000.5, 8)) {
      Volume->SetFreeBytes(NoRoom);
    }
  };
  TSetting Chosen = Setting(0);
  Chosen.InfiniteRepetition = true;
  Run(Chosen);

  EXPECT_EQ(Record->Calls(),
            (Calls{Header(1, NoRoom, NoRoom, 0), EndTest(45000.5, 0), Header(2, Room, NoRoom, 8),
                   Progress(8, 8, 400), "StartDeleting", "EndDeleting", EndTest(45000.5, 8),
                   Header(3, NoRoom, NoRoom, 0), EndTest(45000.5, 8), "HideButtons"}));
  EXPECT_EQ(Volume->StoppableSleeps(),
            (std::vector<std::uint32_t>(4, TTesterThread::NoRoomWaitMs)));
  EXPECT_TRUE(StopSeen);
}

// A program re-creates the name at once, and the filesystem gives the newcomer the number that
// was just freed: a deletion that succeeded is never asked for again, so the newcomer stays.
TEST_F(TesterThreadTest, ASucceededDeletionIsNeverRepeated) {
  MakeVolume(9 * MiB);
  Volume->OnDelete = [this](const std::string& Path) { Volume->AddFile(Path, 5, 1); };
  TSetting Chosen = Setting(0);
  Chosen.NeedDelete = true;
  Run(Chosen);

  EXPECT_EQ(Volume->Files(), (std::map<std::string, std::int64_t>{{File(0), 5}}));
  EXPECT_EQ(Volume->Log(), (Calls{"create " + File(0), "flush " + File(0), "close " + File(0),
                                  "delete " + File(0)}));
  EXPECT_EQ(Record->Calls(),
            (Calls{Header(1, 9 * MiB, 9 * MiB, 8), Progress(8, 8, 400), "StartDeleting",
                   "EndDeleting", EndTest(0.0, 0), "HideButtons", "HideButtons"}));
}

TEST_F(TesterThreadTest, AFileReplacedUnderItsNameIsLeftAndNamed) {
  MakeVolume(9 * MiB);
  Record->OnCall = [this](const std::string& Call) {
    if (Call.rfind("ApplyProgress", 0) == 0) {
      Volume->AddFile(File(0), 3);  // another file put in place of the pass's own
    }
  };
  TSetting Chosen = Setting(0);
  Chosen.NeedDelete = true;
  Run(Chosen);

  EXPECT_EQ(Record->Calls(), (Calls{Header(1, 9 * MiB, 9 * MiB, 8), Progress(8, 8, 400),
                                    "StartDeleting", "PrintReplacedFile " + File(0), "EndDeleting",
                                    EndTest(0.0, 0), "HideButtons", "HideButtons"}));
  EXPECT_EQ(Volume->Files(), (std::map<std::string, std::int64_t>{{File(0), 3}}));
  EXPECT_FALSE(Thread->Error());
  EXPECT_TRUE(Thread->DeleteErrors().empty());
}

TEST_F(TesterThreadTest, TestFilesFoundAtTheStartAreNamedOnceAndKept) {
  MakeVolume(17 * MiB);
  Volume->AddFile(File(0), 5);
  Volume->AddFile(File(3), 7);
  Volume->AddFile(Drive + "Randomfile", 100);    // not a name the program gives
  Volume->AddFile(Drive + "Randomfile01", 100);  // nor this
  Volume->AddFolder(File(9));
  Record->OnCall = [this](const std::string& Call) {
    if (Call.rfind(Header(2, 0, 0, 0).substr(0, 21), 0) == 0) {
      Worker->Terminate();
    }
  };
  TSetting Chosen = Setting(0);
  Chosen.InfiniteRepetition = true;
  Chosen.NeedDelete = true;
  Run(Chosen);

  const Calls Seen = Record->Calls();
  ASSERT_GE(Seen.size(), 2U);
  EXPECT_EQ(Seen[1], "PrintLeftoverFiles 2 12");
  EXPECT_EQ(Record->CallsStartingWith("PrintLeftoverFiles").size(), 1U);
  EXPECT_EQ(Record->CallsStartingWith("PrintInitialSetting").size(), 2U);
  const auto Files = Volume->Files();
  EXPECT_EQ(Files.at(File(0)), 5);
  EXPECT_EQ(Files.at(File(3)), 7);
  EXPECT_EQ(Files.size(), 4U) << "the run's own files were left";
}

TEST_F(TesterThreadTest, AFolderInUseOrUnopenedEndsTheRunBeforeAnyHeader) {
  struct TCase {
    bool InUse;
    int OpenError;
    TTesterError Expected;
  };
  const TCase Cases[] = {
      {true,
       0,
       {"LockFolder", Drive, EBUSY, Platform::SystemErrorText(EBUSY), "LockFolderError: 16"}},
      {false,
       ENOENT,
       {"OpenFolder", Drive, ENOENT, Platform::SystemErrorText(ENOENT), "OpenFolderError: 2"}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Expected.Operation);
    Record = std::make_shared<TPresenterRecord>();
    MakeVolume(100 * MiB);
    Volume->FolderInUse = Case.InUse;
    Volume->OpenFolderError = Case.OpenError;
    bool AskedForSpace = false;
    Volume->OnVolumeSpace = [&AskedForSpace] { AskedForSpace = true; };
    Run(Setting(0));
    ASSERT_TRUE(Thread->Error());
    EXPECT_EQ(*Thread->Error(), Case.Expected);
    EXPECT_EQ(IsFolderInUse(*Thread->Error()), Case.InUse);
    EXPECT_EQ(Record->Calls(), (Calls{ErrorCall(Case.Expected), "HideButtons"}));
    EXPECT_FALSE(AskedForSpace);
    EXPECT_TRUE(Volume->Log().empty());
    Thread.reset();
  }
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
