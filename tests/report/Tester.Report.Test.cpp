// The pass header, the summary, the rotation of the log lists and the error lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "Report.Rig.h"
#include "Report.TempFolder.h"
#include "platform/Platform.Locale.h"
#include "platform/Platform.LogFile.h"

namespace {

constexpr double Hour = 1.0 / 24;
constexpr double Second = 1.0 / 86400;
const std::string Rule(39, '*');

// A pass that writes has begun (the log file is written from here on); the view forgets what
// that showed, and the log file's content so far is returned.
std::string StartWritingPass(TPresenterRig& Rig, const std::string& LogPath) {
  Rig.OnWorkerServed([&] { Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 16); });
  Rig.View.Calls.clear();
  Rig.View.CurrentLog.clear();
  Rig.View.LastAndCurrentLog.clear();
  return ReadBytes(LogPath);
}

std::vector<std::string> Slice(const std::vector<std::string>& Lines, std::size_t From,
                               std::size_t Count) {
  return {Lines.begin() + static_cast<long>(From), Lines.begin() + static_cast<long>(From + Count)};
}

TEST(TestReport, HeaderFiguresInDecimalGigabytes) {
  const struct {
    std::int64_t DiskByte, FreeByte, TotalByte, ToFillMiB;
    const char *DiskLine, *RangeLine, *PartitionLine;
  } Cases[] = {
      {256'060'514'304, 100'000'000'000, 255'000'000'000, 51200, "전체 용량 : 256GB",
       "테스트 구간 : 100GB ~ 46GB", "파티션 용량 : 255GB"},
      // Rounding halves to even: 2.5 -> 2, and a target of 0 leaves all free space.
      {1'000'000'000'000, 2'500'000'000, 3'500'000'000, 0, "전체 용량 : 1000GB",
       "테스트 구간 : 2GB ~ 2GB", "파티션 용량 : 4GB"},
      // 3,000,000 GiB to leave on 10 GiB: the real figure, not that of the 32-bit clamp
      // (which read 2251811GB).
      {1'000'000'000'000, 10'737'418'240, 10'737'418'240, -3'071'989'761, "전체 용량 : 1000GB",
       "테스트 구간 : 11GB ~ 3221225GB", "파티션 용량 : 11GB"},
  };
  for (const auto& Case : Cases) {
    TPresenterRig Rig;
    Rig.Disk.SizeInByte = Case.DiskByte;
    Rig->PrintInitialSetting(3, Case.FreeByte, Case.TotalByte, Case.ToFillMiB);
    const auto Lines = Rig.View.LogLines();
    ASSERT_EQ(Lines.size(), Case.ToFillMiB > 0 ? 20u : 21u);  // no room: a reason follows
    EXPECT_EQ(Lines[5], "테스트 회차 : 3");
    EXPECT_EQ(Lines[10], Case.DiskLine);
    EXPECT_EQ(Lines[13], Case.RangeLine);
    EXPECT_EQ(Lines[14], Case.PartitionLine);
  }
}

TEST(TestReport, HeaderShowsTheModesAndTheDrive) {
  TSetting Setting;
  Setting.DrivePath = "/media/usb stick/";
  Setting.NeedCache = true;
  Setting.InfiniteRepetition = true;
  TPresenterRig Rig(Setting);
  Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 32);
  const auto Lines = Rig.View.LogLines();
  EXPECT_EQ(Lines[8], "모델명 : FAKE-SSD 1000");
  EXPECT_EQ(Lines[9], "드라이브 : /media/usb stick/");
  EXPECT_EQ(Lines[17], "윈도 캐시 효과 : 적용");
  EXPECT_EQ(Lines[18], "무한 반복 : 적용");
}

// A folder or disk name with a control character must not break its line in two (or reach a
// terminal as a command): the report lines show it escaped.
TEST(TestReport, ControlCharactersOfTheDriveAndModelAreShownEscaped) {
  TSetting Setting;
  Setting.DrivePath = "/media/new\nline\x1b[2J/";
  TPresenterRig Rig(Setting);
  Rig.Disk.Model = "MODEL\tX";
  Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 32);
  const auto Lines = Rig.View.LogLines();
  ASSERT_EQ(Lines.size(), 20u);
  EXPECT_EQ(Lines[8], "모델명 : MODEL\\tX");
  EXPECT_EQ(Lines[9], "드라이브 : /media/new\\nline\\x1b[2J/");
}

TEST(TestReport, AnUnknownDiskLeavesTheModelEmptyAndTheVolumeStandsIn) {
  TPresenterRig Rig;
  Rig.Disk = {};  // no disk found under the volume
  Rig.OnWorker([&] {
    Rig->PrintInitialSetting(1, 500 * MiB, 2000 * MiB, 16);
    Rig->ApplyProgress(8, 16, 100);
  });
  Rig.Dispatcher->RunPending();
  const auto Lines = Rig.View.LogLines();
  EXPECT_EQ(Lines[8], "모델명 : ");
  EXPECT_EQ(Lines[10], "전체 용량 : 2GB");  // the volume's 2000 MiB
  // The remaining share counts against the volume: (500 - 8) / 2000.
  EXPECT_NE(std::find(Rig.View.Calls.begin(), Rig.View.Calls.end(), "Point 24.6 100"),
            Rig.View.Calls.end());
  EXPECT_EQ(Lines.back(), "24.6% 에서의 속도 : 100MiB/s");

  // A known model with an unknown size keeps its model.
  TPresenterRig Sized;
  Sized.Disk = {"MODEL X", 0};
  Sized->PrintInitialSetting(1, 500 * MiB, 2000 * MiB, 16);
  EXPECT_EQ(Sized.View.LogLines()[8], "모델명 : MODEL X");
  EXPECT_EQ(Sized.View.LogLines()[10], "전체 용량 : 2GB");
}

TEST(TestReport, ARefusedPassSaysWhyAfterItsHeader) {
  const struct {
    TLeftUnit Unit;
    std::int64_t ToLeft;
    const char* Reason;
  } Cases[] = {
      {TLeftUnit::LeaveByPercent, 150, "- 잘못된 설정 : 남길 용량 150%가 100%를 넘습니다 -"},
      {TLeftUnit::LeaveByGiB, 1,
       "- 잘못된 설정 : 빈 공간이 남길 용량과 같아 채울 공간이 없습니다 -"},
      {TLeftUnit::LeaveByMiB, 875,
       "- 잘못된 설정 : 빈 공간이 남길 용량과 같아 채울 공간이 없습니다 -"},
  };
  for (const auto& Case : Cases) {
    TSetting Setting;
    Setting.ToLeftUnit = Case.Unit;
    Setting.ToLeft = Case.ToLeft;
    TPresenterRig Rig(Setting);
    Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, -1);
    const auto Lines = Rig.View.LogLines();
    ASSERT_EQ(Lines.size(), 21u);
    EXPECT_EQ(Lines[19], Rule);
    EXPECT_EQ(Lines[20], Case.Reason);
  }
}

TEST(TestReport, APassWithoutRoomSaysWhyAfterItsHeader) {
  const struct {
    TLeftUnit Unit;
    std::int64_t ToLeft;
    std::int64_t Target;
    const char* Reason;
  } Cases[] = {
      {TLeftUnit::LeaveByGiB, 1, -150, "- 채울 공간 없음 : 빈 공간 875MiB, 남길 용량 1GiB -"},
      {TLeftUnit::LeaveByMiB, 870, 0, "- 채울 공간 없음 : 빈 공간 875MiB, 남길 용량 870MiB -"},
      {TLeftUnit::LeaveByPercent, 100, -86, "- 채울 공간 없음 : 빈 공간 875MiB, 남길 용량 100% -"},
  };
  for (const auto& Case : Cases) {
    TSetting Setting;
    Setting.ToLeftUnit = Case.Unit;
    Setting.ToLeft = Case.ToLeft;
    TPresenterRig Rig(Setting);
    Rig->PrintInitialSetting(1, 875 * MiB + MiB / 2, 960 * MiB, Case.Target);
    const auto Lines = Rig.View.LogLines();
    ASSERT_EQ(Lines.size(), 21u);
    EXPECT_EQ(Lines[19], Rule);
    EXPECT_EQ(Lines[20], Case.Reason);
  }
}

TEST(TestReport, SummaryOfASinglePass) {
  TPresenterRig Rig;
  Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 13, 0, 0, 0}));
  Rig.Pass(1, 875, {100, 40, 48, 50, 200});  // half of the average (87) is 43
  Rig.View.Calls.clear();
  Rig.Clock.Advance(25 * Hour);
  Rig->EndTest(0.0, 0);
  EXPECT_EQ(Rig.View.LogLines(), (std::vector<std::string>{
                                     Rule, "종료 시간 : 2024/05/02 14:00", "테스트 시간 : 01:00:00",
                                     Rule, "최대 속도 : 200MiB/s", "최소 속도 : 40MiB/s",
                                     "평균 속도 : 87MiB/s", "평균 속도 50% 미만 구간 : 20.0%", Rule,
                                     "- 판단하기에 너무 짧은 회차입니다 (쓰기 5회) -"}));
  EXPECT_EQ(Rig.View.Calls.front(), "Line end 43");
  EXPECT_TRUE(Rig.View.ShownPhases.empty());  // nothing drawn over a pass too short to judge
}

TEST(TestReport, APassLongEnoughToJudgeEndsWithItsAnalysisAfterTheSummary) {
  TPresenterRig Rig;
  // 512 MiB at 400 MiB/s, then 512 MiB at 100 MiB/s: a cache of 512 MiB.
  std::vector<int> Speeds(64, 400);
  Speeds.insert(Speeds.end(), 64, 100);
  Rig.PassOf(1, 2000, Speeds);
  // The last file's close waits 2 s: 1024 MiB in 1.28 + 5.12 + 2 s, and the phase after the
  // cache, where the close belongs, 512 MiB in 7.12 s.
  Rig->ApplyCloseTime(2.0);
  const std::size_t Before = Rig.View.LogLines().size();
  Rig->EndTest(0.0, 0);
  const auto All = Rig.View.LogLines();
  const auto Lines = Slice(All, Before, All.size() - Before);
  ASSERT_GE(Lines.size(), 14u);
  EXPECT_EQ(Lines[7], "평균 속도 50% 미만 구간 : 50.0%");
  EXPECT_EQ(Lines[8], Rule);
  EXPECT_EQ(Slice(Lines, 9, 6),
            (std::vector<std::string>{"- 쓰기 분석 -", "처리량 : 122MiB/s",
                                      "닫을 때 기다린 시간 : 2.00초", "캐시 크기 : 512MiB",
                                      "캐시 내 속도 : 400MiB/s", "캐시 이후 속도 : 72MiB/s"}));
  EXPECT_EQ(Lines.back(), Rule);
  // The chart gets the same phases, on its own points: the cache's end at the 64th write's.
  const std::vector<double>& X = Rig.View.PointXs;
  ASSERT_EQ(X.size(), 128u);
  ASSERT_EQ(Rig.View.ShownPhases.size(), 1u);
  const std::vector<TChartPhase>& Phases = Rig.View.ShownPhases[0];
  ASSERT_EQ(Phases.size(), 2u);
  EXPECT_EQ(std::pair(Phases[0].FromX, Phases[0].ToX), std::pair(X[0], X[63]));
  EXPECT_EQ(std::pair(Phases[1].FromX, Phases[1].ToX), std::pair(X[63], X[127]));
  EXPECT_NEAR(Phases[0].Speed, 400.0, 1e-9);
  EXPECT_NEAR(Phases[1].Speed, 512.0 / 7.12, 1e-9);
}

TEST(TestReport, SummaryOfARepeatingRunAddsTheWholeRunLines) {
  const struct {
    double Elapsed;
    std::uint64_t HostWriteMiB;
    const char *RunLine, *WriteLine;
  } Cases[] = {
      {1 + 2 * Hour + (3 * 60 + 4) * Second, 1600, "전체 테스트 시간 : 1:02:03:04",
       "전체 호스트 쓰기 : 2GB"},
      {25 * Hour, 1, "전체 테스트 시간 : 1:01:00:00", "전체 호스트 쓰기 : 1MB"},
  };
  for (const auto& Case : Cases) {
    TPresenterRig Rig;
    const double RunStart = EncodeDateTime({2024, 5, 1, 0, 0, 0, 0});
    Rig.Clock.Set(RunStart + Case.Elapsed - 10 * Second);
    Rig.Pass(2, 875, {100, 40, 50, 200});
    Rig.View.Calls.clear();
    Rig.Clock.Set(RunStart + Case.Elapsed);
    Rig->EndTest(RunStart, Case.HostWriteMiB);
    const auto Lines = Rig.View.LogLines();
    ASSERT_EQ(Lines.size(), 12u);
    EXPECT_EQ(Lines[2], "테스트 시간 : 00:00:10");
    EXPECT_EQ(Lines[3], Case.RunLine);
    EXPECT_EQ(Lines[4], Case.WriteLine);
    EXPECT_EQ(Lines[8], "평균 속도 : 97MiB/s");
    EXPECT_EQ(Lines[9], "평균 속도 50% 미만 구간 : 25.0%");
  }
}

TEST(TestReport, SlowShareCountsOnlySpeedsBelowHalfTheAverage) {
  const struct {
    std::initializer_list<int> Speeds;
    const char* Line;
  } Cases[] = {
      {{100, 100, 100}, "평균 속도 50% 미만 구간 : 0.0%"},
      {{1}, "평균 속도 50% 미만 구간 : 0.0%"},
      {{100, 100, 100, 100, 44}, "평균 속도 50% 미만 구간 : 0.0%"},   // 44 is exactly the half
      {{100, 100, 100, 100, 43}, "평균 속도 50% 미만 구간 : 20.0%"},  // 43 is below it
      {{80, 80, 40, 0}, "평균 속도 50% 미만 구간 : 25.0%"},
  };
  for (const auto& Case : Cases) {
    TPresenterRig Rig;
    Rig.Pass(1, 875, Case.Speeds);
    Rig.View.Calls.clear();
    Rig->EndTest(0.0, 0);
    EXPECT_EQ(Rig.View.LogLines()[7], Case.Line);
  }
}

TEST(TestReport, AZeroSpeedIsReplacedAsTheMinimum) {
  TPresenterRig Rig;
  Rig.Pass(1, 875, {0, 70, 30});
  Rig.View.Calls.clear();
  Rig->EndTest(0.0, 0);
  EXPECT_EQ(Rig.View.LogLines()[4], "최대 속도 : 70MiB/s");
  EXPECT_EQ(Rig.View.LogLines()[5], "최소 속도 : 30MiB/s");
}

TEST(TestReport, APassWithoutWritesGetsNoSummaryAndDoesNotWait) {
  TPresenterRig Rig;
  Rig.OnWorker([&] {
    Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 0);
    Rig->EndTest(0.0, 0);  // would block for ever if it handed over a synchronous unit
  });
  Rig.Dispatcher->RunPending();
  EXPECT_EQ(Rig.View.LogLines().size(), 21u);  // the header and why there was no room
}

TEST(TestReport, RotationRemovesExactlyThePassBeforeThePreviousOne) {
  TPresenterRig Rig;
  std::vector<std::string> PassLines[4];
  for (int Pass = 1; Pass <= 3; ++Pass) {
    const std::size_t Before = Rig.View.LogLines().size();
    Rig.OnWorkerServed([&] {
      Rig.Pass(Pass, 875, {100, 50});
      Rig->StartIdle();
      Rig->EndIdle();
      Rig->EndTest(0.0, 0);
    });
    const auto All = Rig.View.LogLines();
    PassLines[Pass] = Slice(All, Before, All.size() - Before);
  }
  // header, samples, pauses, summary, too short to judge
  EXPECT_EQ(PassLines[1].size(), 20u + 2 + 2 + 9 + 1);
  std::vector<std::string> Rotations;
  for (const auto& Call : Rig.View.Calls) {
    if (Call.rfind("Rotate", 0) == 0) {
      Rotations.push_back(Call);
    }
  }
  EXPECT_EQ(Rotations, (std::vector<std::string>{"Rotate 0", "Rotate 0", "Rotate 34"}));

  std::vector<std::string> LastAndCurrent = PassLines[2];
  LastAndCurrent.insert(LastAndCurrent.end(), PassLines[3].begin(), PassLines[3].end());
  EXPECT_EQ(std::vector<std::string>(Rig.View.LastAndCurrentLog.begin(),
                                     Rig.View.LastAndCurrentLog.end()),
            LastAndCurrent);
  EXPECT_EQ(std::vector<std::string>(Rig.View.CurrentLog.begin(), Rig.View.CurrentLog.end()),
            PassLines[3]);
}

TEST(TestReport, AnErrorBecomesALineInBothListsAndTheLogFileAndIsShown) {
  TTempFolder Folder;
  TSetting Setting;
  Setting.RecordPath = Folder.File("log.txt");
  TPresenterRig Rig(Setting);
  const std::string Header = StartWritingPass(Rig, Setting.RecordPath);
  Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 13, 45, 7, 0}));
  Rig.OnWorkerServed([&] {
    Rig->PrintError(
        {"WriteFile", "/mnt/usb/Randomfile3", 28, "No space left on device", "WriteFileError: 28"});
    Rig->PrintError({"DeleteFile", "", 16, "Device or resource busy", "DeleteFileError: 16"});
    Rig->HideButtons();
  });
  const std::string WriteLine =
      "- 24/05/01 13:45:07에 오류 : WriteFile 실패, 코드 28 (No space left on device), "
      "파일 : /mnt/usb/Randomfile3 -";
  const std::string DeleteLine =
      "- 24/05/01 13:45:07에 오류 : DeleteFile 실패, 코드 16 (Device or resource busy) -";
  EXPECT_EQ(Rig.View.LogLines(), (std::vector<std::string>{WriteLine, DeleteLine}));
  EXPECT_EQ(Rig.View.LastAndCurrentLog.size(), 2u);
  EXPECT_EQ(ReadBytes(Setting.RecordPath), Header + WriteLine + "\r\n" + DeleteLine + "\r\n");
  EXPECT_EQ(Rig.View.Errors, (std::vector<std::string>{"파일에 쓰지 못해 테스트를 끝냈습니다.\n"
                                                       "파일 : /mnt/usb/Randomfile3\n"
                                                       "No space left on device (코드 28)",
                                                       "테스트 파일을 지우지 못했습니다.\n"
                                                       "Device or resource busy (코드 16)"}));
  EXPECT_EQ(Rig.View.Calls.back(), "HideButtons");

  // A file name with a control character stays on its line, in the list, the file and the
  // message alike.
  Rig.OnWorkerServed([&] {
    Rig->PrintError(
        {"CreateFile", "/mnt/a\rb/Randomfile0", 13, "Permission denied", "CreateFileError: 13"});
  });
  EXPECT_EQ(Rig.View.LogLines().back(),
            "- 24/05/01 13:45:07에 오류 : CreateFile 실패, 코드 13 (Permission denied), "
            "파일 : /mnt/a\\rb/Randomfile0 -");
  EXPECT_TRUE(ReadBytes(Setting.RecordPath).ends_with("파일 : /mnt/a\\rb/Randomfile0 -\r\n"));
  EXPECT_EQ(Rig.View.Errors.back(),
            "파일을 만들지 못해 테스트를 끝냈습니다.\n"
            "파일 : /mnt/a\\rb/Randomfile0\n"
            "Permission denied (코드 13)");
}

TEST(TestReport, LeftoverAndReplacedFilesAreNamedInTheListsAndTheLogFile) {
  TTempFolder Folder;
  TSetting Setting;
  Setting.RecordPath = Folder.File("log.txt");
  TPresenterRig Rig(Setting);
  const std::string Header = StartWritingPass(Rig, Setting.RecordPath);
  Rig.OnWorker([&] {
    Rig->PrintLeftoverFiles(3, 3 * 4096 * MiB);
    Rig->PrintLeftoverFiles(2, 24 * MiB + 5);
    Rig->StartDeleting();  // the window shows nothing for these
    Rig->PrintReplacedFile("/mnt/usb/Randomfile2");
    Rig->EndDeleting();
  });
  Rig.Dispatcher->RunPending();
  const std::vector<std::string> Lines{"- 이전에 남은 테스트 파일 3개(12GB)는 지우지 않습니다 -",
                                       "- 이전에 남은 테스트 파일 2개(24MB)는 지우지 않습니다 -",
                                       "- 다른 파일로 바뀌어 지우지 않음 : /mnt/usb/Randomfile2 -"};
  EXPECT_EQ(Rig.View.LogLines(), Lines);
  EXPECT_EQ(Rig.View.Calls.size(), 3u);
  EXPECT_EQ(ReadBytes(Setting.RecordPath),
            Header + Lines[0] + "\r\n" + Lines[1] + "\r\n" + Lines[2] + "\r\n");
}

TEST(TestReport, TheWindowSaysWhatEachNewFailureMeans) {
  const struct {
    const char* Operation;
    int Code;
    const char* Text;
  } Cases[] = {
      {"FlushFileBuffers", EIO, "캐시에 쓴 데이터를 드라이브가 받지 못해 테스트를 끝냈습니다."},
      {"LockFolder", EBUSY, "다른 실행이 이 폴더를 쓰고 있어 테스트를 시작하지 않았습니다."},
      {"OpenFolder", ENOENT, "폴더를 열지 못해 테스트를 시작하지 않았습니다."},
  };
  for (const auto& Case : Cases) {
    TPresenterRig Rig;
    const std::string System = Platform::SystemErrorText(Case.Code);
    Rig.OnWorker([&] {
      Rig->PrintError({Case.Operation, "/mnt/usb/", static_cast<std::uint32_t>(Case.Code), System,
                       std::string(Case.Operation) + "Error: " + std::to_string(Case.Code)});
    });
    Rig.Dispatcher->RunPending();
    ASSERT_EQ(Rig.View.Errors.size(), 1u);
    EXPECT_EQ(Rig.View.Errors[0], std::string(Case.Text) + "\n파일 : /mnt/usb/\n" + System +
                                      " (코드 " + std::to_string(Case.Code) + ")");
  }
}

TEST(TestReport, ARefusedDetailedLogLeavesTheLogAsItWasAndRemovesOneMadeHere) {
  TTempFolder Folder;
  TSetting Setting;
  Setting.DetailedRecordPath = Folder.File("missing/detailed.txt");
#ifdef _WIN32
  const int MissingFolder = 3;  // ERROR_PATH_NOT_FOUND
#else
  const int MissingFolder = ENOENT;
#endif
  for (const bool Existed : {true, false}) {
    Setting.RecordPath = Folder.File(Existed ? "old-log.txt" : "new-log.txt");
    if (Existed) {
      WriteBytes(Setting.RecordPath, "old run\r\n");
    }
    TFakeView View;
    try {
      TTesterToView Presenter(Setting, View, std::make_unique<TQueueDispatcher>(),
                              [](const std::string&) { return TDiskIdentity{}; });
      ADD_FAILURE() << "a detailed log in a missing folder was created";
    } catch (const TCreateFileError& Error) {
      EXPECT_EQ(std::string(Error.what()), "Cannot create file \"" +
                                               Platform::FullPath(Setting.DetailedRecordPath) +
                                               "\". " + Platform::SystemErrorText(MissingFolder));
    }
    if (Existed) {
      EXPECT_EQ(ReadBytes(Setting.RecordPath), "old run\r\n");   // not emptied
      EXPECT_NO_THROW(TTesterLogger Again(Setting.RecordPath));  // and free again
    } else {
      EXPECT_FALSE(std::filesystem::exists(Setting.RecordPath));  // made here, removed again
    }
  }
}

}  // namespace
