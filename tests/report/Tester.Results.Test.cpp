// The run's result as the presenter keeps it: each pass's summary figures, how it ended, the
// per-pass table of an endurance run and the result file saved after every pass.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Report.Rig.h"
#include "Report.TempFolder.h"
#include "results/Run.Json.h"
#include "text/Report.Rule.h"

namespace {

std::vector<std::string> LinesAfter(const std::vector<std::string>& Lines,
                                    const std::string& Title) {
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    if (Lines[I] == Title) {
      return {Lines.begin() + static_cast<std::ptrdiff_t>(I), Lines.end()};
    }
  }
  return {};
}

TEST(TesterResults, APassEndsCompletedCancelledOrFailedWithTheSummarysFigures) {
  enum class TEnding { Normal, Cancel, WriteError };
  const struct {
    TEnding Ending;
    TPassEnd Expected;
  } Cases[] = {{TEnding::Normal, TPassEnd::Completed},
               {TEnding::Cancel, TPassEnd::Cancelled},
               {TEnding::WriteError, TPassEnd::Failed}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(PassEndKey(Case.Expected));
    TSetting Setting;
    Setting.DrivePath = "/mnt/fake/";
    TPresenterRig Rig(Setting);
    Rig.OnWorkerServed([&] {
      Rig.Pass(1, 875, {100, 40, 50, 200});
      if (Case.Ending == TEnding::WriteError) {
        Rig->PrintError({"WriteFile", "/mnt/fake/Randomfile0", 5, "Input/output error", ""});
        // The files it could not delete afterwards add no pass.
        Rig->PrintError({"DeleteFile", "/mnt/fake/Randomfile0", 13, "Permission denied", ""});
      } else {
        if (Case.Ending == TEnding::Cancel) {
          Rig->PassCancelled();
        }
        Rig->EndTest(0.0, 0);
      }
      Rig->HideButtons();
    });
    ASSERT_NE(Rig.View.Run, nullptr);
    const TRunResult& Run = *Rig.View.Run;
    EXPECT_EQ(Run.Setting.DrivePath, "/mnt/fake/");
    EXPECT_EQ(Run.Drive.Model, "FAKE-SSD");
    ASSERT_EQ(Run.Passes.size(), 1u);
    const TPassResult& Pass = Run.Passes[0];
    EXPECT_EQ(Pass.End, Case.Expected);
    EXPECT_EQ(Pass.Number, 1);
    EXPECT_EQ(Pass.Writes, 4);
    EXPECT_EQ(Pass.WrittenMiB, 32);
    EXPECT_EQ(Pass.MaxSpeed, 200);
    EXPECT_EQ(Pass.MinSpeed, 40);
    EXPECT_EQ(Pass.MeanSpeed, 97);  // 390 / 4, truncated as the summary's line
    EXPECT_DOUBLE_EQ(Pass.SlowSharePct, 25.0);
    EXPECT_EQ(Pass.WriteSeconds, (std::vector<double>{0.08, 0.2, 0.16, 0.04}));
    // 1000 MiB disk, 125 MiB filled before: 867 MiB free after the first write.
    EXPECT_DOUBLE_EQ(Pass.RemainPctFirst, 86.7);
    EXPECT_DOUBLE_EQ(Pass.RemainPctLast, 84.3);
    EXPECT_EQ(Pass.StartTime.size(), 25u) << Pass.StartTime;  // 2026-12-10T12:13:05+09:00
    if (Case.Ending == TEnding::WriteError) {
      ASSERT_TRUE(Pass.Error.has_value());
      EXPECT_EQ(Pass.Error->Operation, "WriteFile");
      EXPECT_EQ(Pass.Error->Code, 5u);
      EXPECT_EQ(Pass.Error->Path, "/mnt/fake/Randomfile0");
    } else {
      const std::vector<std::string> Log = Rig.View.LogLines();
      EXPECT_NE(std::find(Log.begin(), Log.end(), "평균 속도 : 97MiB/s"), Log.end());
      EXPECT_FALSE(Pass.Error.has_value());
    }
  }
}

TEST(TesterResults, ARefusedOrEmptyPassAddsNothing) {
  TSetting Setting;
  Setting.DrivePath = "/mnt/fake/";
  TPresenterRig Rig(Setting);
  Rig.OnWorkerServed([&] {
    Rig->PrintInitialSetting(1, 875 * MiB, 960 * MiB, -1);
    Rig->EndTest(0.0, 0);
    Rig->PrintInitialSetting(2, 875 * MiB, 960 * MiB, 0);
    Rig->PrintError({"GetDiskFreeSpace", "/mnt/fake/", 5, "Input/output error", ""});
  });
  EXPECT_EQ(Rig.View.Run, nullptr);
}

TEST(TesterResults, AnEndlessRunTablesItsPassesAndSavesTheFileAfterEach) {
  TTempFolder Folder;
  TSetting Setting;
  Setting.DrivePath = "/mnt/fake/";
  Setting.InfiniteRepetition = true;
  Setting.ResultJsonPath = Folder.File("result.json");
  TPresenterRig Rig(Setting);
  Rig.OnWorkerServed([&] { Rig.Pass(1, 875, {100, 100, 100, 100}); });
  Rig.OnWorkerServed([&] { Rig->EndTest(1.0, 32); });
  // One pass: no table yet, and the file holds that pass.
  EXPECT_TRUE(LinesAfter(Rig.View.LogLines(), "- 회차별 요약 -").empty());
  EXPECT_EQ(ParseRunResult(ReadBytes(Setting.ResultJsonPath)).Passes.size(), 1u);

  Rig.OnWorkerServed([&] {
    Rig.Pass(2, 875, {50, 50, 50, 50});
    Rig->PassCancelled();
    Rig->EndTest(1.0, 64);
  });
  EXPECT_EQ(LinesAfter(Rig.View.LogLines(), "- 회차별 요약 -"),
            (std::vector<std::string>{
                "- 회차별 요약 -", "1회차 : 평균 100MiB/s, 캐시 판단 불가, 평균 속도 50% 미만 0.0%",
                "2회차 : 평균 50MiB/s (-50.0%), 캐시 판단 불가, 평균 속도 50% 미만 0.0%, 도중 취소 "
                "(일부만 측정)",
                RuleLine}));
  const TRunResult Saved = ParseRunResult(ReadBytes(Setting.ResultJsonPath));
  ASSERT_EQ(Saved.Passes.size(), 2u);
  EXPECT_EQ(Saved.Passes[1].End, TPassEnd::Cancelled);
  // The table's drift is in the file too.
  const nlohmann::json Document = nlohmann::json::parse(ReadBytes(Setting.ResultJsonPath));
  EXPECT_EQ(Document["passes"][1]["drift_pct"]["mean_mib_s"], -50.0);
  EXPECT_TRUE(Document["passes"][0]["drift_pct"]["mean_mib_s"].is_null());
  EXPECT_EQ(Saved.Passes[1].WriteSeconds, (std::vector<double>{0.16, 0.16, 0.16, 0.16}));
  EXPECT_EQ(Saved.Passes, Rig.View.Run->Passes);  // what the window would save
}

TEST(TesterResults, AResultFileThatCannotBeWrittenIsSaidOnce) {
#ifdef _WIN32
  GTEST_SKIP() << "no /dev/full on Windows";
#endif
  TSetting Setting;
  Setting.DrivePath = "/mnt/fake/";
  Setting.InfiniteRepetition = true;
  Setting.ResultJsonPath = "/dev/full";
  TPresenterRig Rig(Setting);
  Rig.OnWorkerServed([&] {
    for (std::int32_t Pass = 1; Pass <= 2; ++Pass) {
      Rig.Pass(Pass, 875, {100, 100});
      Rig->EndTest(1.0, 16);
    }
  });
  ASSERT_EQ(Rig.View.Errors.size(), 1u);
  EXPECT_NE(Rig.View.Errors[0].find("/dev/full"), std::string::npos) << Rig.View.Errors[0];
  ASSERT_NE(Rig.View.Run, nullptr);
  EXPECT_EQ(Rig.View.Run->Passes.size(), 2u);
}

}  // namespace
