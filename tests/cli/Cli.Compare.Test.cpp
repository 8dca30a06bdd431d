// "varnell-cli compare": result files side by side, and what it says of files it cannot use.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/Cli.Run.h"
#include "results/Run.Json.h"
#include "text/Number.Text.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(std::FILE* File) {
  std::rewind(File);
  std::string Text;
  char Buffer[4096];
  for (std::size_t Count; (Count = std::fread(Buffer, 1, sizeof Buffer, File)) > 0;) {
    Text.append(Buffer, Count);
  }
  return Text;
}

struct TCompareRun {
  int ExitCode = 0;
  std::string Output;
  std::string Errors;
};

TCompareRun RunCompareCommand(const std::vector<std::string>& Arguments,
                              const TPlotSaver& Saver = nullptr) {
  std::FILE* Output = std::tmpfile();
  std::FILE* Errors = std::tmpfile();
  TCompareRun Result;
  Result.ExitCode = RunCli(Arguments, Output, Errors, Saver);
  Result.Output = ReadAll(Output);
  Result.Errors = ReadAll(Errors);
  std::fclose(Output);
  std::fclose(Errors);
  return Result;
}

class CliCompare : public testing::Test {
 protected:
  void SetUp() override {
    Folder =
        fs::temp_directory_path() /
        ("varnell-compare-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(Folder);
  }
  void TearDown() override { fs::remove_all(Folder); }

  std::string Write(const std::string& Name, const std::string& Text) {
    const fs::path Path = Folder / Name;
    std::ofstream(Path, std::ios::binary) << Text;
    return Path.string();
  }

  std::string WriteRun(const std::string& Name, std::int64_t Mean) {
    TRunResult Result;
    Result.Version = "6.0.5";
    Result.Drive.Model = "Disk " + Name;
    TPassResult Pass;
    Pass.Number = 1;
    Pass.MeanSpeed = Mean;
    Pass.Analysis.Throughput = static_cast<double>(Mean) / 4.0;
    Pass.WriteSeconds = {0.01, 0.02};
    Result.Passes = {Pass};
    return Write(Name, RunResultToJson(Result).dump());
  }

  fs::path Folder;
};

TEST_F(CliCompare, PrintsEveryPassAndDrawsWhenAsked) {
  const std::string Before = WriteRun("before.json", 400);
  const std::string After = WriteRun("after.json", 300);
  std::vector<std::string> Drawn;
  const TCompareRun Result =
      RunCompareCommand({"compare", Before, After, "--plot", "chart.svg"},
                        [&](const TPlotFigure& Figure, const std::string& Path) {
                          Drawn.push_back(Path + " " + std::to_string(Figure.Curves.size()));
                          return std::string();
                        });
  EXPECT_EQ(Result.ExitCode, 0) << Result.Errors;
  EXPECT_EQ(Result.Errors, "");
  EXPECT_NE(Result.Output.find("Disk before.json"), std::string::npos) << Result.Output;
  EXPECT_NE(Result.Output.find("-25.0%"), std::string::npos) << Result.Output;
  EXPECT_EQ(Drawn, std::vector<std::string>{"chart.svg 2"});
}

TEST_F(CliCompare, FilesItCannotUseAreRefusedByName) {
  const std::string Good = WriteRun("good.json", 400);
  TRunResult Newer;
  nlohmann::json NewerJson = RunResultToJson(Newer);
  NewerJson["schema_version"] = 99;
  const struct {
    std::vector<std::string> Arguments;
    const char* Says;
  } Cases[] = {
      {{"compare"}, "needs at least one result FILE"},
      {{"compare", Good, (Folder / "missing.json").string()}, "cannot read"},
      {{"compare", Write("notes.txt", "# not JSON")}, "is not a result file"},
      {{"compare", Write("newer.json", NewerJson.dump())}, "schema_version 99 is newer"},
      {{"compare", Good, "--plot", "chart.svg"}, "cannot draw charts"},  // no saver here
      {{"compare", Good, "--plot", "chart.jpg"}, "must end in .svg or .png"},
  };
  for (const auto& Case : Cases) {
    const TCompareRun Result = RunCompareCommand(Case.Arguments);
    EXPECT_EQ(Result.ExitCode, 2) << Case.Says;
    EXPECT_NE(Result.Errors.find(Case.Says), std::string::npos) << Result.Errors;
    EXPECT_EQ(Result.Output, "") << Case.Says;
  }
  const TCompareRun Failed = RunCompareCommand(
      {"compare", Good, "--plot", "x.png"},
      [](const TPlotFigure&, const std::string&) { return std::string("cannot write"); });
  EXPECT_EQ(Failed.ExitCode, 2);
  EXPECT_NE(Failed.Errors.find("--plot: cannot write"), std::string::npos) << Failed.Errors;
}

// A crafted or damaged result file: a figure out of its range is refused naming the file and
// the key, never truncated, wrapped or printed as another number.
TEST_F(CliCompare, FiguresOutOfRangeAreRefusedNamingTheFileAndKey) {
  TRunResult Result;
  TPassResult Pass;
  Pass.Number = 1;
  Pass.MeanSpeed = 300;
  Pass.WriteSeconds = {0.01, 0.02};
  Result.Passes = {Pass};
  const nlohmann::json Good = RunResultToJson(Result);
  const struct {
    nlohmann::json::json_pointer Key;
    nlohmann::json Value;
    const char* Says;
  } Cases[] = {
      {nlohmann::json::json_pointer("/schema_version"), 4294967297ULL, "schema_version"},
      {nlohmann::json::json_pointer("/schema_version"), 0, "schema_version"},
      {nlohmann::json::json_pointer("/passes/0/mean_mib_s"), 1e308, "mean_mib_s"},
      {nlohmann::json::json_pointer("/passes/0/max_mib_s"), 4294967297LL, "max_mib_s"},
      {nlohmann::json::json_pointer("/passes/0/min_mib_s"), -5, "min_mib_s"},
      {nlohmann::json::json_pointer("/passes/0/slow_share_pct"), -0.5, "slow_share_pct"},
      {nlohmann::json::json_pointer("/passes/0/write_times_seconds/1"), -1.0,
       "write_times_seconds"},
      {nlohmann::json::json_pointer("/passes/0/pass"), 2.5, "pass"},
      {nlohmann::json::json_pointer("/device/size_bytes"), 1e308, "device.size_bytes"},
      {nlohmann::json::json_pointer("/device/model"), std::string(100000, 'x'),
       "a text longer than 16384 bytes"},
  };
  for (const auto& Case : Cases) {
    nlohmann::json Bad = Good;
    Bad[Case.Key] = Case.Value;
    const std::string File = Write("bad.json", Bad.dump());
    const TCompareRun Run = RunCompareCommand({"compare", File});
    EXPECT_EQ(Run.ExitCode, 2) << Case.Says;
    EXPECT_EQ(Run.Output, "") << Case.Says;
    EXPECT_NE(Run.Errors.find("\"" + File + "\" is not a result file: " + Case.Says),
              std::string::npos)
        << Run.Errors;
  }
}

// Names in a result file (and the file's own name) reach the terminal escaped: a crafted file
// cannot set the window's title or clear the screen.
TEST_F(CliCompare, NamesFromTheFilesCannotDriveTheTerminal) {
  TRunResult Result;
  Result.Drive.Model = "Disk \x1b]0;owned\x07";
  Result.Setting.DrivePath = "/mnt/\xff\x1b[2J/";
  TPassResult Pass;
  Pass.Number = 1;
  Pass.MeanSpeed = 300;
  Result.Passes = {Pass};
#ifdef _WIN32
  // Windows names hold no control characters: the names inside the file are the threat there.
  const std::string FileName = "run.json";
#else
  const std::string FileName = "run\x1b[2J.json";
#endif
  const std::string Named = Write(FileName, RunResultToJson(Result).dump());
  Result.Drive.Model.clear();
  const std::string Unnamed = Write("folder.json", RunResultToJson(Result).dump());
  const TCompareRun Run = RunCompareCommand({"compare", Named, Unnamed});
  EXPECT_EQ(Run.ExitCode, 0) << Run.Errors;
  EXPECT_EQ(Run.Output.find('\x1b'), std::string::npos) << Run.Output;
  EXPECT_EQ(Run.Output.find('\x07'), std::string::npos) << Run.Output;
#ifndef _WIN32
  EXPECT_NE(Run.Output.find("run\\x1b[2J.json"), std::string::npos) << Run.Output;
#endif
  EXPECT_NE(Run.Output.find("Disk \\x1b]0;owned\\a"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("/mnt/\\xff\\x1b[2J/"), std::string::npos) << Run.Output;
}

}  // namespace

namespace {

// The change of Now against Before in percent, as the CSV gives it.
std::string FormatVs(double Now, double Before) {
  return FormatFixed((Now - Before) / Before * 100.0, 1, ".");
}

// Splits CSV text (RFC 4180) into rows of cells.
std::vector<std::vector<std::string>> ParseCsv(const std::string& Text) {
  std::vector<std::vector<std::string>> Rows(1, std::vector<std::string>(1));
  bool Quoted = false;
  for (std::size_t Index = 0; Index < Text.size(); ++Index) {
    const char Char = Text[Index];
    if (Quoted) {
      if (Char == '"' && Index + 1 < Text.size() && Text[Index + 1] == '"') {
        Rows.back().back() += '"';
        ++Index;
      } else if (Char == '"') {
        Quoted = false;
      } else {
        Rows.back().back() += Char;
      }
    } else if (Char == '"') {
      Quoted = true;
    } else if (Char == ',') {
      Rows.back().emplace_back();
    } else if (Char == '\r' && Index + 1 < Text.size() && Text[Index + 1] == '\n') {
      ++Index;
      Rows.emplace_back(1);
    } else {
      Rows.back().back() += Char;
    }
  }
  if (Rows.back() == std::vector<std::string>(1)) {
    Rows.pop_back();  // after the last line end
  }
  return Rows;
}

}  // namespace

// A lab's results: 100 files made from one template, read as a spreadsheet would get them.
TEST_F(CliCompare, CsvOfAHundredResultsReadsBackCellForCell) {
  TRunResult Template;
  Template.Version = "6.0.5";
  TPassResult Judged;
  Judged.Number = 1;
  Judged.SlowSharePct = 1.25;
  TPassFigures& Figures = Judged.Analysis.Figures.emplace();
  Figures.LastSpeed = 30.04;
  Figures.Cache = TCacheFigures{2048, 410.26, 31.5};
  TPassResult Second = Judged;
  Second.Number = 2;
  Second.Analysis.Figures->Cache.reset();  // judged, no cache
  Second.End = TPassEnd::Cancelled;
  TPassResult Short;  // too short to judge
  Short.Number = 3;
  Short.End = TPassEnd::Failed;
  std::vector<std::string> Arguments = {"compare", "--csv"};
  for (int Index = 0; Index < 100; ++Index) {
    TRunResult Run = Template;
    // Models as drives name themselves: with commas, quotes, a line end, a formula.
    const std::string Models[] = {"Stick " + std::to_string(Index), "Disk, \"Pro\"", "two\nlines",
                                  "=HYPERLINK(\"x\")"};
    Run.Drive.Model = Models[Index % 4];
    Judged.MeanSpeed = 100 + Index;
    Second.MeanSpeed = 50 + Index;
    // The throughput is what the drifts follow.
    Judged.Analysis.Throughput = 90.0 + Index;
    Second.Analysis.Throughput = 40.0 + Index;
    Run.Passes = {Judged, Second, Short};
    Arguments.push_back(
        Write("run" + std::to_string(Index) + ".json", RunResultToJson(Run).dump()));
  }
  const TCompareRun Result = RunCompareCommand(Arguments);
  ASSERT_EQ(Result.ExitCode, 0) << Result.Errors;
  EXPECT_EQ(Result.Errors, "");
  const auto Rows = ParseCsv(Result.Output);
  ASSERT_EQ(Rows.size(), 301u);
  EXPECT_EQ(Rows[0], (std::vector<std::string>{
                         "run", "drive", "pass", "throughput_mib_s", "mean_mib_s", "cache_mib",
                         "in_cache_mib_s", "after_cache_mib_s", "last_mib_s", "slow_pct",
                         "slowest_1s_mib_s", "end", "drift_pct", "vs_run1_pct"}));
  // A line end in a name is escaped as everywhere a name is printed, so that the file is safe
  // on a terminal too; commas and quotes are quoted as CSV wants.
  const std::string Expected[] = {"Stick 7", "Disk, \"Pro\"", "two\\nlines", "'=HYPERLINK(\"x\")"};
  for (int Index = 0; Index < 100; ++Index) {
    const auto& First = Rows[1 + 3 * Index];
    const auto& Next = Rows[2 + 3 * Index];
    const auto& Last = Rows[3 + 3 * Index];
    ASSERT_EQ(First.size(), 14u);
    ASSERT_EQ(Last.size(), 14u);
    EXPECT_EQ(First[0], Arguments[2 + Index]);
    EXPECT_EQ(First[1], Index % 4 == 0 ? "Stick " + std::to_string(Index) : Expected[Index % 4]);
    EXPECT_EQ(First[2], "1");
    EXPECT_EQ(First[3], std::to_string(90 + Index) + ".0");
    EXPECT_EQ(First[4], std::to_string(100 + Index));
    EXPECT_EQ(std::vector<std::string>(First.begin() + 5, First.begin() + 12),
              (std::vector<std::string>{"2048", "410.3", "31.5", "30.0", "1.3", "", "completed"}));
    EXPECT_EQ(First[12], "");  // the run's first pass has no drift
    EXPECT_EQ(First[13], Index == 0 ? "" : FormatVs(90 + Index, 90));
    // Judged without a cache: 0 MiB and no speeds around it; too short: nothing judged.
    EXPECT_EQ(std::vector<std::string>(Next.begin() + 5, Next.begin() + 8),
              (std::vector<std::string>{"0", "", ""}));
    EXPECT_EQ(Next[11], "cancelled");
    EXPECT_EQ(Next[12], FormatVs(40 + Index, 90 + Index));
    EXPECT_EQ(std::vector<std::string>(Last.begin() + 5, Last.begin() + 9),
              (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(Last[11], "failed");
  }
}
