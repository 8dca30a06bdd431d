#include "report/Tester.ToView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Report.Rig.h"
#include "Report.TempFolder.h"
#include "text/Text.Catalogue.h"

namespace {

using namespace std::chrono_literals;

std::string Expected(const std::string& Name) {
  return ReadBytes((std::filesystem::path(VARNELL_TEST_FOLDER) / "expected" / Name).string());
}

// The speed-sample lines of the view, e.g. "87.0% 에서의 속도 : 100MiB/s".
std::vector<std::string> SpeedLines(const TFakeView& View) {
  std::vector<std::string> Lines;
  for (const auto& Line : View.LogLines()) {
    if (Line.find("% 에서의 속도 : ") != std::string::npos) {
      Lines.push_back(Line);
    }
  }
  return Lines;
}

// Korean, the program's own language, and each catalogue's language: every line of the same
// scripted pass, byte for byte, beside the Korean golden files.
TEST(TesterToView, AScriptedPassLeavesExactlyTheExpectedLogFilesInEachLanguage) {
  const struct {
    const char* Language;
    const char* Suffix;
  } Cases[] = {{"ko", ""}, {"en", ".en"}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Language);
    ASSERT_TRUE(SetTextLanguage(Case.Language));
    TTempFolder Folder;
    TSetting Setting;
    Setting.DrivePath = "/mnt/fake/";
    Setting.UnitSpeed = TUnitSpeed::OnePercent;
    Setting.RecordPath = Folder.File("log.txt");
    Setting.DetailedRecordPath = Folder.File("detailed.txt");
    TPresenterRig Rig(Setting);
    Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 13, 45, 7, 0}));

    Rig.OnWorkerServed([&] {
      // 1000 MiB disk, 875 MiB free, a volume of 960 MiB, 32 MiB to write.
      Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 32);
      Rig->ApplyProgress(8, 32, 100);
      Rig->ApplyProgress(16, 32, 40);
      Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 13, 46, 7, 0}));
      Rig->StartIdle();
      Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 13, 46, 37, 0}));
      Rig->EndIdle();
      Rig->ApplyProgress(24, 32, 50);
      Rig->ApplyProgress(32, 32, 200);
      Rig.Clock.Set(EncodeDateTime({2024, 5, 1, 14, 47, 37, 0}));
      Rig->EndTest(0.0, 0);
      Rig->HideButtons();
    });
    SetTextLanguage("ko");

    const std::string Suffix = Case.Suffix;
    EXPECT_EQ(ReadBytes(Setting.RecordPath), Expected("scripted-pass" + Suffix + ".log"));
    EXPECT_EQ(ReadBytes(Setting.DetailedRecordPath),
              Expected("scripted-pass" + Suffix + ".detailed.log"));
    EXPECT_EQ(Rig.View.ButtonsHidden, 1);
  }
}

TEST(TesterToView, UnitsReachTheViewOnlyWhenTheGuiRunsThemAndInCallOrder) {
  TSetting Setting;
  Setting.UnitSpeed = TUnitSpeed::OnePercent;
  TPresenterRig Rig(Setting);
  Rig.OnWorker([&] {
    Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 32);
    Rig->ApplyProgress(8, 32, 100);
  });
  EXPECT_TRUE(Rig.View.Calls.empty());

  Rig.Dispatcher->RunPending();
  const auto& Calls = Rig.View.Calls;
  ASSERT_EQ(Calls.size(), 2u + 20u + 6u);
  EXPECT_EQ(Calls[0], "Rotate 0");
  EXPECT_EQ(Calls[1], "ClearChart");
  EXPECT_EQ(Calls[2], "Log ***************************************");
  const std::vector<std::string> PerWrite(Calls.end() - 6, Calls.end());
  EXPECT_EQ(PerWrite, (std::vector<std::string>{
                          "Progress 25",
                          "File 현재 채워진 용량 : 0.01GiB / 0.03GiB",
                          "Point 86.7 100",
                          "Line 50",
                          "Log 87.0% 에서의 속도 : 100MiB/s",
                          "Speed 속도 : 100MiB/s",
                      }));
}

// One hand-over per write, whatever the write changes: the GUI thread is woken and the queue
// locked once per write, not once per label, point, line and log line.
TEST(TesterToView, EachWriteIsHandedToTheGuiAsOneUnit) {
  TSetting Setting;
  Setting.UnitSpeed = TUnitSpeed::OnePercent;
  TPresenterRig Rig(Setting);
  Rig.OnWorker([&] { Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 32); });
  const std::size_t AfterHeader = Rig.Dispatcher->PendingCount();
  Rig.OnWorker([&] {
    Rig->ApplyProgress(8, 32, 100);  // with a speed log line
    Rig->ApplyWriteTime(0.08, 41.0F);
    Rig->ApplyProgress(9, 32, 100);  // without, but with the drive's temperature
  });
  EXPECT_EQ(Rig.Dispatcher->PendingCount(), AfterHeader + 2);

  Rig.Dispatcher->RunPending();
  const std::vector<std::string> PerWrites(Rig.View.Calls.end() - 10, Rig.View.Calls.end());
  EXPECT_EQ(PerWrites, (std::vector<std::string>{
                           "Progress 25",
                           "File 현재 채워진 용량 : 0.01GiB / 0.03GiB",
                           "Point 86.7 100",
                           "Line 50",
                           "Log 87.0% 에서의 속도 : 100MiB/s",
                           "Speed 속도 : 100MiB/s",
                           "Progress 28",
                           "File 현재 채워진 용량 : 0.01GiB / 0.03GiB",
                           "Point 86.6 100",
                           "Line 50",
                       }));
  // The temperature goes with its write's point, in the same unit.
  EXPECT_EQ(Rig.View.Temperatures, (std::vector<std::pair<double, double>>{{86.6, 41.0}}));
}

TEST(TesterToView, EndTestAndHideButtonsReturnOnlyAfterTheGuiHasRunThem) {
  TPresenterRig Rig;
  Rig.OnWorker([&] { Rig.Pass(1, 875, {100}); });
  std::atomic<int> Step{0};
  std::thread Worker([&] {
    Rig->EndTest(0.0, 0);
    Step = 1;
    Rig->HideButtons();
    Step = 2;
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Step, 0);
  EXPECT_EQ(Rig.View.ButtonsHidden, 0);

  while (Step < 2) {
    Rig.Dispatcher->WaitAndRunPending(2ms);
  }
  Worker.join();
  EXPECT_EQ(Rig.View.ButtonsHidden, 1);
  EXPECT_EQ(Rig.View.LogLines().back(), "- 판단하기에 너무 짧은 회차입니다 (쓰기 1회) -");
}

TEST(TesterToView, ProgressLabelAndBarRoundHalvesToEven) {
  TPresenterRig Rig;
  Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 8);
  Rig.View.Calls.clear();
  Rig->ApplyProgress(1, 8, 100);     // 12.5 % -> 12
  Rig->ApplyProgress(27, 200, 100);  // 13.5 % -> 14
  Rig->ApplyProgress(12800, 102400, 100);
  Rig->ApplyProgress(8, 0, 100);  // never sent by the worker: shown full, no overflow
  std::vector<std::string> Progress;
  for (const auto& Call : Rig.View.Calls) {
    if (Call.rfind("Progress", 0) == 0 || Call.rfind("File", 0) == 0) {
      Progress.push_back(Call);
    }
  }
  EXPECT_EQ(Progress, (std::vector<std::string>{
                          "Progress 12", "File 현재 채워진 용량 : 0.00GiB / 0.01GiB", "Progress 14",
                          "File 현재 채워진 용량 : 0.03GiB / 0.20GiB", "Progress 12",
                          "File 현재 채워진 용량 : 12.50GiB / 100.00GiB", "Progress 100",
                          "File 현재 채워진 용량 : 0.01GiB / 0.00GiB"}));
}

struct TSamplingCase {
  TUnitSpeed Unit;
  std::int64_t DiskMiB;
  std::int64_t FreeMiB;
  int Writes;
  std::vector<std::string> Percents;  // the samples recorded, in order
};

TEST(TesterToView, SpeedSamplesFollowTheLoggingStep) {
  const TSamplingCase Cases[] = {
      // Starts at 87 %: every fall of ten from the last sample, down to 7.
      {TUnitSpeed::TenPercent,
       1000,
       878,
       109,
       {"87.0", "77.0", "67.0", "57.0", "47.0", "37.0", "27.0", "17.0", "7.0"}},
      // Below 9.5 % free from the start: nothing is ever logged.
      {TUnitSpeed::TenPercent, 1000, 98, 10, {}},
      {TUnitSpeed::OnePercent, 1000, 878, 4, {"87.0", "86.0", "85.0"}},
      // The first write ending at exactly 0 % equals the starting 0: no sample.
      {TUnitSpeed::OnePercent, 1000, 8, 1, {}},
      {TUnitSpeed::ZeroPointOnePercent, 10000, 1000, 4, {"9.9", "9.8", "9.7"}},
  };
  for (const auto& Case : Cases) {
    TSetting Setting;
    Setting.UnitSpeed = Case.Unit;
    TPresenterRig Rig(Setting);
    Rig.Disk.SizeInByte = Case.DiskMiB * MiB;
    Rig->PrintInitialSetting(1, Case.FreeMiB * MiB, Case.DiskMiB * MiB, Case.Writes * 8);
    for (int I = 1; I <= Case.Writes; ++I) {
      Rig->ApplyProgress(I * 8, Case.Writes * 8, 300);
    }
    std::vector<std::string> Percents;
    for (const auto& Line : SpeedLines(Rig.View)) {
      Percents.push_back(Line.substr(0, Line.find('%')));
    }
    EXPECT_EQ(Percents, Case.Percents) << Case.FreeMiB << " MiB free";
    // The speed label changes only with a sample.
    int Labels = 0;
    for (const auto& Call : Rig.View.Calls) {
      Labels += Call.rfind("Speed ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(Labels, static_cast<int>(Case.Percents.size()));
  }
}

TEST(TesterToView, TheLineSitsAtHalfTheTruncatedAverage) {
  const struct {
    std::vector<int> Speeds;
    double Level;
  } Cases[] = {{{100, 101}, 50}, {{1}, 0}, {{100, 40, 50, 200}, 48}};
  for (const auto& Case : Cases) {
    TPresenterRig Rig;
    Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 800);
    int Written = 0;
    for (const int Speed : Case.Speeds) {
      Rig->ApplyProgress(Written += 8, 800, Speed);
    }
    EXPECT_EQ(Rig.View.HorizontalLevels.back(), Case.Level);
  }
}

// The user's separator in every text a person reads; the detailed log, read by programs, keeps
// "." whatever the locale, since its fields are separated by ",".
TEST(TesterToView, TheDecimalSeparatorIsTheUsersExceptInTheDetailedLog) {
  TTempFolder Folder;
  TSetting Setting;
  Setting.DetailedRecordPath = Folder.File("detailed.txt");
  TPresenterRig Rig(Setting, ",");
  Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 12800);
  Rig->ApplyProgress(8, 12800, 100);
  EXPECT_EQ(SpeedLines(Rig.View), (std::vector<std::string>{"86,7% 에서의 속도 : 100MiB/s"}));
  EXPECT_NE(std::find(Rig.View.Calls.begin(), Rig.View.Calls.end(),
                      "File 현재 채워진 용량 : 0,01GiB / 12,50GiB"),
            Rig.View.Calls.end());
  Rig->ApplyProgress(16, 12800, 6623);
  EXPECT_EQ(ReadBytes(Setting.DetailedRecordPath), "86.7,100\r\n85.9,6623\r\n");
}

TEST(TesterToView, TheLevelIsReadConsistentlyWhileTheWorkerAddsSpeeds) {
  // Every speed is 100, so any consistent (sum, count) pair gives 50; a sum read ahead of
  // its count would give more.
  TPresenterRig Rig;
  std::atomic<bool> Done{false};
  std::thread Worker([&] {
    Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, 8 * 20000);
    for (int I = 1; I <= 20000; ++I) {
      Rig->ApplyProgress(I * 8, 8 * 20000, 100);
    }
    Done = true;
  });
  while (!Done) {
    Rig.Dispatcher->WaitAndRunPending(1ms);
  }
  Worker.join();
  Rig.Dispatcher->RunPending();
  ASSERT_EQ(Rig.View.HorizontalLevels.size(), 20000u);
  for (const double Level : Rig.View.HorizontalLevels) {
    ASSERT_EQ(Level, 50);
  }
}

TEST(TesterToView, DestroyingThePresenterDiscardsItsQueuedWork) {
  TTempFolder Folder;
  TSetting Setting;
  Setting.RecordPath = Folder.File("log.txt");
  TPresenterRig Rig(Setting);
  Rig.OnWorker([&] { Rig.Pass(1, 875, {100, 200}); });
  Rig.Presenter.reset();
  EXPECT_TRUE(Rig.View.Calls.empty());
  EXPECT_EQ(ReadBytes(Setting.RecordPath), "");
}

}  // namespace
