// The metrics file of real runs: what a finished, a cancelled and a refused run leave.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/Cli.FillTarget.h"
#include "cli/Cli.Process.h"

namespace {

namespace fs = std::filesystem;

// The samples of a metrics file by name, labels left out (one drive): name -> value; the state
// set as "varnell_state:STATE".
std::map<std::string, std::string> Samples(const std::string& Text) {
  std::map<std::string, std::string> Result;
  std::istringstream Stream(Text);
  const std::regex Sample(R"re(([a-z_]+)\{[^}]*?(?:state="([a-z]+)")?\} (\S+))re");
  for (std::string Line; std::getline(Stream, Line);) {
    std::smatch Match;
    if (std::regex_match(Line, Match, Sample)) {
      const std::string Name = Match[2].matched ? Match[1].str() + ":" + Match[2].str() : Match[1];
      Result[Name] = Match[3];
    }
  }
  return Result;
}

std::string OnState(const std::map<std::string, std::string>& Sample) {
  std::string On;
  for (const char* State : {"writing", "verifying", "paused", "done", "failed", "cancelled"}) {
    const auto Found = Sample.find(std::string("varnell_state:") + State);
    if (Found != Sample.end() && Found->second == "1") {
      On += On.empty() ? State : std::string(",") + State;
    }
  }
  return On;
}

std::vector<std::string> Names(const fs::path& Folder) {
  std::vector<std::string> Result;
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    Result.push_back(Entry.path().filename().string());
  }
  std::sort(Result.begin(), Result.end());
  return Result;
}

class CliMetricsBinary : public ::testing::Test {
 protected:
  TScratchFolder Capture;
  TScratchFolder Textfiles;  // as the node exporter's folder: only the metrics file goes there
  std::string Metrics() const { return (Textfiles.Path() / "varnell.prom").string(); }
};

TEST_F(CliMetricsBinary, AFinishedRunLeavesItsFiguresMarkedDone) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  const TProcessResult Run = RunCliProcess(
      {"--verify", "--metrics", Metrics(), "--leave", Fill.LeaveForFourWrites(), Fill.DrivePath()},
      Capture.Path().string());
  ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
  const auto Sample = Samples(ReadWholeFile(Metrics()));
  EXPECT_EQ(OnState(Sample), "done");
  EXPECT_EQ(Sample.at("varnell_pass"), "1");
  EXPECT_EQ(Sample.at("varnell_pass_written_bytes"), std::to_string(32 << 20));
  EXPECT_EQ(Sample.at("varnell_pass_target_bytes"), std::to_string(32 << 20));
  EXPECT_EQ(Sample.at("varnell_written_bytes_total"), std::to_string(32 << 20));
  EXPECT_GT(std::stod(Sample.at("varnell_write_speed_bytes_per_second")), 0.0);
  EXPECT_EQ(Sample.at("varnell_last_pass"), "1");
  EXPECT_EQ(Sample.at("varnell_last_pass_verified_bytes"), std::to_string(32 << 20));
  EXPECT_EQ(Sample.at("varnell_last_pass_damaged_bytes"), "0");
  if (Fill.Exact()) {
    // The tmpfs is mounted on a folder of its own: its last name is the drive's label.
    EXPECT_NE(ReadWholeFile(Metrics()).find("label=\"" + Fill.Path().filename().string() + "\""),
              std::string::npos);
  }
  EXPECT_EQ(Names(Textfiles.Path()), std::vector<std::string>{"varnell.prom"});
}

TEST_F(CliMetricsBinary, ACancelledRunShowsItsProgressThenItsCancel) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  std::string WhileRunning;
  const TProcessResult Run = RunCliProcess(
      {"--repeat", "--metrics", Metrics(), "--leave", Fill.LeaveForFourWrites(), Fill.DrivePath()},
      Capture.Path().string(), [&](pid_t Child) {
        // Until the second pass shows in the file (a file of the first pass is replaced by then).
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::stoi("0" + Samples(WhileRunning)["varnell_pass"]) < 2 &&
               std::chrono::steady_clock::now() < Deadline) {
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          WhileRunning = ReadWholeFile(Metrics());
        }
        kill(Child, SIGINT);
      });
  EXPECT_EQ(Run.ExitCode, 0) << Run.Errors;
  const auto During = Samples(WhileRunning);
  EXPECT_GE(std::stoi(During.at("varnell_pass")), 2) << WhileRunning;
  EXPECT_EQ(OnState(During), "writing");
  EXPECT_GE(std::stoll(During.at("varnell_written_bytes_total")), 32LL << 20);
  const auto After = Samples(ReadWholeFile(Metrics()));
  EXPECT_EQ(OnState(After), "cancelled");
  EXPECT_GE(std::stoll(After.at("varnell_written_bytes_total")),
            std::stoll(During.at("varnell_written_bytes_total")));
  EXPECT_EQ(Names(Textfiles.Path()), std::vector<std::string>{"varnell.prom"});
}

TEST_F(CliMetricsBinary, ARefusedRunMakesNoFileAndAForeignFileIsNeverReplaced) {
  const FillTarget Fill;
  SKIP_UNLESS_USABLE(Fill);
  // Refused by the worker: the whole volume is to stay free.
  TProcessResult Run = RunCliProcess({"--metrics", Metrics(), "--leave", "100%", Fill.DrivePath()},
                                     Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 2) << Run.Errors;
  EXPECT_FALSE(fs::exists(Metrics()));
  // Refused before anything: a file at the name that is not this program's.
  { std::ofstream(Metrics()) << "node_mine 1\n"; }
  Run = RunCliProcess(
      {"--metrics", Metrics(), "--leave", Fill.LeaveForFourWrites(), Fill.DrivePath()},
      Capture.Path().string());
  EXPECT_EQ(Run.ExitCode, 2) << Run.Errors;
  EXPECT_NE(Run.Errors.find("is not a metrics file of varnell-cli"), std::string::npos)
      << Run.Errors;
  EXPECT_EQ(ReadWholeFile(Metrics()), "node_mine 1\n");
  EXPECT_EQ(Run.Output, "");
}

}  // namespace

namespace {

TEST_F(CliMetricsBinary, AFailedRunIsMarkedFailed) {
  // A write fails once the program's files may grow no further.
  TMountedVolume Small("-t tmpfs -o size=48m tmpfs");
  SKIP_UNLESS_MOUNTED(Small, "a small tmpfs");
  const TProcessResult Run =
      RunCliProcess({"--leave", "0GiB", "--cache", "--metrics", Metrics(), Small.Path().string()},
                    Capture.Path().string(), {}, {}, [] { LimitFileSize(12 << 20); });
  EXPECT_EQ(Run.ExitCode, 1) << Run.Errors;
  const auto Sample = Samples(ReadWholeFile(Metrics()));
  EXPECT_EQ(OnState(Sample), "failed");
  EXPECT_GT(std::stoll(Sample.at("varnell_written_bytes_total")), 0);
  EXPECT_EQ(Sample.at("varnell_last_pass"), "1");
}

}  // namespace
