// "varnell-cli compare": result files side by side, and what it says of files it cannot use.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/Cli.Run.h"
#include "results/Run.Json.h"

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

}  // namespace
