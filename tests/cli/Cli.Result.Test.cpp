// The result file of a real run, read back and held against the report lines and the per-write
// file of the same run: every figure the file gives must be the one the user was shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "cli/Cli.FillTarget.h"
#include "cli/Cli.Process.h"
#include "report/Analysis.Report.h"
#include "results/Run.Json.h"
#include "results/Writes.Csv.h"
#include "simdrive/Sim.Drive.h"
#include "text/Number.Text.h"
#include "text/Report.Rule.h"

namespace {

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) {
    Lines.push_back(Line);
  }
  return Lines;
}

// The value of the report line "Name : value"; fails the test when there is none.
std::string ValueOf(const std::vector<std::string>& Lines, const std::string& Name) {
  const std::string Start = Name + " : ";
  for (const std::string& Line : Lines) {
    if (Line.rfind(Start, 0) == 0) {
      return Line.substr(Start.size());
    }
  }
  ADD_FAILURE() << "no line \"" << Start << "\"";
  return {};
}

// "2026/12/11 02:15" as the start of an ISO 8601 time: "2026-12-11T02:15".
std::string IsoMinute(std::string ReportTime) {
  std::replace(ReportTime.begin(), ReportTime.end(), '/', '-');
  std::replace(ReportTime.begin(), ReportTime.end(), ' ', 'T');
  return ReportTime;
}

class CliResult : public ::testing::Test {
 protected:
  TScratchFolder Capture;
};

TEST_F(CliResult, TheResultFileStatesWhatTheReportAndTheCsvOfTheSameRunSay) {
  // Room for some forty writes: enough for the analysis to judge the pass.
  TMountedVolume Volume("-t tmpfs -o size=360m tmpfs");
  SKIP_UNLESS_MOUNTED(Volume, "a tmpfs");
  const std::string Json = (Capture.Path() / "result.json").string();
  const std::string CsvPath = (Capture.Path() / "writes.csv").string();
  const std::string Log = (Capture.Path() / "log.txt").string();
  const TProcessResult Run = RunCliProcess({"--leave", "30MiB", "--step", "1", "--json", Json,
                                            "--csv", CsvPath, "--log", Log, Volume.Path().string()},
                                           Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  const std::vector<std::string> Lines = SplitLines(Run.Output);
  const TRunResult Result = ParseRunResult(ReadWholeFile(Json));
  const std::vector<TPassWrites> Csv = ParseWritesCsv(ReadWholeFile(CsvPath));

  // The run: the program, what was asked and of which drive.
  EXPECT_EQ(Result.Program + " " + Result.Version, Lines.at(1));
  EXPECT_EQ(Result.Setting.DrivePath, ValueOf(Lines, "드라이브"));
  EXPECT_EQ(Result.Setting.ToLeft, 30);
  EXPECT_EQ(Result.Setting.ToLeftUnit, TLeftUnit::LeaveByMiB);
  EXPECT_EQ(Result.Setting.UnitSpeed, TUnitSpeed::OnePercent);
  EXPECT_EQ(Result.Setting.NeedCache, ValueOf(Lines, "윈도 캐시 효과") == "적용");
  EXPECT_EQ(Result.Setting.InfiniteRepetition, ValueOf(Lines, "무한 반복") == "적용");
  EXPECT_TRUE(Result.Setting.NeedDelete);
  EXPECT_EQ(Result.Setting.RecordPath, Log);
  EXPECT_FALSE(Result.Verify);
  EXPECT_EQ(Result.Drive.Folder, Result.Setting.DrivePath);
  EXPECT_EQ(Result.Drive.ReportModel, ValueOf(Lines, "모델명"));

  // The pass: its header, its summary and its analysis.
  ASSERT_EQ(Result.Passes.size(), 1u);
  const TPassResult& Pass = Result.Passes[0];
  EXPECT_EQ(std::to_string(Pass.Number), ValueOf(Lines, "테스트 회차"));
  EXPECT_EQ(Pass.StartTime.substr(0, 16), IsoMinute(ValueOf(Lines, "테스트 일시")));
  EXPECT_EQ(std::to_string(Pass.MaxSpeed) + "MiB/s", ValueOf(Lines, "최대 속도"));
  EXPECT_EQ(std::to_string(Pass.MinSpeed) + "MiB/s", ValueOf(Lines, "최소 속도"));
  EXPECT_EQ(std::to_string(Pass.MeanSpeed) + "MiB/s", ValueOf(Lines, "평균 속도"));
  EXPECT_EQ(FormatFixed(Pass.SlowSharePct, 1, ".") + "%",
            ValueOf(Lines, "평균 속도 50% 미만 구간"));
  EXPECT_EQ(Pass.End, TPassEnd::Completed);
  EXPECT_FALSE(Pass.Error.has_value());
  EXPECT_FALSE(Pass.Verify.has_value());
  ASSERT_TRUE(Pass.Analysis.Figures.has_value()) << Run.Output;
  // The analysis lines close the output, after the summary's rule.
  const std::vector<std::string> Analysis = AnalysisReportLines(Pass.Analysis, ".");
  ASSERT_GE(Lines.size(), Analysis.size());
  EXPECT_EQ(std::vector<std::string>(Lines.end() - static_cast<std::ptrdiff_t>(Analysis.size()),
                                     Lines.end()),
            Analysis);

  // Every write, as the per-write file has it.
  ASSERT_EQ(Csv.size(), 1u);
  const std::vector<TWriteRecord>& Writes = Csv[0].Writes;
  ASSERT_GE(Writes.size(), 32u);
  EXPECT_EQ(Pass.Writes, static_cast<std::int32_t>(Writes.size()));
  EXPECT_EQ(Pass.WrittenMiB, Writes.back().WrittenInMiB);
  EXPECT_EQ(Pass.WrittenMiB, 8 * Pass.Writes);
  ASSERT_EQ(Pass.WriteSeconds.size(), Writes.size());
  for (std::size_t I = 0; I < Writes.size(); ++I) {
    EXPECT_EQ(Pass.WriteSeconds[I], Writes[I].Seconds) << "write " << I;
  }
  EXPECT_EQ(Pass.RemainPctFirst, Writes.front().RemainPercent);
  EXPECT_EQ(Pass.RemainPctLast, Writes.back().RemainPercent);
}

TEST_F(CliResult, AFailedPassIsInTheFileWithTheErrorItsLineNames) {
  TMountedVolume Small("-t tmpfs -o size=48m tmpfs");
  SKIP_UNLESS_MOUNTED(Small, "a small tmpfs");
  const std::string Json = (Capture.Path() / "result.json").string();
  const TProcessResult Run =
      RunCliProcess({"--leave", "0GiB", "--cache", "--json", Json, Small.Path().string()},
                    Capture.Path().string(), {}, {}, [] { LimitFileSize(12 << 20); });
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output << Run.Errors;
  const TRunResult Result = ParseRunResult(ReadWholeFile(Json));
  ASSERT_EQ(Result.Passes.size(), 1u);
  const TPassResult& Pass = Result.Passes[0];
  EXPECT_EQ(Pass.End, TPassEnd::Failed);
  ASSERT_TRUE(Pass.Error.has_value());
  const std::string Expected = "오류 : " + Pass.Error->Operation + " 실패, 코드 " +
                               std::to_string(Pass.Error->Code) + " (" + Pass.Error->SystemText +
                               "), 파일 : " + Pass.Error->Path + " -";
  EXPECT_NE(Run.Output.find(Expected), std::string::npos) << Expected << "\n" << Run.Output;
  EXPECT_EQ(Pass.Error->Code, 27u);  // the file may grow no further
  EXPECT_GT(Pass.Writes, 0);
  EXPECT_EQ(Pass.WriteSeconds.size(), static_cast<std::size_t>(Pass.Writes));
}

// A drive that reports 64 MiB and holds 16, wrapping around: the file's verification is the
// report's, figure for figure.
TEST_F(CliResult, TheVerificationOfAFakeDriveIsInTheFileAsTheReportSaysIt) {
  SIMDRIVE_SKIP_IF_UNAVAILABLE();
  SimDrive::TSimDrive Drive(SimDrive::FakeStick());
  ASSERT_TRUE(Drive.Mounted()) << Drive.Error();
  const std::string Json = (Capture.Path() / "result.json").string();
  const TProcessResult Run =
      RunCliProcess({"--verify", "--json", Json, Drive.Path().string()}, Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 3) << Run.Output << Run.Errors;
  const std::vector<std::string> Lines = SplitLines(Run.Output);
  const TRunResult Result = ParseRunResult(ReadWholeFile(Json));
  EXPECT_TRUE(Result.Verify);
  ASSERT_EQ(Result.Passes.size(), 1u);
  ASSERT_TRUE(Result.Passes[0].Verify.has_value());
  const TPassVerifyResult& Verify = *Result.Passes[0].Verify;
  const auto MiB = [](double Value) { return std::to_string(std::lround(Value)) + "MiB"; };
  EXPECT_EQ(MiB(Verify.ReadMiB) + " / " + MiB(Verify.ReadMiB), ValueOf(Lines, "읽은 용량"));
  EXPECT_EQ(MiB(Verify.IntactMiB), ValueOf(Lines, "온전한 용량"));
  EXPECT_EQ(MiB(Verify.OverwrittenMiB) + " (" +
                std::to_string(std::lround(Verify.OverwrittenMiB * 256)) + "섹터)",
            ValueOf(Lines, "덮어쓰인 용량"));
  EXPECT_EQ(Verify.ChangedMiB, 0.0);
  EXPECT_EQ(Verify.UnreadableMiB, 0.0);
  EXPECT_EQ(MiB(Verify.UsableMiB), ValueOf(Lines, "사용 가능한 용량"));
  EXPECT_EQ(Verify.StoredMiB, std::optional<double>(16.0)) << "a 16 MiB drive holds 16 MiB";
  ASSERT_TRUE(Verify.FirstDamagedFile && Verify.FirstDamagedOffset);
  EXPECT_EQ(
      *Verify.FirstDamagedFile + ", " + std::to_string(*Verify.FirstDamagedOffset) + "바이트 지점",
      ValueOf(Lines, "첫 손상 위치"));
  EXPECT_EQ(std::to_string(std::lround(Verify.ReadMaxSpeed)) + "MiB/s",
            ValueOf(Lines, "최대 읽기 속도"));
  EXPECT_EQ(std::to_string(std::lround(Verify.ReadMinSpeed)) + "MiB/s",
            ValueOf(Lines, "최소 읽기 속도"));
  EXPECT_EQ(std::to_string(std::lround(Verify.ReadMeanSpeed)) + "MiB/s",
            ValueOf(Lines, "평균 읽기 속도"));
}

TEST_F(CliResult, TheResultFileMustBeAFileOfItsOwn) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const std::string Log = (Capture.Path() / "log.txt").string();
  const TProcessResult Run = RunCliProcess(
      {"--log", Log, "--json", Capture.Path().string() + "/./log.txt", Fill.Path().string()},
      Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 2) << Run.Errors;
  EXPECT_NE(Run.Errors.find("same file"), std::string::npos) << Run.Errors;
  EXPECT_TRUE(std::filesystem::is_empty(Fill.Path()));
}

}  // namespace
