// The metrics file's timing (nothing before the first write, at most once a second, at once at a
// pass's end and at the end) and where it may be written.
#include "cli/Cli.Metrics.h"

#include <gtest/gtest.h>

#include "report/Report.TempFolder.h"

namespace {

using namespace std::chrono_literals;

class CliMetrics : public ::testing::Test {
 protected:
  std::chrono::steady_clock::time_point FNow{std::chrono::hours(1)};
  std::vector<std::string> FWritten;
  int FWriteError = 0;
  std::vector<int> FFailures;
  TCliMetrics FMetrics{"/x/varnell.prom",
                       [this](const std::string&, int Code) { FFailures.push_back(Code); },
                       [this](const std::string& Path, const std::string& Text) {
                         EXPECT_EQ(Path, "/x/varnell.prom");
                         FWritten.push_back(Text);
                         return FWriteError;
                       },
                       [this] { return FNow; }};
};

}  // namespace

TEST_F(CliMetrics, WrittenFromTheFirstWriteAtMostOnceASecondAndAtOnceWhenFlushed) {
  TDriveMetrics Drive;
  Drive.Label = "usb0";
  const std::size_t Index = FMetrics.AddDrive(Drive);
  // Before the first write: nothing, whatever is asked.
  FMetrics.Refresh();
  FMetrics.Flush();
  FMetrics.Finish(Index, TDriveState::Failed);
  EXPECT_TRUE(FWritten.empty());
  FMetrics.Drive(Index).State = TDriveState::Writing;

  FMetrics.Start();
  ASSERT_EQ(FWritten.size(), 1u);
  const struct {
    std::chrono::milliseconds Later;
    bool Change;
    std::size_t Files;  // written so far
  } Steps[] = {
      {0ms, true, 1},                       // changed, but the last file is not a second old
      {999ms, false, 1},  {1ms, false, 2},  // a second old and changed: written
      {5000ms, false, 2},                   // nothing changed since
      {0ms, true, 3},                       // a change after a quiet while: at once
      {500ms, true, 3},   {500ms, false, 4},
  };
  for (const auto& Step : Steps) {
    FNow += Step.Later;
    if (Step.Change) {
      FMetrics.Drive(Index).PassWrittenBytes += 8 << 20;
      FMetrics.Changed();
    }
    FMetrics.Refresh();
    EXPECT_EQ(FWritten.size(), Step.Files);
  }
  FMetrics.Flush();  // a pass's end: at once
  EXPECT_EQ(FWritten.size(), 5u);
  FMetrics.Finish(Index, TDriveState::Cancelled);
  ASSERT_EQ(FWritten.size(), 6u);
  EXPECT_NE(FWritten.back().find("state=\"cancelled\"} 1"), std::string::npos) << FWritten.back();
  EXPECT_NE(FWritten.back().find("varnell_pass_written_bytes{label=\"usb0\",device=\"\",model="
                                 "\"\",serial=\"\"} 25165824"),
            std::string::npos)
      << FWritten.back();
  EXPECT_TRUE(FFailures.empty());
  EXPECT_FALSE(FMetrics.Failed());
}

TEST_F(CliMetrics, AFileThatCannotBeWrittenIsSaidOnceAndTriedAgain) {
  FMetrics.AddDrive({});
  FWriteError = 28;
  FMetrics.Start();
  FMetrics.Flush();
  EXPECT_EQ(FFailures, std::vector<int>{28});
  EXPECT_TRUE(FMetrics.Failed());
  FWriteError = 0;
  FMetrics.Flush();
  EXPECT_EQ(FWritten.size(), 3u);
  EXPECT_EQ(FFailures.size(), 1u);
}

TEST(CliMetricsPath, OnlyANewFileOrAnEarlierMetricsFileIsTaken) {
  TTempFolder Folder;
  WriteBytes(Folder.File("earlier.prom"), "# HELP varnell_state What ...\n");
  WriteBytes(Folder.File("notes.prom"), "# HELP node_custom Mine\n");
  WriteBytes(Folder.File("empty.prom"), "");
  std::filesystem::create_directory(Folder.File("folder.prom"));
  const struct {
    std::string Path;
    std::string Refusal;  // a part of the message; empty when the path is taken
  } Cases[] = {
      {Folder.File("new.prom"), ""},
      {Folder.File("earlier.prom"), ""},
      {Folder.File("notes.prom"), "is not a metrics file of varnell-cli"},
      {Folder.File("empty.prom"), "is not a metrics file of varnell-cli"},
      {Folder.File("folder.prom"), "is not a metrics file of varnell-cli"},
      {Folder.File("missing/new.prom"), "cannot be used"},
      {Folder.Path() + "/", "needs a FILE name"},
  };
  for (const auto& Case : Cases) {
    const std::string Refusal = MetricsPathRefusal(Case.Path);
    if (Case.Refusal.empty()) {
      EXPECT_EQ(Refusal, "") << Case.Path;
    } else {
      EXPECT_NE(Refusal.find(Case.Refusal), std::string::npos) << Case.Path << ": " << Refusal;
    }
  }
  EXPECT_EQ(ReadBytes(Folder.File("notes.prom")), "# HELP node_custom Mine\n");
  // Another output of the run at the same place, however it is spelled.
  std::filesystem::create_directory(Folder.File("sub"));
  const std::string Same = MetricsPathRefusal(
      Folder.File("new.prom"), {Folder.File("log.txt"), Folder.File("sub/../new.prom")});
  EXPECT_NE(Same.find("is also the file of"), std::string::npos) << Same;
  EXPECT_EQ(MetricsPathRefusal(Folder.File("new.prom"), {Folder.File("sub/new.prom"), ""}), "");
}
